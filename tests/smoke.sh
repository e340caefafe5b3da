#!/usr/bin/env bash
# Starts the real program in a real X window on a fixture book, checks the window title, then
# closes it through Book > Exit as a user would, and expects a clean exit.
set -euo pipefail
program="$1"
fixture="$2"

work="$(mktemp -d)"
# shellcheck source=../scripts/x11-session.sh
. "$(dirname "$0")/../scripts/x11-session.sh"

# The book is copied, so that the run can never change the fixture.
cp -r "$fixture" "$work/book"
start_xvfb

# An unquoted path with blanks arrives as several arguments and must still be one book.
# shellcheck disable=SC2086
"$program" $work/book/smoke\ book.qb >"$work/app.log" 2>&1 &
app_pid=$!

wait_for_window "Smoke Book - Quirebox v3.01"
echo "window $window: $(xdotool getwindowname "$window")"

xdotool windowfocus --sync "$window"
xdotool key alt+b
# Press E only once the Book menu is open: it shows as a second window of the program, and on a
# busy machine that can take a while.
for _ in $(seq 100); do
    [ "$(xdotool search --onlyvisible --class quirebox 2>/dev/null | wc -l)" -ge 2 ] && break
    sleep 0.1
done
xdotool key e
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then
    echo "the program did not end after Book > Exit"; exit 1
fi
wait "$app_pid"
status=$?
app_pid=""
echo "exit status $status"
exit "$status"
