#include "console/memory_device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace console {
namespace {

std::ptrdiff_t read_memory(void* context, char* buffer, std::size_t size) {
    auto& m = *static_cast<MemoryDevice*>(context);
    ++m.reads;
    m.output_at_last_read = m.output.size();
    if (m.failing_read != 0 && m.reads >= m.failing_read) {
        errno = EIO;
        return -1;
    }
    const std::size_t n = std::min({size, m.chunk, m.input.size() - m.position});
    std::memcpy(buffer, m.input.data() + m.position, n);
    m.position += n;
    return static_cast<std::ptrdiff_t>(n);
}

bool write_memory(void* context, const char* data, std::size_t size) {
    auto& m = *static_cast<MemoryDevice*>(context);
    ++m.writes;
    if (size > m.output_limit - std::min(m.output_limit, m.output.size())) {
        errno = ENOSPC;
        return false;
    }
    m.output.append(data, size);
    return true;
}

}  // namespace

Device memory_device(MemoryDevice& m) {
    return {read_memory, write_memory, nullptr, &m, m.end_mark};
}

}  // namespace console
