// The console layer: buffered standard input and output under the dialogue.
// Its state is one Console, made by `main` on the device it chooses; the
// conversions that read from it are in scan.h, the output it writes in
// output.h.
//
// All input comes through one buffer and all output goes through another.
// Output is written when its buffer is full, when the layer is closed, and
// right before each read, since a read may wait for the person at the
// terminal: a prompt is on screen before the program waits for its answer,
// while a filter run costs one read or write per buffer, not per number.
#pragma once

#include <cstddef>

#include "console/device.h"

namespace console {

// A pipe hands over at most 64 KiB a read, a file as much as is asked for.
// Output, several times as large as its input, is written a quarter of a
// mebibyte at a time: a buffer that stays in the processor's cache costs
// far less to fill, a filter run of a million lines still makes only a few
// hundred writes.
inline constexpr std::size_t input_size = std::size_t{128} * 1024;
inline constexpr std::size_t output_size = std::size_t{256} * 1024;

// Neither buffer is cleared when made: each byte is written before it is
// used (the scans may load bytes past the NUL, whose values decide nothing),
// and clearing would write all 384 KiB at every start. The input's counts
// come before its buffer: after it, they would leave 64 bytes less padding,
// but the code would reach them at longer offsets, and be larger for it.
//
// What holds after every refill (input.h), whatever came of its read (bytes,
// the end of input, the device's end mark, a failure): data[next, end) are
// the bytes read and not yet taken, and data[end] is the NUL. A refill that
// brings no byte leaves next == end == 0. A refill is asked for only once
// every byte is taken, and may read over all of `data`: a pointer into it
// from before the refill points at nothing, so the scans take theirs from
// next and end again after each one.
// NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init, clang-analyzer-optin.performance.Padding)
struct Input {
    std::size_t next = 0;
    std::size_t end = 0;
    bool ended = false;  // for good: a terminal's end of input ends the run
    int error = 0;       // errno of the read that failed, if one did
    // data[end] is always a NUL, which the scans take neither for white space
    // nor for a digit: they stop on it and only then look whether they have
    // reached the end, rather than checking the bound at every byte. They
    // may load the 8 bytes from any byte up to it at once.
    alignas(64) char data[input_size + 8];
};

struct Output {  // NOLINT(cppcoreguidelines-pro-type-member-init): data, see above
    std::size_t used = 0;
    int error = 0;  // errno of the write that failed; output is dropped after it
    alignas(64) char data[output_size];
};

// The layer's state: 384 KiB, a large part of the 1 MiB a Windows thread
// has for its whole stack, so it is made static or on the heap. Nothing
// else is kept. It is never copied; it holds nothing to free or move.
struct Console {  // NOLINT(cppcoreguidelines-special-member-functions): see above
    explicit Console(Device d) : device(d) { in.data[0] = '\0'; }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    Device device;
    Input in;
    Output out;
};

// Which stream failed first, if one did, and its errno.
struct Status {
    const char* failed_stream;  // "standard input", "standard output", or null
    int error;
};

// Writes out what is pending: before every read (input.h), when the output
// buffer is full, and at the finish. After a failed write, output is
// dropped.
void flush(Console& c);

// Writes what is pending, finishes the device and says how it all went.
Status finish(Console& c);

}  // namespace console
