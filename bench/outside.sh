#!/usr/bin/env bash
# Times Quirebox from outside, as its user meets it: starts an X server of its own (Xvfb on a
# free display, taking no TCP connections), runs outside_probe on it, and stops the server.
#
#   bench/outside.sh [type|decrypt|save|goto|idle|all] [--runs N] [--idle-seconds S]
#                    [--program PATH] [--trace]
#
# Build the probe and the program first, in the benchmark preset:
#   cmake --preset bench && cmake --build build/bench --target outside_probe
# QB_OUTSIDE_TIMEOUT (seconds, 7200 by default) bounds the whole run.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
probe="${QB_OUTSIDE_PROBE:-$here/../build/bench/bench/outside_probe}"
if [ ! -x "$probe" ]; then
    echo "no $probe: build it with cmake --build build/bench --target outside_probe"
    exit 1
fi

# The scratch folder that x11-session.sh keeps the server's files in and removes at the end.
work="$(mktemp -d)"
# shellcheck source-path=SCRIPTDIR source=../scripts/x11-session.sh
. "$here/../scripts/x11-session.sh"
start_xvfb
echo "X server $DISPLAY; $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
timeout --kill-after=10 "${QB_OUTSIDE_TIMEOUT:-7200}" "$probe" "$@"
