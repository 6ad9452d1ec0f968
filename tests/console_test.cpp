#include "console/console.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "memory_device.h"

namespace {

// Everything the layer has not yet handed out.
std::string rest_of_input() {
    std::string rest;
    for (int c = console::get_char(); c != console::end_of_input; c = console::get_char()) {
        rest += static_cast<char>(c);
    }
    return rest;
}

// Reads of one byte put a buffer edge between every two bytes.
constexpr std::size_t chunk_sizes[] = {1, 3, SIZE_MAX};

struct ScanCase {
    std::string input;
    int outcome;
    std::int32_t x;  // what x holds afterwards; it starts as 12345
    std::string rest;
};

const std::int32_t untouched = 12345;

TEST(ScanInt, Table) {
    const ScanCase cases[] = {
        // the three notations, with and without a sign
        {"15\n", 1, 15, "\n"},
        {"-1", 1, -1, ""},
        {"+7 8", 1, 7, " 8"},
        {"0", 1, 0, ""},
        {"-0", 1, 0, ""},
        {"0x1F", 1, 31, ""},
        {"0X1f", 1, 31, ""},
        {"-0x1F", 1, -31, ""},
        {"+0x10", 1, 16, ""},
        {"010", 1, 8, ""},
        {"09", 1, 0, "9"},
        {"08", 1, 0, "8"},
        {"0xfFg", 1, 255, "g"},
        {"12abc 5\n", 1, 12, "abc 5\n"},
        // white space of every kind goes before the number
        {" \t\n\v\f\r42;", 1, 42, ";"},
        // every 32-bit pattern can be typed
        {"4294967295", 1, -1, ""},
        {"0xFFFFFFFF", 1, -1, ""},
        {"037777777777", 1, -1, ""},
        {"2147483647", 1, INT32_MAX, ""},
        {"2147483648", 1, INT32_MIN, ""},
        {"0x80000000", 1, INT32_MIN, ""},
        {"-2147483648", 1, INT32_MIN, ""},
        {"-0x80000000", 1, INT32_MIN, ""},
        {"-4294967295", 0, untouched, ""},
        // out of range: all digits consumed, nothing stored
        {"4294967296 1", 0, untouched, " 1"},
        {"0x100000000", 0, untouched, ""},
        {"040000000000", 0, untouched, ""},
        {"-2147483649", 0, untouched, ""},
        {"-0x80000001", 0, untouched, ""},
        {"99999999999999999999\n", 0, untouched, "\n"},
        {std::string(1000, '9') + "x", 0, untouched, "x"},
        {"0x" + std::string(1000, 'f'), 0, untouched, ""},
        // leading zeros cost nothing, however many
        {std::string(100000, '0') + "17", 1, 017, ""},
        {"0x" + std::string(100000, '0') + "1F", 1, 31, ""},
        {"-" + std::string(100000, '0') + "1", 1, -1, ""},
        // no number
        {"abc", 0, untouched, "abc"},
        {"0x", 0, untouched, ""},
        {"0xg", 0, untouched, "g"},
        {"-0x\n", 0, untouched, "\n"},
        {"-", 0, untouched, ""},
        {"+ 5", 0, untouched, " 5"},
        {"--5", 0, untouched, "-5"},
        {"\xff", 0, untouched, "\xff"},
        {std::string("\0 5", 3), 0, untouched, std::string("\0 5", 3)},
        // end of input before a number starts
        {"", console::end_of_input, untouched, ""},
        {" \n\r\n\t", console::end_of_input, untouched, ""},
    };
    for (const std::size_t chunk : chunk_sizes) {
        for (const auto& c : cases) {
            MemoryStream m{.input = c.input, .chunk = chunk};
            console::open(memory_device(m));
            std::int32_t x = untouched;
            const std::string shown = c.input.substr(0, 40);
            EXPECT_EQ(console::scan_int(&x), c.outcome) << shown << " chunk " << chunk;
            EXPECT_EQ(x, c.x) << shown << " chunk " << chunk;
            EXPECT_EQ(rest_of_input(), c.rest) << shown << " chunk " << chunk;
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
            MemoryStream m{.input = c.input, .chunk = chunk};
            console::open(memory_device(m));
            std::string s(c.size + 1, '#');  // one guard byte past the bound
            console::read_line(s.data(), c.size);
            const std::string shown = c.input.substr(0, 40);
            EXPECT_EQ(std::string(s.c_str()), c.line) << shown << " chunk " << chunk;
            EXPECT_EQ(s.back(), '#') << "wrote past the bound: " << shown;
            EXPECT_EQ(rest_of_input(), c.rest) << shown << " chunk " << chunk;
        }
    }
}

TEST(Print, Conversions) {
    struct Case {
        void (*write)();
        std::string expected;
    };
    const Case cases[] = {
        {[] { console::print("%08X|%08X|%08X", 0x1Fu, 0xFFFFFFFFu, 0u); },
         "0000001F|FFFFFFFF|00000000"},
        {[] { console::print("%X|%4X", 0xabcu, 0x1u); }, "ABC|   1"},
        {[] { console::print("%d|%d|%d|%05d", 0, -2147483647 - 1, 32, -42); },
         "0|-2147483648|32|-0042"},
        {[] { console::print("%0.1f|%0.1f|%0.1f|%.3f", 1000.0, -20.0, 0.25, 2.0); },
         "1000.0|-20.0|0.2|2.000"},
        {[] { console::print("%0.1f", 3.4028234663852886e38); },
         "340282346638528859811704183484516925440.0"},
        {[] { console::print("[%s][%s]", "", "a b"); }, "[][a b]"},
        {[] { console::print("100%%"); }, "100%"},
        {[] { console::put_line("Chybne zadani!"); }, "Chybne zadani!\n"},
    };
    for (const auto& c : cases) {
        MemoryStream m;
        console::open(memory_device(m));
        c.write();
        EXPECT_EQ(console::close().failed_stream, nullptr);
        EXPECT_EQ(m.output, c.expected);
    }
}

TEST(Print, OutputOfManyBuffersArrivesWhole) {
    MemoryStream m;
    console::open(memory_device(m));
    std::string expected;
    char line[100];
    const std::string long_text(3 * 1024 * 1024 + 7, 'q');
    for (unsigned i = 0; i < 100000; ++i) {
        console::print("Zadej cislo: Zadano %08X, Y=%08X, pocet bitu v 1 %d\n", i * 2654435761u, i,
                       static_cast<int>(i % 33));
        std::snprintf(line, sizeof line, "Zadej cislo: Zadano %08X, Y=%08X, pocet bitu v 1 %d\n",
                      i * 2654435761u, i, static_cast<int>(i % 33));
        expected += line;
        if (i % 30000 == 0) {  // texts longer than the whole buffer, too
            console::print("[%s]", long_text.c_str());
            console::put_line(long_text.c_str());
            expected += "[" + long_text + "]" + long_text + "\n";
        }
    }
    EXPECT_EQ(console::close().failed_stream, nullptr);
    EXPECT_EQ(m.output.size(), expected.size());
    EXPECT_TRUE(m.output == expected) << "the output differs";
}

TEST(Flushing, OutputWaitsForTheNextReadAndNoLonger) {
    MemoryStream m{.input = "1 2\n"};
    console::open(memory_device(m));
    console::print("Zadej cislo: ");
    EXPECT_EQ(m.output, "") << "output should stay buffered until a read";
    std::int32_t x = 0;
    ASSERT_EQ(console::scan_int(&x), 1);
    EXPECT_EQ(m.output_at_last_read, 13u) << "the prompt must be out before the read";
    console::print("after");
    ASSERT_EQ(console::scan_int(&x), 1);  // "2" is already buffered: no read
    EXPECT_EQ(m.output, "Zadej cislo: ");
    EXPECT_EQ(console::scan_int(&x), console::end_of_input);
    EXPECT_EQ(m.output, "Zadej cislo: after");
}

TEST(Flushing, ManyNumbersCostOneReadPerBuffer) {
    std::string input;
    for (int i = 0; i < 20000; ++i)
        input += "12345 ";
    MemoryStream m{.input = input};
    console::open(memory_device(m));
    std::int32_t x = 0;
    while (console::scan_int(&x) == 1)
        console::print("Zadano %08X\n", static_cast<unsigned>(x));
    EXPECT_EQ(console::close().failed_stream, nullptr);
    EXPECT_LE(m.reads, input.size() / (64 * 1024) + 2);
}

TEST(Failures, LostOutputEndsInputAndIsReported) {
    MemoryStream m{.input = "1 2 3 4 5", .output_limit = 4};
    console::open(memory_device(m));
    console::print("first line that does not fit\n");
    EXPECT_EQ(console::get_char(), console::end_of_input);
    const console::Status status = console::close();
    EXPECT_STREQ(status.failed_stream, "standard output");
    EXPECT_EQ(status.error, ENOSPC);
}

TEST(Failures, ReadErrorIsEndOfInputAndIsReported) {
    MemoryStream m{.input_fails = true};
    console::open(memory_device(m));
    std::int32_t x = 0;
    EXPECT_EQ(console::scan_int(&x), console::end_of_input);
    EXPECT_EQ(console::get_char(), console::end_of_input);
    EXPECT_EQ(m.reads, 1u) << "end of input is final";
    const console::Status status = console::close();
    EXPECT_STREQ(status.failed_stream, "standard input");
    EXPECT_EQ(status.error, EIO);
}

TEST(Failures, EndOfInputIsFinal) {
    MemoryStream m{.input = "7"};
    console::open(memory_device(m));
    std::int32_t x = 0;
    EXPECT_EQ(console::scan_int(&x), 1);
    EXPECT_EQ(console::scan_int(&x), console::end_of_input);
    EXPECT_EQ(console::get_char(), console::end_of_input);
    EXPECT_EQ(m.reads, 2u);
    EXPECT_EQ(console::close().failed_stream, nullptr);
}

}  // namespace
