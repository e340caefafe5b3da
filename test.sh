#!/usr/bin/env bash
# Builds with warnings as errors and with AddressSanitizer and UndefinedBehaviorSanitizer, then
# runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
qb_install_missing

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DQB_WERROR=ON -DQB_SANITIZE=ON -DQB_BUILD_TESTS=ON -DQB_BUILD_BENCH=ON
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

# The installed files and the Debian package come from the Release build run.sh makes.
release=build/release
cmake -S . -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQB_BUILD_TESTS=OFF
cmake --build "$release" -j "$(nproc)"
scripts/check-install.sh "$release"
