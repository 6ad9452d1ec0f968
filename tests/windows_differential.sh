#!/usr/bin/env bash
# The Windows program against the Linux one: runs both on the same inputs,
# generated here, the Windows program under Wine, and compares their exit
# status and their output, the Linux program's line ends made CR LF as the
# Windows program writes them:
#
#   - 150,000 of the benchmark's mixed lines (bench/input.h), with CR LF line
#     ends, plus signs, tabs, blanks, blank lines, numbers out of range and
#     words mixed in: from a file, and through a pipe in pieces of odd sizes,
#     each of which the program reads on its own;
#   - Ctrl-Z (0x1A), which ends the input on Windows, right after each kind
#     of token and in the text line, as the first byte of a read and one byte
#     either side of it: in a file at 128 KiB (the program reads 128 KiB a
#     read), and in a pipe where a read of the program's begins.
#     The Linux program, for which the byte is no mark, is given the bytes
#     before it alone.
#
#   tests/windows_differential.sh LINUX_PROGRAM WINDOWS_PROGRAM MAKE_INPUT
#
# MAKE_INPUT is the benchmark's input generator (bench/make_input.cpp). Each
# difference is shown with its input and the first line that differs, and
# any makes the exit status 1. Needs wine and perl; runs in a Wine prefix of
# its own, which it removes however it ends.
set -euo pipefail
if (($# != 3)); then
    echo "usage: tests/windows_differential.sh LINUX_PROGRAM WINDOWS_PROGRAM MAKE_INPUT" >&2
    exit 2
fi
linux_program=$1 windows_program=$2 make_input=$3
# Bytes as bytes, in the generator's awk and in the comparison's.
export LC_ALL=C

work=$(mktemp -d)
# No debugger for a program that crashes: Wine's would spend seconds writing
# its report into the output, which differs anyway.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# The server leaves this script's process group: it is stopped here, also
# when the script is stopped (exit runs the EXIT trap).
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
start=$EPOCHREALTIME

# A prefix made before the first run, and one server for all of them.
mkdir -p "$WINEPREFIX"
wineserver -p
wine wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }

# feed FILE CUT...: writes FILE to standard output, a pipe, and before the
# byte at each CUT (in increasing order) waits until the reader has taken
# every byte written, so that the reader's next read begins at the CUT.
# Perl, which every Debian has (perl-base is essential), can ask the pipe
# how much it holds: FIONREAD, 0x541B on Linux. A reader that has gone ends
# the feeding; one that stops reading is waited for 30 seconds a cut.
feed() {
    perl - "$@" <<'PERL'
use strict;
use warnings;
my ($file, @cuts) = @ARGV;
open(my $in, '<:raw', $file) or die "feed: $file: $!\n";
my $data = do { local $/; <$in> };
$SIG{PIPE} = 'IGNORE';
my $at = 0;
for my $cut (@cuts, length $data) {
    while ($at < $cut) {
        my $written = syswrite(STDOUT, $data, $cut - $at, $at);
        exit 0 if !defined $written;
        $at += $written;
    }
    last if $at == length $data;
    for (my $waited = 0; $waited < 30000; ++$waited) {
        my $held = pack('i', 0);
        ioctl(STDOUT, 0x541B, $held) or die "feed: FIONREAD: $!\n";
        last if unpack('i', $held) == 0;
        select(undef, undef, undef, 0.001);
    }
}
PERL
}

# run_linux FILE BYTES: the Linux program on the first BYTES of FILE, its
# output with CR LF line ends into $work/expected, its status into
# expected_status.
expected_status=0
run_linux() {
    expected_status=0
    head -c "$2" "$1" >"$work/before"
    "$linux_program" <"$work/before" >"$work/linux.txt" || expected_status=$?
    sed 's/$/\r/' "$work/linux.txt" >"$work/expected"
}

# run_windows [CUT...]: the Windows program on $work/input, from the file, or
# through a pipe with its reads beginning at the CUTs; its output into
# $work/actual, its standard error into $work/errors, its status into
# actual_status. A program that hangs is stopped after two minutes.
actual_status=0
run_windows() {
    local run=(timeout --foreground 120 wine "$windows_program")
    actual_status=0
    if (($# == 0)); then
        "${run[@]}" <"$work/input" >"$work/actual" 2>"$work/errors" || actual_status=$?
    else
        local statuses=(0 0)
        feed "$work/input" "$@" | "${run[@]}" >"$work/actual" 2>"$work/errors" ||
            statuses=("${PIPESTATUS[@]}")
        if ((statuses[0] != 0)); then
            echo "feeding the pipe failed (status ${statuses[0]})" >&2
            exit 1
        fi
        actual_status=${statuses[1]}
    fi
}

# compare NAME: the Windows program's status and output against the Linux
# program's; a difference is counted and shown with the first line that
# differs (control characters made visible, CR as ^M).
failures=0 compared=0
compare() {
    compared=$((compared + 1))
    if [[ $expected_status == "$actual_status" ]] && cmp -s "$work/expected" "$work/actual"; then
        return 0
    fi
    failures=$((failures + 1))
    echo "DIFFERS: $1"
    if [[ $expected_status != "$actual_status" ]]; then
        echo "  exit status: Linux $expected_status, Windows $actual_status"
        sed -n '1s/^/  Windows standard error: /p' "$work/errors" | cut -c 1-160
    fi
    awk -v other="$work/actual" '
        function report(number, ours, theirs) {
            print "  first differing line, " number ":"
            print "    Linux:   " ours
            print "    Windows: " theirs
            reported = 1
        }
        {
            if ((getline theirs <other) <= 0) theirs = "(output ended)"
            if ($0 != theirs) {
                report(FNR, $0, theirs)
                exit
            }
        }
        END {
            if (reported) exit
            if ((getline theirs <other) > 0) report(FNR + 1, "(output ended)", theirs)
            else print "  the same lines, but for the last line end"
        }' "$work/expected" | cut -c 1-160 | cat -v
}

# --- Numbers ------------------------------------------------------------------
# The benchmark's mixed lines, with what they lack mixed in by line number,
# the same on every run: CR LF line ends (the text line's too), a plus sign
# on a first number, tabs for blanks, blanks before a line, digits after its
# last token (a number out of range, or another), a word after it, and
# blank lines.
"$make_input" mixed 150000 | awk '
    NR == 1 { printf "%s\r\n", $0; next }
    NR % 7 == 2 { sub(/^[0-9]/, "+&") }
    NR % 5 == 3 { gsub(/ /, "\t") }
    NR % 11 == 4 { $0 = " \t " $0 }
    NR % 13 == 6 { $0 = $0 "99999" }
    NR % 17 == 8 { $0 = $0 " slovo 9" }
    NR % 19 == 9 { printf "\r\n\n" }
    { printf "%s%s\n", $0, NR % 3 == 1 ? "\r" : "" }' >"$work/numbers"
cp "$work/numbers" "$work/input"
run_linux "$work/input" "$(stat -c %s "$work/input")"
converted=$(grep -c 'Zadano ' "$work/expected" || true)
refused=$(grep -c 'Chybne zadani!' "$work/expected" || true)
run_windows
compare "the numbers, from a file"
# Pieces of odd sizes, from one byte to past a read: reads end within
# numbers, between a CR and its LF, and across the program's own reads.
cuts=() at=0 i=0
sizes=(1 2 3 5 8 13 4093 8191 16411 65521 65537 131071 131072 131073 200003)
total=$(stat -c %s "$work/input")
while true; do
    at=$((at + sizes[i % ${#sizes[@]}]))
    ((at < total)) || break
    cuts+=("$at")
    i=$((i + 1))
done
run_windows "${cuts[@]}"
compare "the numbers, through a pipe in $((${#cuts[@]} + 1)) pieces"

# --- Ctrl-Z -------------------------------------------------------------------
# The tokens the mark follows, as printf writes them: numbers, signs and
# prefixes alone or begun, numbers out of range, words, blanks, line ends.
tokens=(1 12 - + 0 0x -0x +0x 0x1f 0X1F 07 08 -12 +12 4294967296 0x100000000 -2147483649
    ahoj 12abc 0xg ' ' '\t' '\n' '\r\n' '\r')
# And in the text line, which comes first: after a letter, a blank, its CR,
# its line end.
text_tokens=(a ' ' '\r' '\n' '\r\n')
# What comes after the mark, which the program must not read.
after='   77\r\n0x10 ahoj\n'
awk 'BEGIN { while (n++ < 16000) printf "dobry den, svete " }' >"$work/text"

# mark_input SOURCE TOKEN MARK: into $work/input, bytes of SOURCE (the
# numbers or the text), TOKEN, the mark at byte MARK and what comes after
# it. Before a number's token comes a line end, so that it stands alone.
mark_input() {
    local token_bytes
    token_bytes=$(printf -- "$2" | wc -c)
    {
        if [[ $1 == numbers ]]; then
            head -c $(($3 - token_bytes - 1)) "$work/numbers"
            printf '\n'
        else
            head -c $(($3 - token_bytes)) "$work/text"
        fi
        printf -- "$2"
        printf '\032'
        printf -- "$after"
    } >"$work/input"
}

# mark_cases SOURCE TOKEN WHERE INDEX: the mark after TOKEN (the INDEX-th
# of its SOURCE, WHERE in words), from a file at a read's first byte and
# either side of it, and through a pipe where a read begins and either side
# of it. In a pipe the mark comes early, at a byte that INDEX moves on: in
# the text line among the bytes it keeps, among the numbers after a few
# lines of them.
marks=0
mark_cases() {
    local name="Ctrl-Z after \"$2\" $3" mark d
    for mark in 131071 131072 131073; do
        mark_input "$1" "$2" "$mark"
        run_linux "$work/input" "$mark"
        run_windows
        compare "$name, at byte $mark of a file"
    done
    mark=$([[ $1 == numbers ]] && echo $((1000 + 97 * $4)) || echo $((40 + 9 * $4)))
    mark_input "$1" "$2" "$mark"
    run_linux "$work/input" "$mark"
    for d in -1 0 1; do
        run_windows $((mark + d))
        compare "$name, at byte $mark of a pipe, a read beginning at byte $((mark + d))"
    done
    marks=$((marks + 1))
}
for i in "${!tokens[@]}"; do mark_cases numbers "${tokens[i]}" "among the numbers" "$i"; done
for i in "${!text_tokens[@]}"; do mark_cases text "${text_tokens[i]}" "in the text line" "$i"; done
# And as the input's first byte, which opens the first read.
mark_input text '' 0
run_linux "$work/input" 0
run_windows
compare "Ctrl-Z as the first byte of a file"

seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f", b - a }')
echo "windows differential: $converted numbers converted and $refused refused, from a file and" \
    "through a pipe; Ctrl-Z after $marks kinds of token, $((marks * 6 + 1)) runs;" \
    "$compared comparisons, $failures differing; $seconds s"
((failures == 0))
