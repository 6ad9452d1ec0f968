// Taking input from the layer's buffer, a byte at a time or, in the scans,
// straight from the buffer between refills.
#pragma once

#include "console/console.h"

namespace console {

// Reads the next stretch of input into the buffer, once all of it is taken,
// and sets the input's state as Input describes. Pending output is written
// first, since the read may wait for the person who is to answer it. False,
// with no byte in the buffer and input ended for good, at the end of input
// (or the device's end mark), when the read fails, and once output has
// failed: nobody would see what comes next.
bool refill(Console& c);

// The next byte (0 to 255), taken, or end_of_input.
inline int get_char(Console& c) {
    if (c.in.next == c.in.end && !refill(c)) return end_of_input;
    return static_cast<unsigned char>(c.in.data[c.in.next++]);
}

}  // namespace console
