#include "console/console.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "console/input.h"
#include "console/output.h"
#include "console/scan.h"
#include "tests/support/memory_console.h"

namespace {

using console::fresh_console;
using console::MemoryDevice;
using console::rest_of_input;

// Reads of one byte put a buffer edge between every two bytes.
constexpr std::size_t chunk_sizes[] = {1, 3, SIZE_MAX};

using console::Scanned;
constexpr Scanned number = Scanned::number;
constexpr Scanned wrong = Scanned::wrong_input;
constexpr Scanned ended = Scanned::end_of_input;

struct ScanCase {
    std::string input;
    Scanned outcome;
    std::int32_t x;  // what x holds afterwards; it starts as 12345
    std::string rest;
};

const std::int32_t untouched = 12345;

TEST(ScanInt, Table) {
    const ScanCase cases[] = {
        // the three notations, with and without a sign
        {"15\n", number, 15, "\n"},
        {"-1", number, -1, ""},
        {"+7 8", number, 7, " 8"},
        {"0", number, 0, ""},
        {"-0", number, 0, ""},
        {"0x1F", number, 31, ""},
        {"0X1f", number, 31, ""},
        {"-0x1F", number, -31, ""},
        {"+0x10", number, 16, ""},
        {"010", number, 8, ""},
        {"09", number, 0, "9"},
        {"08", number, 0, "8"},
        {"0xfFg", number, 255, "g"},
        {"12abc 5\n", number, 12, "abc 5\n"},
        // white space of every kind goes before the number
        {" \t\n\v\f\r42;", number, 42, ";"},
        // every 32-bit pattern can be typed
        {"4294967295", number, -1, ""},
        {"0xFFFFFFFF", number, -1, ""},
        {"037777777777", number, -1, ""},
        {"2147483647", number, INT32_MAX, ""},
        {"2147483648", number, INT32_MIN, ""},
        {"0x80000000", number, INT32_MIN, ""},
        {"-2147483648", number, INT32_MIN, ""},
        {"-0x80000000", number, INT32_MIN, ""},
        {"-4294967295", wrong, untouched, ""},
        // out of range: all digits consumed, nothing stored
        {"4294967296 1", wrong, untouched, " 1"},
        {"0x100000000", wrong, untouched, ""},
        {"040000000000", wrong, untouched, ""},
        {"-2147483649", wrong, untouched, ""},
        {"-0x80000001", wrong, untouched, ""},
        {"99999999999999999999\n", wrong, untouched, "\n"},
        {std::string(1000, '9') + "x", wrong, untouched, "x"},
        {"0x" + std::string(1000, 'f'), wrong, untouched, ""},
        // leading zeros cost nothing, however many
        {std::string(100000, '0') + "17", number, 017, ""},
        {"0x" + std::string(100000, '0') + "1F", number, 31, ""},
        {"-" + std::string(100000, '0') + "1", number, -1, ""},
        // no number
        {"abc", wrong, untouched, "abc"},
        {"0x", wrong, untouched, ""},
        {"0xg", wrong, untouched, "g"},
        {"-0x\n", wrong, untouched, "\n"},
        {"-", wrong, untouched, ""},
        {"+ 5", wrong, untouched, " 5"},
        {"--5", wrong, untouched, "-5"},
        {"\xff", wrong, untouched, "\xff"},
        {std::string("\0 5", 3), wrong, untouched, std::string("\0 5", 3)},
        // end of input before a number starts
        {"", ended, untouched, ""},
        {" \n\r\n\t", ended, untouched, ""},
    };
    for (const std::size_t chunk : chunk_sizes) {
        for (const auto& c : cases) {
            MemoryDevice m{.input = c.input, .chunk = chunk};
            console::Console& console = fresh_console(m);
            std::int32_t x = untouched;
            const std::string shown = c.input.substr(0, 40);
            EXPECT_EQ(console::scan_int(console, x), c.outcome) << shown << " chunk " << chunk;
            EXPECT_EQ(x, c.x) << shown << " chunk " << chunk;
            EXPECT_EQ(rest_of_input(console), c.rest) << shown << " chunk " << chunk;
        }
    }
    // An end mark anywhere in a short case, and as the first byte of a read
    // (chunk `at`), reads as if the input stopped there.
    for (const auto& c : cases) {
        for (std::size_t at = 0; at <= c.input.size() && c.input.size() < 64; ++at) {
            for (const std::size_t chunk :
                 {std::size_t{1}, std::size_t{3}, std::max<std::size_t>(at, 1)}) {
                const std::string cut = c.input.substr(0, at);
                const std::string marked = cut + "\x1a" + c.input.substr(at);
                MemoryDevice plain{.input = cut, .chunk = chunk};
                console::Console& expected = fresh_console(plain);
                std::int32_t y = untouched;
                const Scanned outcome = console::scan_int(expected, y);
                const std::string rest = rest_of_input(expected);
                MemoryDevice m{.input = marked, .chunk = chunk, .end_mark = 0x1A};
                console::Console& console = fresh_console(m);
                std::int32_t x = untouched;
                const std::string shown = marked + " chunk " + std::to_string(chunk);
                EXPECT_EQ(console::scan_int(console, x), outcome) << shown;
                EXPECT_EQ(x, y) << shown;
                EXPECT_EQ(rest_of_input(console), rest) << shown;
            }
        }
    }
}

// Each notation's digits are told from other bytes several at a time, so
// every byte value is put right after numbers of each length, in each
// notation, and the number must end exactly where strtoll's does.
TEST(ScanInt, EndsBeforeTheFirstByteThatIsNoDigit) {
    struct Notation {
        std::string prefix;
        std::string digits;  // the longest number tried; all shorter ones too
    };
    const Notation notations[] = {
        {"", "123456789"},  {"-", "123456789"}, {"0", "1234567012"},
        {"0x", "9aBcDeF1"}, {"-0X", "1234567"},
    };
    for (const auto& n : notations) {
        for (std::size_t length = 1; length <= n.digits.size(); ++length) {
            for (int byte = 0; byte < 256; ++byte) {
                const std::string typed = n.prefix + n.digits.substr(0, length);
                const std::string input = typed + static_cast<char>(byte) + " 5";
                char* end = nullptr;
                const long long value = std::strtoll(input.c_str(), &end, 0);
                const auto taken = static_cast<std::size_t>(end - input.c_str());
                // A digit more may take the number out of range.
                const bool in_range = value >= INT32_MIN && value <= UINT32_MAX;
                for (const std::size_t chunk : chunk_sizes) {
                    MemoryDevice m{.input = input, .chunk = chunk};
                    console::Console& console = fresh_console(m);
                    std::int32_t x = untouched;
                    EXPECT_EQ(console::scan_int(console, x), in_range ? number : wrong)
                        << typed << " + " << byte;
                    EXPECT_EQ(x, in_range ? static_cast<std::int32_t>(value) : untouched)
                        << typed << " + " << byte;
                    EXPECT_EQ(rest_of_input(console), input.substr(taken))
                        << typed << " + " << byte << " chunk " << chunk;
                }
            }
        }
    }
}

struct LineCase {
    std::string input;
    std::size_t size;
    std::string line;
    std::string rest;
};

TEST(ReadLine, Table) {
    const std::string a99(99, 'a');
    const LineCase cases[] = {
        {"abc\ndef", 100, "abc", "def"},
        {"a b  c\n", 100, "a b  c", ""},
        {"\n\n", 100, "", "\n"},
        {"abc\r\n5", 100, "abc", "5"},
        {"a\rb\n", 100, "a\rb", ""},
        {"ab\r", 100, "ab\r", ""},
        {"abc", 100, "abc", ""},
        {"", 100, "", ""},
        {"\t\tx\n", 100, "\t\tx", ""},
        {a99 + "\n7", 100, a99, "7"},
        {a99 + "\r\n7", 100, a99, "7"},
        {a99 + "b\n7", 100, a99, "7"},
        {a99 + std::string(200000, 'b') + "\n7\n", 100, a99, "7\n"},
        {"abcdef\nx", 4, "abc", "x"},
        {"abc\nx", 1, "", "x"},
    };
    for (const std::size_t chunk : chunk_sizes) {
        for (const auto& c : cases) {
            MemoryDevice m{.input = c.input, .chunk = chunk};
            console::Console& console = fresh_console(m);
            std::string s(c.size + 1, '#');  // one guard byte past the bound
            const std::string shown = c.input.substr(0, 40);
            EXPECT_TRUE(console::read_line(console, s.data(), c.size)) << shown;
            EXPECT_EQ(std::string(s.c_str()), c.line) << shown << " chunk " << chunk;
            EXPECT_EQ(s.back(), '#') << "wrote past the bound: " << shown;
            EXPECT_EQ(rest_of_input(console), c.rest) << shown << " chunk " << chunk;
        }
    }
}

TEST(SkipLine, DropsThroughTheLineEnd) {
    const struct {
        std::string input;
        std::string rest;
    } cases[] = {
        {"abc 5\n6\n", "6\n"}, {"\n7", "7"},
        {"no line end", ""},   {"", ""},
        {"x\r\ny", "y"},       {std::string(300000, 'z') + "\n8", "8"},
    };
    for (const std::size_t chunk : chunk_sizes) {
        for (const auto& c : cases) {
            MemoryDevice m{.input = c.input, .chunk = chunk};
            console::Console& console = fresh_console(m);
            console::skip_line(console);
            EXPECT_EQ(rest_of_input(console), c.rest)
                << c.input.substr(0, 40) << " chunk " << chunk;
        }
    }
}

// What `print` writes of the pieces, through a console of its own.
template <class... Pieces>
std::string printed(const Pieces&... pieces) {
    MemoryDevice m;
    console::Console& c = fresh_console(m);
    console::print(c, pieces...);
    EXPECT_EQ(console::finish(c).failed_stream, nullptr);
    return m.output;
}

// The notations are those of C's printf: %08X, %d and %0.1f.
TEST(Print, NumbersAsPrintfWritesThem) {
    std::mt19937 generator(20261208);
    std::vector<std::uint32_t> words = {0,          1,          0x1F,       0x7FFFFFFF, 0x80000000,
                                        0xFFFFFFFF, 0x1E6A2C48, 0xABCDEF01, 9,          10,
                                        99,         100,        1000000000};
    for (int i = 0; i < 10000; ++i)
        words.push_back(static_cast<std::uint32_t>(generator()) >> (generator() % 32));
    char expected[400];
    for (const std::uint32_t word : words) {
        const auto value = static_cast<std::int32_t>(word);
        std::snprintf(expected, sizeof expected, "%08X|%d", word, value);
        ASSERT_EQ(printed(console::hex8(word), "|", console::decimal(value)), expected);
    }
    const double doubles[] = {1000.0,
                              -20.0,
                              0.25,
                              0.05,
                              0.15,
                              0.95,
                              -0.04,
                              123.45,
                              1e15 + 0.5,
                              3.4028234663852886e38,
                              1e300,
                              -1.7976931348623157e308,
                              std::numeric_limits<double>::denorm_min()};
    for (const double value : doubles) {
        std::snprintf(expected, sizeof expected, "%0.1f", value);
        EXPECT_EQ(printed(console::fixed1(value)), expected);
    }
}

TEST(Print, Text) {
    const char line[100] = "a b";
    EXPECT_EQ(printed("[", "", "][", line, "]"), "[][a b]");
    EXPECT_EQ(printed("Chybne zadani!\n"), "Chybne zadani!\n");
    EXPECT_EQ(printed(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

// Pieces that meet the end of the buffer, and texts larger than all of it.
TEST(Print, OutputOfManyBuffersArrivesWhole) {
    MemoryDevice m;
    console::Console& c = fresh_console(m);
    std::string expected;
    char line[100];
    const std::string long_text(3 * console::output_size + 7, 'q');
    for (std::uint32_t i = 0; i < 100000; ++i) {
        const std::uint32_t word = i * 2654435761u;
        console::print(c, "Zadej cislo: Zadano ", console::hex8(word), ", Y=", console::hex8(i),
                       ", pocet bitu v 1 ", console::decimal(static_cast<int>(i % 33)), "\n");
        std::snprintf(line, sizeof line, "Zadej cislo: Zadano %08X, Y=%08X, pocet bitu v 1 %d\n",
                      word, i, static_cast<int>(i % 33));
        expected += line;
        if (i % 30000 == 0) {
            console::print(c, "[", long_text, "]", console::decimal(-1), long_text, "\n");
            expected += "[" + long_text + "]-1" + long_text + "\n";
        }
    }
    EXPECT_EQ(console::finish(c).failed_stream, nullptr);
    EXPECT_EQ(m.output.size(), expected.size());
    EXPECT_TRUE(m.output == expected) << "the output differs";
}

TEST(Flushing, OutputWaitsForTheNextReadAndNoLonger) {
    MemoryDevice m{.input = "1 2\n"};
    console::Console& c = fresh_console(m);
    console::print(c, "Zadej cislo: ");
    EXPECT_EQ(m.output, "") << "output should stay buffered until a read";
    std::int32_t x = 0;
    ASSERT_EQ(console::scan_int(c, x), number);
    EXPECT_EQ(m.output_at_last_read, 13u) << "the prompt must be out before the read";
    console::print(c, "after");
    ASSERT_EQ(console::scan_int(c, x), number);  // "2" is already buffered: no read
    EXPECT_EQ(m.output, "Zadej cislo: ");
    EXPECT_EQ(console::scan_int(c, x), ended);
    EXPECT_EQ(m.output, "Zadej cislo: after");
}

TEST(Flushing, ManyNumbersCostOneReadAndOneWritePerBuffer) {
    std::string input;
    while (input.size() < 10 * console::input_size)
        input += "12345 ";
    MemoryDevice m{.input = input};
    console::Console& c = fresh_console(m);
    std::int32_t x = 0;
    std::size_t numbers = 0;
    for (; console::scan_int(c, x) == number; ++numbers)
        console::print(c, "Zadano ", console::hex8(static_cast<std::uint32_t>(x)), "\n");
    EXPECT_EQ(console::finish(c).failed_stream, nullptr);
    EXPECT_EQ(numbers, input.size() / 6);
    // A read per input buffer, the last one finding the end; a write before
    // each read that has output to write, whenever the output buffer is
    // full, and one at the end.
    const std::size_t buffers = (input.size() + console::input_size - 1) / console::input_size;
    EXPECT_EQ(m.reads, buffers + 1);
    EXPECT_LE(m.writes, m.output.size() / console::output_size + buffers + 1);
}

// A device's end mark (Windows' Ctrl-Z) ends the input where it stands,
// wherever the reads put it.
TEST(EndMark, EndsInputWhereItStands) {
    const struct {
        std::string input;
        std::string line;
        std::string rest;
    } cases[] = {
        {"a b\n15\n\x1a"
         "16\n",
         "a b", "15\n"},
        {"\x1a"
         "abc\n",
         "", ""},
        {"ab\x1a"
         "c\n",
         "ab", ""},
        {"a\n" + std::string(300000, '7') +
             "\x1a"
             "8",
         "a", std::string(300000, '7')},
        {"no mark\n1 2", "no mark", "1 2"},
    };
    for (const std::size_t chunk : chunk_sizes) {
        for (const auto& c : cases) {
            MemoryDevice m{.input = c.input, .chunk = chunk, .end_mark = 0x1A};
            console::Console& console = fresh_console(m);
            char s[100];
            const std::string shown = c.input.substr(0, 20);
            EXPECT_TRUE(console::read_line(console, s, sizeof s)) << shown;
            EXPECT_STREQ(s, c.line.c_str()) << shown << " chunk " << chunk;
            EXPECT_EQ(rest_of_input(console), c.rest) << shown << " chunk " << chunk;
            const std::size_t reads = m.reads;
            EXPECT_EQ(console::get_char(console), console::no_byte) << shown;
            EXPECT_EQ(m.reads, reads) << "read on after the mark: " << shown;
            EXPECT_EQ(console::finish(console).failed_stream, nullptr) << shown;
        }
    }
}

TEST(Failures, LostOutputEndsInputAndIsReported) {
    MemoryDevice m{.input = "1 2 3 4 5", .output_limit = 4};
    console::Console& c = fresh_console(m);
    console::print(c, "first line that does not fit\n");
    EXPECT_EQ(console::get_char(c), console::no_byte);
    EXPECT_EQ(m.reads, 0u) << "nobody to answer: no read";
    const console::Status status = console::finish(c);
    EXPECT_STREQ(status.failed_stream, "standard output");
    EXPECT_EQ(status.error, ENOSPC);
}

// Once a read fails, nothing more is read, and nothing that was being read
// counts: a number cut short by the failure is no number.
TEST(Failures, FailedReadEndsInputAndIsReported) {
    const struct {
        std::string input;
        std::size_t failing_read;
        Scanned outcome;
    } cases[] = {
        {"15", 1, ended},    {"  ", 2, ended},   {"1234", 3, ended},  // "12" read, then the failure
        {"-0x1F", 3, ended},                                          // "-0"
        {"-", 2, ended},     {"15 ", 4, number},  // the number ended before the failure
    };
    for (const auto& c : cases) {
        MemoryDevice m{.input = c.input, .chunk = 1, .failing_read = c.failing_read};
        console::Console& console = fresh_console(m);
        std::int32_t x = 99;
        EXPECT_EQ(console::scan_int(console, x), c.outcome) << c.input;
        EXPECT_EQ(x, c.outcome == number ? 15 : 99) << c.input;
        EXPECT_EQ(console::scan_int(console, x), ended) << c.input;
        EXPECT_EQ(console::get_char(console), console::no_byte) << c.input;
        EXPECT_EQ(m.reads, c.failing_read) << "read again after the failure: " << c.input;
        const console::Status status = console::finish(console);
        EXPECT_STREQ(status.failed_stream, "standard input") << c.input;
        EXPECT_EQ(status.error, EIO) << c.input;
    }
}

TEST(Failures, FailedReadCutsTheLineShort) {
    MemoryDevice m{.input = "abc\n", .chunk = 1, .failing_read = 3};
    console::Console& c = fresh_console(m);
    char s[100];
    EXPECT_FALSE(console::read_line(c, s, sizeof s));
    EXPECT_STREQ(console::finish(c).failed_stream, "standard input");
}

TEST(Failures, EndOfInputIsFinal) {
    MemoryDevice m{.input = "7"};
    console::Console& c = fresh_console(m);
    std::int32_t x = 0;
    EXPECT_EQ(console::scan_int(c, x), number);
    EXPECT_EQ(console::scan_int(c, x), ended);
    EXPECT_EQ(console::get_char(c), console::no_byte);
    EXPECT_EQ(m.reads, 2u);
    EXPECT_EQ(console::finish(c).failed_stream, nullptr);
}

// A device's own output that could not be written (a prompt a line editor
// showed) is a failed write like any other.
TEST(Failures, DeviceThatCannotFinishIsReported) {
    MemoryDevice m;
    console::Device d = console::memory_device(m);
    d.finish = [](void*) {
        errno = EPIPE;
        return false;
    };
    console::Console& c = fresh_console(d);
    console::print(c, "x\n");
    const console::Status status = console::finish(c);
    EXPECT_STREQ(status.failed_stream, "standard output");
    EXPECT_EQ(status.error, EPIPE);
    EXPECT_EQ(m.output, "x\n");
}

}  // namespace
