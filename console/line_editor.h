// Line editing and history at a terminal, as a device on the standard
// streams: whole lines are read through the editor, with the unfinished last
// line of output (the dialogue's prompt) as the editor's prompt, and handed
// to the layer as if read from the terminal in its plain mode.
#pragma once

#include <cstddef>
#include <cstdio>

#include "console/device.h"

struct editline;  // libedit's EditLine
struct history;   // libedit's History

namespace console {

struct LineEditor {
    editline* editor = nullptr;
    history* lines = nullptr;  // the lines entered in this run
    // The editor's own output, the prompt and the echo of what is typed. It
    // goes through the same writes as the rest, and a failure is kept here.
    std::FILE* screen = nullptr;
    int screen_error = 0;
    std::FILE* messages = nullptr;  // the editor's own, which are dropped
    // The signals taken while a line is edited, and whether the editor's
    // output is dropped for a moment (line_editor_terminal.cpp).
    int signals = -1;
    bool muted = false;
    // Output after the last line end, held back to be shown by the editor
    // as the prompt of the next line it reads.
    static constexpr std::size_t prompt_capacity = 256;
    char prompt[prompt_capacity + 1] = {};
    std::size_t prompt_size = 0;
    // The line read last, with its line end, and how much of it the layer
    // has been given; it is the editor's, valid until the next line is read.
    const char* line = nullptr;
    std::size_t line_size = 0;
    std::size_t served = 0;
};

// Whether the standard streams call for the line editor: both are terminals
// and the terminal is not a dumb one (those, such as editor buffers, edit
// lines themselves). Always false in a build without the editor.
bool line_editor_wanted();

// The standard streams with lines read through `editor`, which the device
// keeps its state in; the plain standard device if the editor cannot start.
// Its finish gives the terminal back as it was found.
Device line_editor_device(LineEditor& editor);

}  // namespace console
