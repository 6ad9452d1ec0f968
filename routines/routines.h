// The computations behind the dialogue's reports. Pure functions: they read
// only what they are given and do no input or output.
#pragma once

#include <cstdint>

// Index of the largest of the first `count` values; the first of equal maxima
// wins, a NaN never wins, and a count of 1 or less gives 0 without reading.
std::int32_t index_of_max(const float* values, std::int32_t count);

// How often `c` occurs in the NUL-terminated `text`, compared as whole bytes.
std::int32_t count_char(const char* text, char c);

// The word with its 32 bits in reverse order.
std::uint32_t reverse_bits(std::uint32_t word);

// How many of the 32 bits of `word` are 1.
std::int32_t count_one_bits(std::int32_t word);
