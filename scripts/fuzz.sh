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
cmake --preset fuzz -DQB_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build --preset fuzz --target "fuzz_$target"
ctest --preset fuzz -R "^fuzz_$target\$" --verbose
