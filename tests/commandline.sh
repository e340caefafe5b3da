#!/usr/bin/env bash
# The real program's answers on the command line: --version and --help print and exit without a
# display, and without a display the program says so in one line instead of aborting, while the
# offscreen platform still starts.
set -uo pipefail
program="$1"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# No display and no platform chosen, as in a text console or over ssh.
run_bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@"; }

run_bare --version >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "--version exits with $status"
[ "$(cat "$work/out")" = "Quirebox 3.01.0025" ] || fail "--version prints '$(cat "$work/out")'"
[ ! -s "$work/err" ] || fail "--version writes to stderr: $(cat "$work/err")"

run_bare --help >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "--help exits with $status"
for word in "Usage:" "--help" "--version" "book"; do
    grep -q -e "$word" "$work/out" || fail "--help does not mention '$word'"
done

run_bare "$work/some book.qb" >"$work/out" 2>"$work/err"
status=$?
# 128 and above is a signal such as Qt's abort.
{ [ "$status" -ne 0 ] && [ "$status" -lt 128 ]; } || fail "no display: exit status $status"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "no display: stderr is not one line: $(cat "$work/err")"
grep -q "DISPLAY" "$work/err" || fail "no display: the message does not name DISPLAY"

# A display that is named but cannot be reached: one line naming it, and no abort.
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:987 "$program" "$work/some book.qb" \
    >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "unreachable display: exit status $status"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "unreachable display: stderr is not one line: $(cat "$work/err")"
grep -q '":987"' "$work/err" || fail "unreachable display: the message does not name it: $(cat "$work/err")"

# The offscreen platform needs no display: the program keeps running until it is stopped.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 5 "$program" \
    >"$work/out" 2>&1
status=$?
[ "$status" -eq 124 ] || { fail "offscreen: ended by itself with $status"; cat "$work/out"; }

[ "$failures" -eq 0 ] && echo "command line: all checks passed"
exit "$((failures > 0))"
