#!/usr/bin/env bash
# Measures bity as a filter and checks it against its targets:
#
#   - 1,000,000 mixed lines (decimal, hexadecimal, octal, negative, several
#     numbers on a line, bad lines), `bity < numbers.txt > report.txt`:
#     at least 5 million numbers a second (best of 5 runs, wall clock), fewer
#     than 2,000 system calls for the whole run (strace -c), peak resident
#     memory under 8 MiB (GNU time);
#   - huge inputs piped in as they are made: a 1 GiB text line, a 1 GiB line
#     of letters after a bad number, a number with 100 million leading zeros:
#     the right output, peak resident memory under 8 MiB, and linear time
#     (the full size costs at most twice as much a byte as a quarter of it);
#   - Google Benchmark of the routines, the conversion, the result line and
#     the dialogue in memory (reported, not checked).
#
# The inputs are generated here, the same bytes on every run. Builds the
# bench preset (build-bench/) first. Needs cmake, ninja, g++, Google
# Benchmark, strace and GNU time (Debian: libbenchmark-dev strace time).
# Exits 1 if a target is missed.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
bity=build-bench/bity
make_input=build-bench/bench/make_input

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
verdict() {  # verdict NAME MEASURED TARGET OK
    local mark=ok
    if [[ $4 != 1 ]]; then mark=MISSED; failures=$((failures + 1)); fi
    printf '  %-44s %18s   target %-14s %s\n' "$1" "$2" "$3" "$mark"
}
# Wall-clock targets depend on what else the machine is doing; with
# BENCH_TIMING=report they are shown but do not fail the run (CI does this,
# so that a busy machine cannot fail a submission; counts and memory still do).
timing_verdict() {
    if [[ ${BENCH_TIMING:-} == report && $4 != 1 ]]; then
        printf '  %-44s %18s   target %-14s %s\n' "$1" "$2" "$3" "missed (reported only)"
    else
        verdict "$@"
    fi
}
# Wall-clock seconds of a command, to the millisecond.
seconds() {
    local TIMEFORMAT=%3R
    { time "$@" >/dev/null 2>&1; } 2>&1
}
is_less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# --- 1,000,000 mixed lines ---------------------------------------------------
lines=1000000
"$make_input" mixed $lines >"$work/numbers.txt"
"$bity" <"$work/numbers.txt" >"$work/report.txt"
numbers=$(grep -c '^Zadej cislo: Zadano ' "$work/report.txt" || true)
errors=$(grep -c '^Zadej cislo: Chybne zadani!$' "$work/report.txt" || true)
input_bytes=$(stat -c %s "$work/numbers.txt")
output_bytes=$(stat -c %s "$work/report.txt")

run_filter() { "$bity" <"$work/numbers.txt" >"$work/report.txt"; }
best=
for _ in 1 2 3 4 5; do
    t=$(seconds run_filter)
    if [[ -z $best ]] || is_less "$t" "$best"; then best=$t; fi
done
rate=$(awk -v n="$numbers" -v t="$best" 'BEGIN { printf "%d", n / t }')

strace -c -o "$work/strace.txt" "$bity" <"$work/numbers.txt" >"$work/report.txt"
syscalls=$(awk '$NF == "total" { print $4 }' "$work/strace.txt")
peak=$(/usr/bin/time -f %M "$bity" <"$work/numbers.txt" 2>&1 >"$work/report.txt")

echo "bity < numbers.txt > report.txt: $lines lines, $input_bytes bytes in, $output_bytes bytes out,"
echo "  $numbers numbers and $errors error lines; best of 5 runs $best s"
timing_verdict "numbers a second" "$rate" ">= 5000000" "$(awk -v r="$rate" 'BEGIN { print (r >= 5000000) }')"
verdict "system calls, whole run (strace -c)" "$syscalls" "< 2000" "$(awk -v s="$syscalls" 'BEGIN { print (s < 2000) }')"
verdict "peak resident memory, KiB" "$peak" "< 8192" "$(awk -v p="$peak" 'BEGIN { print (p < 8192) }')"
echo "  system calls by kind:"
awk 'NR > 2 && $NF != "total" && $1 !~ /^-/ { print $4, $NF }' "$work/strace.txt" |
    sort -rn | awk '{ printf "    %-16s %s\n", $2, $1 }'

# --- huge inputs -------------------------------------------------------------
header='Maxinalni prvek je na 2. pozici, hodnota maxima je 1000.0.'
empty_text='Zadej retez: Retez  obsahuje 0 mezer.'
five='Zadej cislo: Zadano 00000005, Y=A0000000, pocet bitu v 1 2'
a99=$(printf '%99s' '' | tr ' ' a)
expected_long_text=$(printf '%s\n' "$header" "Zadej retez: Retez $a99 obsahuje 0 mezer." "$five" 'Zadej cislo: ')
expected_bad_line=$(printf '%s\n' "$header" "$empty_text" 'Zadej cislo: Chybne zadani!' "$five" 'Zadej cislo: ')
expected_zeros=$(printf '%s\n' "$header" "$empty_text" \
    'Zadej cislo: Zadano 0000000F, Y=F0000000, pocet bitu v 1 4' "$five" 'Zadej cislo: ')

# huge KIND SIZE: runs the program on that input; sets h_seconds and h_peak.
huge() {
    "$make_input" "$1" "$2" |
        /usr/bin/time -f '%e %M' -o "$work/time.txt" "$bity" >"$work/huge.txt"
    read -r h_seconds h_peak <"$work/time.txt"
}

echo
echo "Huge inputs, piped in as they are made (GNU time: wall seconds, peak KiB):"
for item in "long-text 1073741824 1 GiB text line" \
    "bad-line 1073741824 1 GiB line of letters after a bad number" \
    "zeros 100000000 100 million leading zeros"; do
    read -r kind size what <<<"$item"
    huge "$kind" $((size / 4))
    quarter_seconds=$h_seconds
    huge "$kind" "$size"
    expected_var="expected_${kind//-/_}"
    right=0
    if [[ $(cat "$work/huge.txt") == "${!expected_var}" ]]; then right=1; fi
    mib_s=$(awk -v s="$size" -v t="$h_seconds" 'BEGIN { printf "%.0f", s / 1048576 / (t > 0 ? t : 0.01) }')
    echo "  $what: $h_seconds s ($mib_s MiB/s; a quarter of it: $quarter_seconds s)"
    verdict "  output right" "$([[ $right == 1 ]] && echo yes || echo no)" "yes" "$right"
    verdict "  peak resident memory, KiB" "$h_peak" "< 8192" "$(awk -v p="$h_peak" 'BEGIN { print (p < 8192) }')"
    # Linear: four times the bytes in at most 8 times the time (with 0.1 s
    # of slack for short runs).
    timing_verdict "  time for 4x the bytes, s" "$h_seconds" "<= 8x $quarter_seconds" \
        "$(awk -v f="$h_seconds" -v q="$quarter_seconds" 'BEGIN { print (f <= 8 * q + 0.1) }')"
done

# --- Google Benchmark --------------------------------------------------------
echo
echo "Google Benchmark, in memory (no system calls):"
build-bench/bench/bity_bench --benchmark_min_time=0.3 2>/dev/null | sed -n '/^---/,$p'

echo
if ((failures > 0)); then
    echo "bench: $failures target(s) missed"
    exit 1
fi
echo "bench: all targets met"
