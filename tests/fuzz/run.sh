#!/usr/bin/env bash
# run.sh FUZZER FUZZ_DIR TARGET SECONDS OUT [LIBFUZZER_OPTION...]
# Replays every kept input of TARGET (FUZZ_DIR/regressions/TARGET, then FUZZ_DIR/corpus/TARGET),
# then fuzzes from them for SECONDS. Inputs found along the way go to OUT/found, and an input that
# fails to OUT/, never into the repository. Exits non-zero on any failure.
set -euo pipefail
fuzzer="$1"
dir="$2"
target="$3"
seconds="$4"
out="$5"
shift 5

options=("$@")
dict="$dir/$target.dict"
[ -f "$dict" ] && options+=("-dict=$dict")
mkdir -p "$out/found"

kept=()
kept_dirs=()
for sub in regressions corpus; do
    [ -d "$dir/$sub/$target" ] || continue
    kept_dirs+=("$dir/$sub/$target")
    while IFS= read -r -d '' file; do
        kept+=("$file")
    done < <(find "$dir/$sub/$target" -type f -print0 | sort -z)
done
if [ ${#kept[@]} -eq 0 ]; then
    echo "No kept inputs for $target in $dir" >&2
    exit 1
fi

failed() {
    echo "fuzz_$target failed. Keep the input it names as a regression case:" >&2
    echo "  cp INPUT $dir/regressions/$target/" >&2
    exit 1
}

echo "Replaying ${#kept[@]} kept inputs of $target"
"$fuzzer" -artifact_prefix="$out/" "${options[@]}" "${kept[@]}" >"$out/replay.log" 2>&1 || {
    cat "$out/replay.log" >&2
    failed
}

echo "Fuzzing $target for $seconds s"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$out/" \
    "${options[@]}" "$out/found" "${kept_dirs[@]}" || failed
