// The conversions the dialogue reads with: a line of text, an integer in the
// notation of C's "%i", and the rest of a line dropped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/console.h"

namespace console {

// Reads one line into `s` (`size` bytes, at least 1) as a NUL-terminated
// text. The line end (LF, or CR LF) is taken and not stored; bytes beyond
// size - 1 are read and dropped. At the end of input `s` holds the bytes
// read until then, the empty text if none. False when a read failed: the
// line may then be cut short and must not be reported.
bool read_line(Console& c, char* s, std::size_t size);

// What scan_int found:
// - number: a number in -2147483648 .. 4294967295, stored modulo 2^32 in
//   `x`;
// - wrong_input: no number could be formed, or it is out of that range (all
//   of its digits are taken); `x` is left alone;
// - end_of_input: input ended before a number started, or a read failed
//   (then whatever was read of a number is dropped).
enum class Scanned { number, wrong_input, end_of_input };

// Converts one integer: white space skipped, an optional sign, then
// hexadecimal after 0x or 0X, octal after a leading 0, decimal otherwise.
// Reading stops before the first byte that cannot go on with the number.
Scanned scan_int(Console& c, std::int32_t& x);

// Drops input up to and including the next line end.
void skip_line(Console& c);

}  // namespace console
