#include "console/output.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace console {
namespace detail {

// The C library's conversion, rather than C++'s, so that the program needs
// no C++ run-time library and starts that much sooner; the numeric locale
// is never changed from "C", so the point is a point. It is written in one
// place, the first line, never on the number path.
char* put(char* to, Fixed1 number) {
    char text[most_bytes(Fixed1{}) + 1];  // and the NUL
    const int n = std::snprintf(text, sizeof text, "%.1f", number.value);
    const std::size_t size = n > 0 ? static_cast<std::size_t>(n) : 0;
    std::memcpy(to, text, size);
    return to + size;
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
