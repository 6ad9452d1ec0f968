// A device over memory, for the tests, the fuzzers and the benchmark: input
// from a string, handed over in reads of a chosen size, and output gathered
// in a string, with failures of either on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

}  // namespace console
