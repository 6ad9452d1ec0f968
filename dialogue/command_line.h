// What the program's arguments ask of it: the dialogue when there are none,
// or a few lines about the program. Any other argument is refused before
// anything is written.
#pragma once

#include "console/console.h"

enum class Task { dialogue, help, version, refuse };

struct Command {
    Task task;
    const char* refused;  // the argument not taken, when the task is refuse
};

// What argv[1] to argv[argc - 1] ask for. Every one must be an option the
// program takes; the first of them decides.
Command read_command_line(int argc, const char* const argv[]);

// What the program does and how it is run, with a pointer to more.
void print_help(console::Console& c);

// "bity" and the program's version.
void print_version(console::Console& c);
