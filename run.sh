#!/usr/bin/env bash
# Builds Quirebox in Release and opens it on the book given, or on the demo book in examples/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"
source scripts/deps.sh
qb_install_missing

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQB_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)"

if [ $# -gt 0 ]; then
    book="$*"
else
    book="$here/examples/demo.qb"
fi
exec "$build/quirebox" "$book"
