#!/usr/bin/env bash
# Takes the screenshot the metainfo shows: the real program in a real X window (Xvfb) on the demo
# book, pictured by app/tools/grab_window.cpp. Needs unshare (util-linux) and user namespaces.
#   scripts/screenshot.sh [BUILD-DIR [OUTPUT.png]]
# BUILD-DIR defaults to build/release, OUTPUT to app/resources/screenshots/main-window.png.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build/release}"
output="${2:-$here/app/resources/screenshots/main-window.png}"
cmake --build "$build" --target quirebox qb_grab_window

work="$(mktemp -d)"
# shellcheck source=x11-session.sh
. "$here/scripts/x11-session.sh"
start_xvfb

# The status bar shows the note's path: the program runs in a mount namespace of its own, where
# the demo book and its folders are copied to a home directory as a user would keep them.
# shellcheck disable=SC2016 # the inner shell expands its own arguments
unshare --map-root-user --mount --propagation private sh -c '
    mount -t tmpfs tmpfs /home && mkdir -p /home/reader && cp -r "$1" /home/reader/Notes &&
    HOME=/home/reader exec "$2" /home/reader/Notes/demo.qb' - "$here/examples" "$build/quirebox" \
    >"$work/app.log" 2>&1 &
app_pid=$!

wait_for_window "Demo Book - Quirebox v3.01" --onlyvisible

# The grab fails with 3 while the window is still one colour, before its first paint.
for _ in $(seq 50); do
    status=0
    "$build/app/tools/qb_grab_window" "$window" "$work/window.png" || status=$?
    [ "$status" -ne 3 ] && break
    sleep 0.1
done
[ "$status" -eq 0 ] || { echo "could not grab window $window"; exit 1; }
mkdir -p "$(dirname "$output")"
cp "$work/window.png" "$output"
echo "$output"
