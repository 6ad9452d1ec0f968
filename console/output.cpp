#include "console/output.h"

#include <algorithm>
#include <cerrno>

namespace console {

void flush(Console& c) {
    Output& out = c.out;
    if (out.used > 0 && out.error == 0 && !c.device.write(c.device.context, out.data, out.used)) {
        out.error = failure_errno();
    }
    out.used = 0;
}

namespace detail {

char* put(char* to, Fixed1 number) {
    return std::to_chars(to, to + most_bytes(number), number.value, std::chars_format::fixed, 1)
        .ptr;
}

void put_one(Console& c, std::string_view text) {
    Output& out = c.out;
    for (;;) {
        const std::size_t n =
            std::min(text.size(), (output_size - out.used) / (crlf_line_ends ? 2 : 1));
        out.used = static_cast<std::size_t>(put(out.data + out.used, text.substr(0, n)) - out.data);
        text.remove_prefix(n);
        if (text.empty()) return;
        flush(c);
    }
}

}  // namespace detail
}  // namespace console
