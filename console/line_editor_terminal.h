// The terminal under a line being edited: the keys, read here rather than
// by the editor, and the signals that change the terminal while a line is
// edited (a new window size, a stop, a continue), taken as events between
// two keys rather than in signal handlers.
#pragma once

#include "console/line_editor.h"

namespace console {

// Makes `e`'s editor read its keys here and take those signals as events.
// False if they cannot be taken so.
bool take_terminal(LineEditor& e);

// Reads a line with `e`'s editor, as el_gets() does; the signals are
// events only meanwhile.
const char* edit_line(LineEditor& e, int& count);

// Gives back what take_terminal() took.
void release_terminal(LineEditor& e);

// The LineEditor an editor was made for.
LineEditor& line_editor_of(editline* editor);

}  // namespace console
