#include "routines/routines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

struct MaxCase {
    std::vector<float> values;
    std::int32_t count;
    std::int32_t expected;
};

TEST(IndexOfMax, Table) {
    const float nan = std::nanf("");
    const MaxCase cases[] = {
        {{128, 11, 1000, -20, 34, 0, 89}, 7, 2},
        {{3, 7, 7}, 3, 1},
        {{5, 5, 5}, 3, 0},
        {{-3, -1, -2}, 3, 1},
        {{9, 1}, 1, 0},
        {{1, 9}, 0, 0},
        {{1, 9}, -5, 0},
        {{1, nan, 2}, 3, 2},
        {{nan, 5, 9}, 3, 0},
        {{-0.0f, 0.0f}, 2, 0},
        {{1, 2, 99}, 2, 1},  // only `count` values are looked at
    };
    for (const auto& c : cases) {
        EXPECT_EQ(index_of_max(c.values.data(), c.count), c.expected)
            << "count " << c.count << ", first " << c.values[0];
    }
}

TEST(IndexOfMax, ReadsNothingWhenCountIsAtMostOne) {
    EXPECT_EQ(index_of_max(nullptr, 1), 0);
    EXPECT_EQ(index_of_max(nullptr, 0), 0);
    EXPECT_EQ(index_of_max(nullptr, -1), 0);
}

struct CountCase {
    std::string text;
    char c;
    std::int32_t expected;
};

TEST(CountChar, Table) {
    const CountCase cases[] = {
        {"", ' ', 0},
        {"", 'a', 0},
        {"a  b c", ' ', 3},
        {"     ", ' ', 5},
        {std::string(99, ' '), ' ', 99},
        {"a\tb\tc", ' ', 0},
        {"a\tb\tc", '\t', 2},
        {"x\x80y\x80\xff", '\x80', 2},
        {"x\x80y\x80\xff", '\xff', 1},
        {"abc", '\0', 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(count_char(c.text.c_str(), c.c), c.expected) << '"' << c.text << '"';
    }
}

TEST(CountChar, StopsAtTheTerminator) {
    const char text[] = "a b\0c d";
    EXPECT_EQ(count_char(text, ' '), 1);
}

// The bit routines by their definition, a bit a step: the reference that the
// routines' faster ways must match on every word.
std::uint32_t reverse_bits_bit_by_bit(std::uint32_t word) {
    std::uint32_t result = 0;
    for (int step = 0; step < 32; ++step) {
        result = (result << 1) | (word & 1u);
        word >>= 1;
    }
    return result;
}

std::int32_t count_one_bits_bit_by_bit(std::int32_t word) {
    std::int32_t count = 0;
    for (int step = 0; step < 32; ++step) {
        count += word & 1;
        word >>= 1;  // arithmetic: the sign bit is copied, as the definition has it
    }
    return count;
}

struct BitCase {
    std::uint32_t word;
    std::uint32_t reversed;
    std::int32_t ones;
};

TEST(BitRoutines, Table) {
    const BitCase cases[] = {
        {0x00000000, 0x00000000, 0},  {0x00000001, 0x80000000, 1},  {0x0000000F, 0xF0000000, 4},
        {0x00000006, 0x60000000, 2},  {0x12345678, 0x1E6A2C48, 13}, {0x80000000, 0x00000001, 1},
        {0xFFFFFFFE, 0x7FFFFFFF, 31}, {0xFFFFFFE1, 0x87FFFFFF, 28}, {0xFFFFFFFF, 0xFFFFFFFF, 32},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reverse_bits(c.word), c.reversed) << std::hex << c.word;
        EXPECT_EQ(count_one_bits(static_cast<std::int32_t>(c.word)), c.ones) << std::hex << c.word;
    }
}

TEST(BitRoutines, EachBitLandsInItsMirrorPlace) {
    for (unsigned k = 0; k < 32; ++k) {
        const std::uint32_t word = 1u << k;
        EXPECT_EQ(reverse_bits(word), 1u << (31 - k)) << k;
        EXPECT_EQ(count_one_bits(static_cast<std::int32_t>(~word)), 31) << k;
    }
}

// Whether both routines give the definition's results for `word`; a
// failure names the word, and the caller stops at the first.
testing::AssertionResult as_defined(std::uint32_t word) {
    const auto word_signed = static_cast<std::int32_t>(word);
    if (reverse_bits(word) != reverse_bits_bit_by_bit(word) ||
        count_one_bits(word_signed) != count_one_bits_bit_by_bit(word_signed)) {
        char text[120];
        std::snprintf(text, sizeof text,
                      "word %08X: reversed %08X, by definition %08X; ones %d, by definition %d",
                      word, reverse_bits(word), reverse_bits_bit_by_bit(word),
                      count_one_bits(word_signed), count_one_bits_bit_by_bit(word_signed));
        return testing::AssertionFailure() << text;
    }
    return testing::AssertionSuccess();
}

TEST(BitRoutines, AsDefinedOnEveryWordOfOneOrTwoBits) {
    ASSERT_TRUE(as_defined(0));
    for (unsigned i = 0; i < 32; ++i) {
        for (unsigned j = i; j < 32; ++j) {
            const std::uint32_t word = (1u << i) | (1u << j);
            ASSERT_TRUE(as_defined(word));
            ASSERT_TRUE(as_defined(~word));
        }
    }
}

TEST(BitRoutines, AsDefinedOnMillionsOfRandomWords) {
    std::mt19937 generator(20261208);
    for (int i = 0; i < 10'000'000; ++i)
        ASSERT_TRUE(as_defined(static_cast<std::uint32_t>(generator())));
}

TEST(BitRoutines, ReversingTwiceGivesTheWordBack) {
    // A cheap generator walks patterns of every density and bit position.
    std::uint32_t word = 0x9E3779B9u;
    for (int i = 0; i < 100000; ++i) {
        word = word * 1664525u + 1013904223u;
        ASSERT_EQ(reverse_bits(reverse_bits(word)), word);
        ASSERT_EQ(count_one_bits(static_cast<std::int32_t>(reverse_bits(word))),
                  count_one_bits(static_cast<std::int32_t>(word)));
    }
}

}  // namespace
