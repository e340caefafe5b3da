# Sourced by the scripts that start the real program in a real X window: an Xvfb server of its
# own, and a wait for the program's window. The caller sets `work` (a scratch directory) and
# `app_pid` once the program runs; both are cleaned up on exit.

cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Starts Xvfb on a free display and points DISPLAY and Qt at it.
start_xvfb() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$work/display")"
    # The server may announce its display a moment before it takes connections.
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    export QT_QPA_PLATFORM=xcb
}

# Waits for a window titled exactly $1 (more xdotool search options may follow) and sets
# `window` to it; fails, showing the program's log, when none comes.
wait_for_window() {
    local title="$1"
    shift
    window=""
    for _ in $(seq 150); do
        window="$(xdotool search "$@" --name "^${title}\$" 2>/dev/null | head -n1 || true)"
        [ -n "$window" ] && return 0
        sleep 0.1
    done
    echo "no window titled '$title'"
    cat "$work/app.log"
    exit 1
}
