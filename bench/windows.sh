#!/usr/bin/env bash
# Measures the Windows program as a filter, under Wine, against the dialogue
# written straight on the C runtime's stdio (bench/stdio_dialogue.c), both
# cross-built with MinGW-w64 for 32-bit Windows:
#
#   - wall-clock seconds of `wine PROGRAM < numbers.txt > report.txt` over
#     interleaved rounds (min, median, max), and numbers a second at the
#     median, start-up of the program under Wine included;
#   - how many writes each makes to its output file (strace).
#
#   bench/windows.sh [LINES]      LINES of the benchmark's mixed input
#                                 (default 200000)
#
# The figures are Wine's, not Windows': where the kernel cannot run 32-bit
# programs, Wine itself runs under QEMU's user-mode emulation as well (see
# .ci/windows, which sets that up). Needs g++-mingw-w64-i686, gcc-mingw-w64-i686,
# wine, wine32 and strace. BENCH_ROUNDS sets the rounds (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-200000}
rounds=${BENCH_ROUNDS:-5}

cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench --target make_input >/dev/null

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
# A prefix of its own, made before the first run, and one server for all.
mkdir -p "$WINEPREFIX"
wineserver -p
wine wineboot -i >/dev/null 2>&1

i686-w64-mingw32-gcc -std=c11 -O2 -s -o "$work/stdio.exe" bench/stdio_dialogue.c
programs=(build-windows-x86/bity.exe "$work/stdio.exe")
names=(bity.exe stdio)
build-bench/bench/make_input mixed "$lines" >"$work/numbers.txt"
wine "${programs[0]}" <"$work/numbers.txt" >"$work/report.txt"
numbers=$(grep -c 'Zadano ' "$work/report.txt" || true)

# run PROGRAM NAME: one filter run; appends its wall-clock seconds to
# $work/times.NAME.
run() {
    rm -f "$work/out.txt"
    local start=$EPOCHREALTIME
    wine "$1" <"$work/numbers.txt" >"$work/out.txt"
    local end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }' >>"$work/times.$2"
}
for ((round = 0; round < rounds; ++round)); do
    for ((k = 0; k < ${#programs[@]}; ++k)); do
        i=$(((k + round) % ${#programs[@]}))
        run "${programs[$i]}" "${names[$i]}"
    done
done

echo "wine PROGRAM < numbers.txt > report.txt: $lines lines, $numbers numbers; $rounds rounds, interleaved"
printf '  %-10s %8s %8s %8s %18s %8s\n' program min median max "numbers/s, median" writes
for ((i = 0; i < ${#programs[@]}; ++i)); do
    read -r min median max < <(sort -n "$work/times.${names[$i]}" |
        awk '{ t[NR] = $1 } END { print t[1], t[int((NR + 1) / 2)], t[NR] }')
    strace -f -y -e trace=write -o "$work/strace.txt" wine "${programs[$i]}" \
        <"$work/numbers.txt" >"$work/out.txt"
    writes=$(grep -c "^[0-9]* *write([0-9]*<$work/out.txt>" "$work/strace.txt" || true)
    printf '  %-10s %8s %8s %8s %18s %8s\n' "${names[$i]}" "$min" "$median" "$max" \
        "$(awk -v n="$numbers" -v t="$median" 'BEGIN { printf "%d", n / t }')" "$writes"
done
