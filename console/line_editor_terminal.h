// The terminal under the line editor: its mode, its window's size, the
// bytes read from it and written to it, and the signals that come
// meanwhile, taken as events between two keys rather than in handlers.
#pragma once

#include <termios.h>

#include <cstddef>

#include "console/screen_layout.h"

namespace console {

struct Terminal {
    termios normal{};  // as it was found
    termios raw{};     // the editor's, for the whole run
    int notes = -1;    // the read end of the pipe that signals are noted on
    Out out;
    int error = 0;  // of the first write that failed
    Window window;
    char keys[4096]{};  // keys[from, to): read, and not yet taken
    std::size_t from = 0;
    std::size_t to = 0;
    bool resized = false;
    bool stop = false;  // Ctrl-Z
    bool continued = false;
};

// Puts the terminal into the editor's mode, and has signals noted.
bool take_terminal(Terminal& t);

// Writes what is left and gives back what take_terminal() took.
void release_terminal(Terminal& t);

enum class Wait { keys, signals, nothing, ended, failed };

// Waits at most `timeout` milliseconds (-1: for as long as it takes) for
// keys, which are added to t.keys, or a signal. One that ends the program
// ends it here, with the terminal in its normal mode.
Wait wait_for_keys(Terminal& t, int timeout);

// A stop that Ctrl-Z asked for, and a continue. True when the terminal
// comes back from someone else (the shell), so the line is to be drawn
// anew where the cursor is.
bool take_stop(Terminal& t);

// The window's size as the terminal gives it now.
Window window_size();

}  // namespace console
