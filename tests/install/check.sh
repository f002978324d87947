# Helpers shared by the install tests: a scratch folder removed on exit, and checks that count
# failures instead of stopping at the first one.
work=$(mktemp -d /tmp/zorvel-install.XXXXXX)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# expect_eq ACTUAL EXPECTED WHAT
expect_eq() {
  [ "$1" == "$2" ] || fail "$3"$'\n'"  expected: $2"$'\n'"  actual:   $1"
}

# expect_ok WHAT COMMAND...: the command succeeds
expect_ok() {
  local what=$1
  shift
  "$@" >"$work/out" 2>&1 || fail "$what: $* exited with $?: $(cat "$work/out")"
}

# The files the installation must hold, relative to the prefix, sorted.
expected_files() {
  sort "$here/installed_files.txt"
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}
