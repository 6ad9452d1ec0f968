// A console made anew for each run of a fuzz target, always in the same
// place: allocating its buffers for every run would cost more than the run.
#pragma once

#include <optional>

#include "console/console.h"

inline console::Console& fresh_console(console::Device device) {
    static std::optional<console::Console> console;
    return console.emplace(device);
}
