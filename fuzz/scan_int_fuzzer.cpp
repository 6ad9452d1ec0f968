// Fuzzes console::scan_int: one conversion at the start of arbitrary bytes,
// checked against an independent reference, std::strtoll with base 0 on the
// same characters, wherever both define a result, and against the range rule
// (-2147483648 .. 4294967295 is taken modulo 2^32, anything else refused).
// The same bytes are read in chunks of several sizes, so that the buffer's
// edges fall everywhere, and every chunking must give the same outcome.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/console.h"
#include "console/input.h"
#include "console/scan.h"
#include "fuzz/fuzz_checks.h"
#include "tests/support/memory_console.h"

namespace {

using fuzz::check;
using fuzz::input;
using fuzz::is_space;

constexpr std::int32_t untouched = 0x5A5A5A5A;

struct Outcome {
    console::Scanned result;
    std::int32_t x;
    std::size_t consumed;  // bytes taken from the input

    bool operator==(const Outcome&) const = default;
};

Outcome scan(std::size_t chunk) {
    console::MemoryDevice m{.input = input, .chunk = chunk};
    console::Console& c = console::fresh_console(m);
    Outcome o{console::Scanned::wrong_input, untouched, 0};
    o.result = console::scan_int(c, o.x);
    std::size_t rest = 0;
    while (console::get_char(c) != console::no_byte)
        ++rest;
    check(console::finish(c).failed_stream == nullptr, "a stream failed");
    check(m.position == input.size(), "input left unread");
    check(rest <= input.size(), "more bytes than the input");
    o.consumed = input.size() - rest;
    return o;
}

// std::strtoll with base 0 on `text`, which it reads up to its first NUL.
struct Reference {
    long long value;
    std::size_t length;  // characters converted, 0 when none
    bool overflow;
};

Reference reference(std::string_view text) {
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(s.c_str(), &end, 0);
    return {value, static_cast<std::size_t>(end - s.c_str()), errno == ERANGE};
}

bool is_decimal(char c) {
    return c >= '0' && c <= '9';
}
bool is_hex(char c) {
    return is_decimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::take_input(data, size);
    const Outcome o = scan(SIZE_MAX);
    for (const std::size_t chunk : {1u, 2u, 3u, 7u}) {
        check(scan(chunk) == o, "the outcome depends on where the reads end");
    }

    std::size_t blanks = 0;
    while (blanks < input.size() && is_space(input[blanks]))
        ++blanks;
    if (blanks == input.size()) {
        check(o.result == console::Scanned::end_of_input,
              "no end of input after white space alone");
        check(o.consumed == input.size(), "white space left unread at the end");
        check(o.x == untouched, "x changed at end of input");
        return 0;
    }
    check(o.result != console::Scanned::end_of_input, "end of input before the end of the input");
    check(o.consumed >= blanks, "stopped inside the white space");

    const std::string_view taken = input.substr(blanks, o.consumed - blanks);
    const std::string_view after = input.substr(o.consumed);
    const Reference r = reference(input.substr(blanks));
    const bool in_range = !r.overflow && r.value >= INT32_MIN && r.value <= UINT32_MAX;

    if (o.result == console::Scanned::number) {
        check(!taken.empty(), "a number of no characters");
        check(r.length == taken.size(), "the number ends elsewhere than strtoll's");
        check(in_range, "took a number out of range");
        check(static_cast<std::uint32_t>(o.x) == static_cast<std::uint32_t>(r.value),
              "a value other than strtoll's");
        return 0;
    }

    check(o.x == untouched, "x changed without a number");
    if (!taken.empty() && r.length == taken.size()) {
        // strtoll read the same digits: they must be out of range.
        check(!in_range, "refused a number in range");
        return 0;
    }
    // No number could be formed: a sign, then 0x, with nothing that could
    // have gone on with them.
    std::string_view rest = taken;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) rest.remove_prefix(1);
    if (rest.empty()) {
        check(r.length == 0, "refused a number strtoll takes");
        check(after.empty() || !is_decimal(after[0]), "stopped before a digit");
        check(!taken.empty() || (after[0] != '+' && after[0] != '-'), "stopped before a sign");
    } else {
        check(rest == "0x" || rest == "0X", "refused something other than a bare sign or 0x");
        check(r.length + 1 == taken.size() && r.value == 0, "strtoll reads 0x differently");
        check(after.empty() || !is_hex(after[0]), "stopped before a hexadecimal digit");
    }
    return 0;
}
