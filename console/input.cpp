#include "console/input.h"

#include <cerrno>
#include <cstring>

#include "console/output.h"

namespace console {

bool refill(Console& c) {
    Input& in = c.in;
    flush(c);
    if (c.out.error != 0) in.ended = true;
    if (in.ended) return false;
    const std::ptrdiff_t n = c.device.read(c.device.context, in.data, input_size);
    if (n <= 0) {
        in.ended = true;
        if (n < 0) in.error = failure_errno();
        return false;
    }
    in.next = 0;
    in.end = static_cast<std::size_t>(n);
    if (c.device.end_mark >= 0) {
        if (const void* mark = std::memchr(in.data, c.device.end_mark, in.end)) {
            in.end = static_cast<std::size_t>(static_cast<const char*>(mark) - in.data);
            in.ended = true;
        }
    }
    in.data[in.end] = '\0';
    return in.end > 0;
}

}  // namespace console
