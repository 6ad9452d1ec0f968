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

std::uint32_t reverse_bits(std::uint32_t word) {
    std::uint32_t result = 0;
    for (int step = 0; step < 32; ++step) {
        result = (result << 1) | (word & 1u);
        word >>= 1;
    }
    return result;
}

std::int32_t count_one_bits(std::int32_t word) {
    // Looking at the pattern unsigned visits the same 32 bits in the same
    // order as an arithmetic shift would, without shifting a negative value.
    auto bits = static_cast<std::uint32_t>(word);
    std::int32_t count = 0;
    for (int step = 0; step < 32; ++step) {
        count += static_cast<std::int32_t>(bits & 1u);
        bits >>= 1;
    }
    return count;
}
