#!/usr/bin/env bash
# Checks that every C++ file is formatted as .clang-format says; builds with warnings as errors
# and with AddressSanitizer and UndefinedBehaviorSanitizer, then runs every test through ctest;
# checks what the Release build installs and packages; then builds the libFuzzer targets with
# clang in a build of their own and runs them through ctest: each replays its kept inputs, then
# fuzzes for a few seconds (scripts/fuzz.sh TARGET SECONDS fuzzes one for longer). The builds are
# the presets of CMakePresets.json.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
qb_install_missing

git ls-files -z -- '*.cpp' '*.h' '*.c' | xargs -0 clang-format --dry-run --Werror

cmake --preset test
cmake --build --preset test
ctest --preset test -j "$(nproc)"

# The installed files and the Debian package come from the Release build run.sh makes.
cmake --preset release
cmake --build --preset release
scripts/check-install.sh build/release

cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz -j "$(nproc)"
