#include "tests/support/memory_console.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "console/input.h"

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

Console& fresh_console(Device d) {
    static std::optional<Console> console;
    return console.emplace(d);
}

int get_char(Console& c) {
    if (c.in.next == c.in.end && !refill(c)) return no_byte;
    return static_cast<unsigned char>(c.in.data[c.in.next++]);
}

std::string rest_of_input(Console& c) {
    std::string rest;
    for (int byte = get_char(c); byte != no_byte; byte = get_char(c))
        rest += static_cast<char>(byte);
    return rest;
}

}  // namespace console
