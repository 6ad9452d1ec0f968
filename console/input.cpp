#include "console/input.h"

#include <cerrno>
#include <cstring>

namespace console {

bool refill(Console& c) {
    Input& in = c.in;
    flush(c);
    if (c.out.error != 0) in.ended = true;
    std::size_t got = 0;
    if (!in.ended) {
        const std::ptrdiff_t n = c.device.read(c.device.context, in.data, input_size);
        if (n < 0) in.error = failure_errno();
        if (n <= 0) in.ended = true;
        if (n > 0) got = static_cast<std::size_t>(n);
    }
    // Whatever the read brought, the bytes before the mark are the input's
    // last: when the mark comes first, as when it opens a read, the read
    // brought nothing.
    if (c.device.end_mark >= 0) {
        if (const void* mark = std::memchr(in.data, c.device.end_mark, got)) {
            got = static_cast<std::size_t>(static_cast<const char*>(mark) - in.data);
            in.ended = true;
        }
    }
    in.next = 0;
    in.end = got;
    in.data[got] = '\0';
    return got > 0;
}

}  // namespace console
