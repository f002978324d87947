#!/usr/bin/env bash
# Installs Zorvel into a scratch DESTDIR and checks what was installed: the file list, the desktop
# entry, the AppStream data, the manual pages, the icons, the programs themselves, where an
# installed program keeps its macros, and the bash completion.
# Usage: installed_program.sh BUILD-DIR VERSION
set -u
build=$1
version=$2
source "$(dirname "$0")/check.sh"

root=$work/root
usr=$root/usr
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; exit 1; }

echo "== installed files"
expect_eq "$(cd "$usr" && find . -type f | sed 's#^\./##' | sort)" "$(expected_files)" "installed files"
expect_eq "$(find "$root" -mindepth 1 -maxdepth 1)" "$usr" "nothing installed outside the prefix"

echo "== desktop entry and AppStream data"
desktop=$usr/share/applications/org.zorvel.Zorvel.desktop
expect_ok "desktop-file-validate" desktop-file-validate "$desktop"
for line in "Name=Zorvel" "GenericName=Macro Recorder" "Exec=zorvel" "Icon=org.zorvel.Zorvel" \
  "Categories=Utility;"; do
  grep -qxF "$line" "$desktop" || fail "the desktop entry lacks $line"
done
grep -q '^Comment=.' "$desktop" || fail "the desktop entry has no Comment"
grep -q '^Keywords=.*macro' "$desktop" || fail "the desktop entry has no Keywords"
metainfo=$usr/share/metainfo/org.zorvel.Zorvel.metainfo.xml
expect_ok "appstreamcli validate" appstreamcli validate --no-net "$metainfo"
expect_eq "$(xmllint --xpath 'string(//release/@version)' "$metainfo")" "$version" "release version"
expect_eq "$(xmllint --xpath 'string(//launchable)' "$metainfo")" "org.zorvel.Zorvel.desktop" \
  "launchable"
expect_eq "$(xmllint --xpath 'count(//screenshot/image)' "$metainfo")" "2" "screenshots"

echo "== icons"
for size in 48 256; do
  expect_eq "$(file -b "$usr/share/icons/hicolor/${size}x$size/apps/org.zorvel.Zorvel.png" | cut -d, -f1,2)" \
    "PNG image data, $size x $size" "the $size px icon"
done

echo "== manual pages"
for page in zorvel zorvel-cli; do
  file=$usr/share/man/man1/$page.1.gz
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  expect_eq "$warnings" "" "warnings rendering $page(1)"
  MANWIDTH=80 man -l "$file" 2>/dev/null >"$work/$page.txt"
  grep -q "Zorvel $version" "$work/$page.txt" || fail "$page(1) does not name version $version"
done
cli=$usr/bin/zorvel-cli
# Every command and every option zorvel-cli knows is described in its manual page.
commands=$("$cli" --help | sed -n 's/^  \([a-z]\+\) .*/\1/p')
[ -n "$commands" ] || fail "zorvel-cli --help lists no commands"
for command in $commands; do
  grep -qE "^       $command( |$)" "$work/zorvel-cli.txt" || fail "zorvel-cli(1) lacks the command $command"
  for option in $("$cli" "$command" --help | grep -oE -- '--[a-z]+' | sort -u); do
    grep -qE -- "^       $option( |,|$)" "$work/zorvel-cli.txt" ||
      fail "zorvel-cli(1) does not describe $option of $command"
  done
done
for option in --folder --help --version; do
  grep -qE -- "$option" "$work/zorvel.txt" || fail "zorvel(1) does not describe $option"
done

echo "== the installed programs"
expect_eq "$("$cli" --version)" "zorvel-cli $version" "zorvel-cli --version"
# The GUI program answers --help and --version without a display.
expect_eq "$(env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/zorvel" --version 2>&1)" \
  "Zorvel $version" "zorvel --version without a display"
env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/zorvel" --help >"$work/help" 2>&1 ||
  fail "zorvel --help without a display exited with $?"
grep -q -- "--folder <DIR>" "$work/help" || fail "zorvel --help does not describe --folder"
examples=$usr/share/zorvel/examples
expect_eq "$("$cli" list --folder "$examples" | cut -f1 | sort | tr '\n' ';')" \
  "Click and wait;Key chords;Type greeting;" "zorvel-cli list of the installed examples"

echo "== where the installed program keeps its macros"
# A read-only program folder, as in a real installation (root writes anyway: the installed
# layout alone must send the macros to the user's folder).
chmod a-w "$usr/bin"
export XDG_DATA_HOME=$work/data
data=$XDG_DATA_HOME/zorvel
expect_eq "$("$cli" list | cut -f1 | sort | tr '\n' ';')" \
  "Click and wait;Key chords;Type greeting;" "the first start lists the copied examples"
expect_eq "$(ls "$data" | tr '\n' ';')" "click_and_wait.xml;key_chords.xml;type_greeting.xml;" \
  "the first start creates the data folder with the examples"
rm "$data/key_chords.xml"
expect_eq "$("$cli" list | cut -f1 | sort | tr '\n' ';')" "Click and wait;Type greeting;" \
  "the second start does not copy the examples again"
expect_eq "$(ls "$usr/bin" | tr '\n' ';')" "zorvel;zorvel-cli;" "nothing written beside the programs"

if [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null; then
  # The installed GUI program starts on a fresh data folder, seeds it and shows its main window.
  export XDG_DATA_HOME=$work/gui-data
  "$usr/bin/zorvel" >"$work/gui.log" 2>&1 &
  pid=$!
  window=""
  for _ in $(seq 1 100); do
    window=$(xdotool search --name "^Zorvel $version\$" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$window" ] || fail "the installed zorvel showed no main window: $(cat "$work/gui.log")"
  expect_eq "$(ls "$XDG_DATA_HOME/zorvel" | grep -c '\.xml$')" "4" \
    "the GUI's first start holds the three examples and its settings"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
fi

echo "== bash completion"
# complete WORD... : the completions bash offers for the last word of "zorvel-cli WORD...".
complete_words() {
  PATH=$usr/bin:$PATH XDG_DATA_HOME=$work/data bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$0"
    COMP_WORDS=(zorvel-cli "$@")
    COMP_CWORD=$#
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    _zorvel_cli
    printf "%s;" "${COMPREPLY[@]}"' "$usr/share/bash-completion/completions/zorvel-cli" "$@"
}
expect_eq "$(complete_words "")" "list;show;check;import;play;record;help;--help;--version;" \
  "commands"
expect_eq "$(complete_words sh)" "show;" "a command begun"
expect_eq "$(complete_words import --)" "--help;--name;--force;--folder;" "the options of import"
expect_eq "$(complete_words record --)" "--help;--append;--folder;" "the options of record"
expect_eq "$(complete_words record "")" 'Click\ and\ wait;Type\ greeting;' \
  "macro names of the data folder"
expect_eq "$(complete_words play --folder "$examples" K)" 'Key\ chords;' \
  "macro names of the folder given by --folder"
mkdir -p "$work/folders/macros"
expect_eq "$(cd "$work/folders" && complete_words list --folder m)" "macros;" "folders for --folder"

finish
