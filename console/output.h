// What the dialogue writes: text, and numbers in the three notations it
// shows them in. `print` takes text and these pieces and nothing else, so
// every piece of output is checked when it is compiled, and nothing is
// parsed as it runs.
#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "console/console.h"

namespace console {

// Eight upper-case hexadecimal digits with leading zeros: all 32 bits.
struct Hex8 {
    std::uint32_t value;
};
// Signed decimal, with as many digits as it takes.
struct Decimal {
    std::int32_t value;
};
// Fixed-point with one decimal and the point as separator.
struct Fixed1 {
    double value;
};

constexpr Hex8 hex8(std::uint32_t value) {
    return {value};
}
constexpr Decimal decimal(std::int32_t value) {
    return {value};
}
constexpr Fixed1 fixed1(double value) {
    return {value};
}

namespace detail {

// The pieces as `print` takes them in: text as a string_view, numbers as
// they are.
inline std::string_view piece(std::string_view text) {
    return text;
}
constexpr Hex8 piece(Hex8 number) {
    return number;
}
constexpr Decimal piece(Decimal number) {
    return number;
}
constexpr Fixed1 piece(Fixed1 number) {
    return number;
}

// Where lines end in CR LF, each LF of a text is written as both, into the
// buffer, so that the system is handed whole buffers as elsewhere.
#ifdef _WIN32
inline constexpr bool crlf_line_ends = true;
#else
inline constexpr bool crlf_line_ends = false;
#endif

// The most bytes a piece can take.
inline std::size_t most_bytes(std::string_view text) {
    return crlf_line_ends ? 2 * text.size() : text.size();
}
constexpr std::size_t most_bytes(Hex8) {
    return 8;
}
constexpr std::size_t most_bytes(Decimal) {
    return 11;  // "-2147483648"
}
constexpr std::size_t most_bytes(Fixed1) {
    // A sign, the digits of the largest double, the point and one decimal.
    return 1 + std::numeric_limits<double>::max_exponent10 + 1 + 2;
}

// Each puts its piece at `to`, which has room for most_bytes() of it, and
// returns where the piece ends. They are inlined wherever they are used, so
// that a line is put together in one stretch of code.
[[gnu::always_inline]] inline char* put(char* to, std::string_view text) {
    if constexpr (crlf_line_ends) {
        for (const char c : text) {
            if (c == '\n') *to++ = '\r';
            *to++ = c;
        }
        return to;
    }
    std::memcpy(to, text.data(), text.size());
    return to + text.size();
}

// "00" to "FF": two digits a byte. Taken a digit at a time instead, the
// filter run of 1,511,930 mixed numbers took 52.8 ms of processor time
// against 44.3 ms (medians of 41 interleaved rounds, x86-64, GCC 12.2,
// commit 20cb851).
inline constexpr auto hex_pairs = [] {
    std::array<char, 512> pairs{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
        pairs[2 * byte] = "0123456789ABCDEF"[byte >> 4];
        pairs[2 * byte + 1] = "0123456789ABCDEF"[byte & 15];
    }
    return pairs;
}();

[[gnu::always_inline]] inline char* put(char* to, Hex8 number) {
    const std::size_t v = number.value;
    std::memcpy(to, &hex_pairs[2 * (v >> 24)], 2);
    std::memcpy(to + 2, &hex_pairs[2 * ((v >> 16) & 0xFF)], 2);
    std::memcpy(to + 4, &hex_pairs[2 * ((v >> 8) & 0xFF)], 2);
    std::memcpy(to + 6, &hex_pairs[2 * (v & 0xFF)], 2);
    return to + 8;
}

// "0" to "99", two bytes each; one digit is followed by a byte that does not
// count.
inline constexpr auto small_numbers = [] {
    std::array<char, 200> numbers{};
    for (std::size_t n = 0; n < 100; ++n) {
        numbers[2 * n] = static_cast<char>(n < 10 ? '0' + n : '0' + n / 10);
        numbers[2 * n + 1] = static_cast<char>(n < 10 ? ' ' : '0' + n % 10);
    }
    return numbers;
}();

[[gnu::always_inline]] inline char* put(char* to, Decimal number) {
    // Numbers below 100 (every count the dialogue shows) without a branch on
    // how many digits they have, which a run of mixed numbers would mispredict
    // every other time. With std::to_chars for them too, the filter run of
    // 1,511,930 mixed numbers took 52.9 ms of processor time against 44.3 ms
    // (as above).
    if (number.value >= 0 && number.value < 100) {
        const auto n = static_cast<std::size_t>(number.value);
        std::memcpy(to, &small_numbers[2 * n], 2);
        return to + 1 + (n >= 10);  // NOLINT(readability-implicit-bool-conversion): no branch
    }
    return std::to_chars(to, to + most_bytes(number), number.value).ptr;
}

char* put(char* to, Fixed1 number);

// A piece for which the buffer had no room left: it waits for a flush, and
// text of any length is copied through the buffer as it fills.
void put_one(Console& c, std::string_view text);

template <class Number>
void put_one(Console& c, Number number) {
    if (most_bytes(number) > output_size - c.out.used) flush(c);
    c.out.used = static_cast<std::size_t>(put(c.out.data + c.out.used, number) - c.out.data);
}

// Inlined, so that the sizes of literal text are known where it is copied.
template <class... Pieces>
[[gnu::always_inline]] inline void put_all(Console& c, Pieces... pieces) {
    Output& out = c.out;
    if ((most_bytes(pieces) + ...) > output_size - out.used) [[unlikely]] {
        (put_one(c, pieces), ...);
        return;
    }
    char* to = out.data + out.used;
    ((to = put(to, pieces)), ...);
    out.used = static_cast<std::size_t>(to - out.data);
}

}  // namespace detail

// Writes the pieces one after the other: text (a string literal, a
// NUL-terminated string, a string_view) and hex8(), decimal(), fixed1().
template <class... Pieces>
[[gnu::always_inline]] inline void print(Console& c, const Pieces&... pieces) {
    detail::put_all(c, detail::piece(pieces)...);
}

}  // namespace console
