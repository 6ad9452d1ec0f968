// A console device over memory, for tests and the fuzzer: input from a
// string served in chunks of a chosen size, output into a string.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "console/console.h"

struct MemoryStream {
    std::string_view input{};
    // At most this many bytes a read, to move the buffer's edges around.
    std::size_t chunk = std::numeric_limits<std::size_t>::max();
    // Output beyond this many bytes fails as on a full disk.
    std::size_t output_limit = std::numeric_limits<std::size_t>::max();
    bool input_fails = false;

    std::size_t position = 0;
    std::string output{};
    std::size_t reads = 0;
    // How much output had been written when the last read began.
    std::size_t output_at_last_read = 0;
};

inline console::Device memory_device(MemoryStream& m) {
    auto read = [](void* context, char* buffer, std::size_t size) -> std::ptrdiff_t {
        auto& s = *static_cast<MemoryStream*>(context);
        ++s.reads;
        s.output_at_last_read = s.output.size();
        if (s.input_fails) {
            errno = EIO;
            return -1;
        }
        const std::size_t n = std::min({size, s.chunk, s.input.size() - s.position});
        std::memcpy(buffer, s.input.data() + s.position, n);
        s.position += n;
        return static_cast<std::ptrdiff_t>(n);
    };
    auto write = [](void* context, const char* data, std::size_t size) {
        auto& s = *static_cast<MemoryStream*>(context);
        if (s.output.size() + size > s.output_limit) {
            errno = ENOSPC;
            return false;
        }
        s.output.append(data, size);
        return true;
    };
    return {read, write, &m};
}
