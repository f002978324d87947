#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks it: its files, its control fields and
# Depends, that it holds nothing from the build folder, and that dpkg installs and removes it
# (in a scratch root; in CI as root also for real). Checks apt can satisfy Depends when apt
# knows the archive.
# Usage: debian_package.sh BUILD-DIR VERSION
set -u
build=$(realpath "$1")
version=$2
source "$(dirname "$0")/check.sh"

cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$work/packages/zorvel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "no package $deb: $(ls "$work/packages")" >&2; exit 1; }

echo "== contents"
expect_eq "$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's#^\./usr/##' | sort)" \
  "$(expected_files)" "files of the package"
expect_eq "$(dpkg-deb -c "$deb" | awk '{print $2}' | sort -u)" "root/root" "file owners"
mkdir "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
for program in zorvel zorvel-cli; do
  binary=$work/unpacked/usr/bin/$program
  readelf -d "$binary" | grep -qE 'RPATH|RUNPATH' && fail "$program carries a library path"
  file -b "$binary" | grep -q 'not stripped' && fail "$program is not stripped"
  grep -qF "$build" "$binary" && fail "$program holds the build folder's path"
done

echo "== control fields"
expect_eq "$(dpkg-deb -f "$deb" Package)" "zorvel" "Package"
expect_eq "$(dpkg-deb -f "$deb" Version)" "$version" "Version"
expect_eq "$(dpkg-deb -f "$deb" Section)" "utils" "Section"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no Description"
depends=$(dpkg-deb -f "$deb" Depends)
# What the programs link against, as dpkg-shlibdeps names it, with a lower version bound.
for package in libc6 libstdc++6 libpugixml1v5 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6; do
  [[ ", $depends," == *", $package (>= "*")"* ]] || fail "Depends lacks $package (>= ...): $depends"
done
for package in libx11-6 libxext6 libxtst6; do
  [[ ", $depends," == *", $package"[,\ ]* ]] || fail "Depends lacks $package: $depends"
done

echo "== dpkg in a scratch root"
scratch=$work/scratch
mkdir -p "$scratch/var/lib/dpkg/info" "$scratch/var/lib/dpkg/updates" "$scratch/var/log"
touch "$scratch/var/lib/dpkg/status" "$scratch/var/lib/dpkg/available"
dpkg_scratch=(dpkg --root="$scratch" --log=/dev/null)
[ "$(id -u)" -eq 0 ] || dpkg_scratch+=(--force-not-root --force-script-chrootless)
# The scratch root holds no libraries, so only the dependency check is waived.
expect_ok "dpkg -i" "${dpkg_scratch[@]}" --force-depends -i "$deb"
expect_eq "$(dpkg-query --root="$scratch" -W -f '${Status}' zorvel)" "install ok installed" \
  "the package's status after dpkg -i"
expect_eq "$(cd "$scratch/usr" && find . -type f | sed 's#^\./##' | sort)" "$(expected_files)" \
  "files dpkg installed"
expect_eq "$("$scratch/usr/bin/zorvel-cli" --version)" "zorvel-cli $version" \
  "the unpacked zorvel-cli runs"
expect_ok "dpkg -r" "${dpkg_scratch[@]}" -r zorvel
expect_eq "$(find "$scratch/usr" -type f 2>/dev/null)" "" "files left after dpkg -r"

if apt-cache policy libqt6widgets6 2>/dev/null | grep -q 'Candidate: [0-9]'; then
  echo "== apt resolves Depends"
  expect_ok "apt-get install --simulate" apt-get install --simulate -q "$deb"
else
  echo "== apt knows no archive here: skipping the Depends resolution"
fi

if [ -n "${CI:-}" ] && [ "$(id -u)" -eq 0 ] && ! dpkg-query -W zorvel >/dev/null 2>&1; then
  echo "== real installation (CI)"
  expect_ok "apt-get install" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb"
  expect_eq "$(/usr/bin/zorvel-cli --version)" "zorvel-cli $version" "installed zorvel-cli"
  expect_eq "$(man -w zorvel-cli)" "/usr/share/man/man1/zorvel-cli.1.gz" "man finds zorvel-cli(1)"
  expect_ok "apt-get remove" env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q zorvel
  [ -e /usr/bin/zorvel ] && fail "/usr/bin/zorvel left after removal"
fi

finish
