// Filling the layer's input buffer, which the scans (scan.h) read straight
// from between refills.
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

}  // namespace console
