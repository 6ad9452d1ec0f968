#include "routines.h"

std::int32_t index_of_max(const float* values, std::int32_t count) {
    std::int32_t best = 0;
    for (std::int32_t i = 1; i < count; ++i) {
        // Strictly greater: the first of equal maxima stays, and a comparison
        // with a NaN is false, so a NaN never takes over.
        if (values[i] > values[best]) best = i;
    }
    return best;
}

std::int32_t count_char(const char* text, char c) {
    std::int32_t count = 0;
    for (; *text != '\0'; ++text) {
        if (*text == c) ++count;
    }
    return count;
}

// Both bit routines work on all 32 bits at once rather than a bit a step;
// the tests hold them to the bit-by-bit definitions on every word of one or
// two bits and on millions of others.

std::uint32_t reverse_bits(std::uint32_t word) {
    // The bytes in reverse order (compilers make this one instruction), then
    // within each byte its halves, their halves and their bits swapped.
    word =
        (word >> 24) | ((word >> 8) & 0x0000'FF00u) | ((word << 8) & 0x00FF'0000u) | (word << 24);
    word = ((word >> 4) & 0x0F0F'0F0Fu) | ((word & 0x0F0F'0F0Fu) << 4);
    word = ((word >> 2) & 0x3333'3333u) | ((word & 0x3333'3333u) << 2);
    word = ((word >> 1) & 0x5555'5555u) | ((word & 0x5555'5555u) << 1);
    return word;
}

std::int32_t count_one_bits(std::int32_t word) {
    // The pattern is looked at unsigned, so no negative value is shifted.
    // Counts of each 2 bits, then of each 4, then of each byte, then the
    // four bytes' counts summed in the top byte by the multiplication.
    auto bits = static_cast<std::uint32_t>(word);
    bits -= (bits >> 1) & 0x5555'5555u;
    bits = (bits & 0x3333'3333u) + ((bits >> 2) & 0x3333'3333u);
    bits = (bits + (bits >> 4)) & 0x0F0F'0F0Fu;
    return static_cast<std::int32_t>((bits * 0x0101'0101u) >> 24);
}
