// A console over memory, for the tests, the fuzzers and the benchmark: input
// from a string, handed over in reads of a chosen size, and output gathered
// in a string, with failures of either on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "console/console.h"
#include "console/device.h"

namespace console {

struct MemoryDevice {
    std::string_view input{};
    // At most this many bytes a read, to move the input buffer's edges.
    std::size_t chunk = SIZE_MAX;
    // Output beyond this many bytes fails as on a full disk (ENOSPC).
    std::size_t output_limit = SIZE_MAX;
    // This read, counted from 1, and every later one fail with EIO; 0 for
    // none.
    std::size_t failing_read = 0;
    // The device's end mark (Device::end_mark), as Windows' Ctrl-Z; -1 for
    // none.
    int end_mark = -1;

    // What the layer did with it.
    std::size_t position = 0;  // how much of `input` has been read
    std::string output{};
    std::size_t reads = 0;
    std::size_t writes = 0;
    std::size_t output_at_last_read = 0;  // how much output there was then
};

Device memory_device(MemoryDevice& m);

// A console on `d`, made anew in the one place kept for it, which it
// takes over from the console made by the call before: its 384 KiB are too
// large for a stack, and allocating them at every run of a fuzz target or
// a benchmark would cost more than the run.
Console& fresh_console(Device d);

inline Console& fresh_console(MemoryDevice& m) {
    return fresh_console(memory_device(m));
}

// What get_char() returns at the end of input.
inline constexpr int no_byte = -1;

// The next byte of input (0 to 255), taken, or no_byte: how the tests read
// what the scans left.
int get_char(Console& c);

// Everything the console has not yet handed out.
std::string rest_of_input(Console& c);

}  // namespace console
