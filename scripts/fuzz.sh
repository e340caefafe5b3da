#!/usr/bin/env bash
# scripts/fuzz.sh TARGET [SECONDS]: builds the fuzz targets in build/fuzz and runs TARGET (book,
# note or cipher) through ctest: its kept inputs replayed, then SECONDS of fuzzing (300 unless
# given). ./test.sh sets the time back to its own few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
qb_install_missing

target="${1:?usage: scripts/fuzz.sh book|note|cipher [SECONDS]}"
seconds="${2:-300}"
build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DQB_WERROR=ON -DQB_FUZZ=ON -DQB_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "fuzz_$target"
ctest --test-dir "$build" -R "^fuzz_$target\$" --verbose
