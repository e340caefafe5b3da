#!/usr/bin/env bash
# Builds Quirebox in Release and opens it on the book given, or on the demo book in examples/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"
source scripts/deps.sh
qb_install_missing

cmake --preset release
cmake --build --preset release

if [ $# -gt 0 ]; then
    book="$*"
else
    book="$here/examples/demo.qb"
fi
exec build/release/quirebox "$book"
