# shellcheck shell=bash
# Sourced by the scripts that start the real program in a real X window: an Xvfb server of its
# own, and a wait for the program's window. The caller sets `work` (a scratch directory) and
# `app_pid` once the program runs; both are cleaned up on exit.

cleanup() {
    if [ -n "${app_pid:-}" ]; then kill "$app_pid" 2>/dev/null || true; fi
    if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "${work:?}"
}
trap cleanup EXIT

# Starts Xvfb on a free display and points DISPLAY and Qt at it. Without -noreset the server
# resets when its last client leaves (here the readiness probe), and a program connecting during
# that reset is refused.
start_xvfb() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    DISPLAY=":$(head -n1 "$work/display")"
    export DISPLAY
    # The server may announce its display a moment before it takes connections.
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    if ! xdpyinfo >/dev/null 2>&1; then
        echo "Xvfb did not take connections"
        cat "$work/xvfb.log"
        exit 1
    fi
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
        kill -0 "$app_pid" 2>/dev/null || break # ended: its log below says why
        sleep 0.1
    done
    echo "no window titled '$title'"
    cat "$work/app.log"
    exit 1
}
