#include "console/scan.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "console/input.h"

namespace console {
namespace {

// The white space of "%i": C's isspace in the C locale, which is the blank
// and the bytes 9 to 13 (tab, LF, vertical tab, form feed, CR).
constexpr bool is_space(unsigned char byte) {
    constexpr std::uint64_t spaces =
        1ull << ' ' | 1ull << '\t' | 1ull << '\n' | 1ull << '\v' | 1ull << '\f' | 1ull << '\r';
    return byte <= ' ' && ((spaces >> byte) & 1) != 0;
}

// The value of each byte as a hexadecimal digit; 16 for none.
constexpr auto hex_values = [] {
    std::array<unsigned char, 256> values{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned value = 16;
        if (byte >= '0' && byte <= '9') value = byte - '0';
        if (byte >= 'a' && byte <= 'f') value = byte - 'a' + 10;
        if (byte >= 'A' && byte <= 'F') value = byte - 'A' + 10;
        values[byte] = static_cast<unsigned char>(value);
    }
    return values;
}();

// The value of `byte` as a digit of `base`, or `base` or more for none.
template <unsigned base>
unsigned digit_value(unsigned char byte) {
    if constexpr (base <= 10) {
        return static_cast<unsigned>(byte - '0');  // wraps around below '0'
    } else {
        return hex_values[byte];
    }
}

// Adds the digits of `base` at `p` to `magnitude`, which stops growing at
// `ceiling`; returns where they end. The base is fixed for the loop, so that
// its multiplication is a shift or two.
template <unsigned base>
const unsigned char* add_digits(const unsigned char* p, std::uint64_t& magnitude,
                                std::uint64_t ceiling) {
    std::uint64_t m = magnitude;
    for (unsigned digit; (digit = digit_value<base>(*p)) < base; ++p)
        m = std::min(m * base + digit, ceiling);
    magnitude = m;
    return p;
}

// The buffer's bytes as the scans compare them: 0 to 255.
const unsigned char* bytes(const Input& in) {
    return reinterpret_cast<const unsigned char*>(in.data);
}

}  // namespace

bool read_line(Console& c, char* s, std::size_t size) {
    Input& in = c.in;
    std::size_t stored = 0;
    std::size_t length = 0;  // of the whole line, however much of it is stored
    char last = '\0';
    for (;;) {
        if (in.next == in.end && !refill(c)) break;
        const char* first = in.data + in.next;
        const std::size_t available = in.end - in.next;
        const auto* line_end = static_cast<const char*>(std::memchr(first, '\n', available));
        const std::size_t n =
            line_end != nullptr ? static_cast<std::size_t>(line_end - first) : available;
        const std::size_t kept = std::min(n, size - 1 - stored);
        std::memcpy(s + stored, first, kept);
        stored += kept;
        length += n;
        if (n > 0) last = first[n - 1];
        in.next += n;
        if (line_end != nullptr) {
            ++in.next;
            // A CR right before the LF belongs to the line end (Windows'),
            // if it was stored at all.
            if (last == '\r' && stored == length) --stored;
            break;
        }
    }
    s[stored] = '\0';
    return in.error == 0;
}

int scan_int(Console& c, std::int32_t& x) {
    Input& in = c.in;
    // The scan runs on a pointer into the buffer, which stops on the NUL
    // after the last byte; only where it stops does it look whether it has
    // reached the end and must refill. After a refill that fails it points
    // at that NUL again, which is nothing that goes on with a number.
    const unsigned char* p = bytes(in) + in.next;
    const unsigned char* end = bytes(in) + in.end;
    const auto more = [&] {
        if (p != end) return true;
        in.next = in.end;
        if (!refill(c)) return false;
        p = bytes(in);
        end = p + in.end;
        return true;
    };

    for (;;) {
        while (is_space(*p))
            ++p;
        if (p != end) break;
        if (!more()) return end_of_input;
    }

    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
        more();
    }
    unsigned base = 10;
    bool have_digits = false;
    if (*p == '0') {
        ++p;
        more();
        base = 8;
        have_digits = true;
        if (*p == 'x' || *p == 'X') {
            ++p;
            more();
            base = 16;
            have_digits = false;
        }
    }

    // The magnitude stops growing one past the largest the sign allows, so
    // any number of digits is read in one pass without overflow.
    const std::uint64_t limit = negative ? 0x8000'0000u : 0xFFFF'FFFFu;
    std::uint64_t magnitude = 0;
    do {
        const unsigned char* const first = p;
        p = base == 10   ? add_digits<10>(p, magnitude, limit + 1)
            : base == 16 ? add_digits<16>(p, magnitude, limit + 1)
                         : add_digits<8>(p, magnitude, limit + 1);
        have_digits = have_digits || p != first;
    } while (p == end && more());
    in.next = static_cast<std::size_t>(p - bytes(in));

    if (in.error != 0) return end_of_input;  // the number may have been cut short
    if (!have_digits || magnitude > limit) return 0;
    const auto value = static_cast<std::uint32_t>(magnitude);
    x = static_cast<std::int32_t>(negative ? 0u - value : value);
    return 1;
}

void skip_line(Console& c) {
    Input& in = c.in;
    while (in.next != in.end || refill(c)) {
        const char* first = in.data + in.next;
        const auto* line_end = static_cast<const char*>(std::memchr(first, '\n', in.end - in.next));
        if (line_end != nullptr) {
            in.next += static_cast<std::size_t>(line_end - first) + 1;
            return;
        }
        in.next = in.end;
    }
}

}  // namespace console
