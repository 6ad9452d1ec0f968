// A console made anew for each run of a fuzz target, always in the same
// place: allocating its 1.2 MiB for every run would cost more than the run.
#pragma once

#include <new>

#include "console/console.h"

inline console::Console& fresh_console(console::Device device) {
    alignas(console::Console) static unsigned char place[sizeof(console::Console)];
    return *new (place) console::Console(device);
}
