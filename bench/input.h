// The benchmark's mixed input: a text line, then lines of numbers in every
// notation (decimal, hexadecimal, octal, negative), several on some lines, and
// bad lines among them. The same bytes on every machine: a fixed seed and the
// generator's raw output, no library distributions.
#pragma once

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>

namespace bench {

class MixedInput {
public:
    // The text line the dialogue reads first.
    static constexpr const char* text_line = "dobry den, svete\n";

    // Appends `lines` lines of numbers to `out`.
    void append_lines(std::string& out, std::uint64_t lines) {
        for (std::uint64_t i = 0; i < lines; ++i) {
            const auto kind = below(100);
            if (kind < 60) {  // one number
                append_number(out);
            } else if (kind < 90) {  // two to four numbers
                append_number(out);
                for (auto n = below(3) + 1; n > 0; --n) {
                    out += ' ';
                    append_number(out);
                }
            } else {  // wrong input, after a number or not
                out += bad_lines[below(std::size(bad_lines))];
            }
            out += '\n';
        }
    }

private:
    static constexpr const char* bad_lines[] = {
        "ahoj 5",        "12abc 7",     "4294967296", "0x",  "- 5",
        "0x100000000 3", "-2147483649", "cislo: 42",  "0xg", "+",
    };

    std::uint64_t below(std::uint64_t bound) { return generator_() % bound; }

    // A value of 8 to 32 bits, so that short and long numbers mix.
    std::uint32_t value() {
        const auto bits = static_cast<unsigned>(below(25)) + 8;
        return static_cast<std::uint32_t>(generator_() >> (64 - bits));
    }

    void append_number(std::string& out) {
        char text[32];
        switch (below(10)) {
        case 0:
        case 1:
        case 2:
        case 3:
            std::snprintf(text, sizeof text, "%u", value());
            break;
        case 4:
        case 5:
            std::snprintf(text, sizeof text, "-%u", value() >> 1);
            break;
        case 6:
        case 7:
            std::snprintf(text, sizeof text, below(2) != 0 ? "0x%X" : "0x%x", value());
            break;
        default:
            std::snprintf(text, sizeof text, "0%o", value());
            break;
        }
        out += text;
    }

    std::mt19937_64 generator_{20240611};
};

}  // namespace bench
