// Line input at a terminal through a line editor, for the standard streams
// only: the console layer asks for whole lines with the unfinished last line
// of its output as the prompt, and hands the bytes on as if they had been
// read from the terminal in its plain mode.
#pragma once

#include <cstddef>

namespace console {

// Whether the standard streams call for the line editor: both are terminals
// and the terminal is not a dumb one (those, such as editor buffers, do
// their own line editing). Always false in a build without the editor.
bool line_editor_wanted();

// Whether part of the last line read is still to be served, so that the
// next read neither shows a prompt nor waits.
bool line_editor_has_rest();

// Copies up to `size` bytes of input into `buffer`: the rest of the last
// line if some is left, otherwise a new line read with the `prompt_size`
// bytes at `prompt` shown as its prompt. Lines keep their line end. Returns
// how many bytes, 0 at end of input, or -1 on failure with errno set.
std::ptrdiff_t read_edited(const char* prompt, std::size_t prompt_size, char* buffer,
                           std::size_t size);

// Gives the terminal back as it was found and frees the editor.
void end_line_editor();

}  // namespace console
