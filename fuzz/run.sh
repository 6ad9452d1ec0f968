#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan, UBSan) and runs each fuzz
# target for SECONDS (default 60), side by side, each on a copy of its seed
# corpus so that fuzz/corpus/ stays as it is. A fault's input is kept in
# build-fuzz/artifacts/; replay it with `build-fuzz/fuzz/fuzz_NAME FILE`.
# Needs clang and libclang-rt-14-dev (Debian).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build-fuzz/artifacts

targets=(scan_int dialogue)
pids=()
for name in "${targets[@]}"; do
    cp -r "fuzz/corpus/$name" "$work/$name"
    build-fuzz/fuzz/fuzz_$name "$work/$name" -dict=fuzz/numbers.dict \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/artifacts/$name-" >"$work/$name.log" 2>&1 &
    pids+=($!)
done

failed=0
for i in "${!targets[@]}"; do
    name=${targets[$i]}
    if wait "${pids[$i]}"; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
        units=$(ls "$work/$name" | wc -l)
        echo "fuzz_$name: no fault in $runs runs of $seconds s; corpus $(ls "fuzz/corpus/$name" | wc -l) -> $units inputs"
    else
        failed=1
        echo "fuzz_$name: FAULT"
        grep -v '^#[0-9]' "$work/$name.log" | tail -40
    fi
done
exit $failed
