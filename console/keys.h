// The keys of a terminal's keyboard, decoded from the bytes the terminal
// sends: control characters, text, and the escape sequences of xterm, rxvt,
// the Linux console and the VT220, with their modifiers.
#pragma once

#include <cstddef>

namespace console {

// `none` is a key, or a sequence, that does nothing here; `text` bytes to
// insert as they are; `end_or_delete` Ctrl-D; `kill_blank_word` erases back
// to a blank, as Ctrl-W does in shells; `cancel` is Ctrl-G or Escape.
enum class Key {
    none,
    text,
    enter,
    end_or_delete,
    left,
    right,
    word_left,
    word_right,
    home,
    end,
    backspace,
    del,
    kill_to_end,
    kill_to_start,
    kill_blank_word,
    kill_word_back,
    kill_word_forward,
    yank,
    transpose,
    redraw,
    search,
    cancel,
    up,
    down
};

struct KeyPress {
    Key key = Key::none;
    std::size_t length = 0;  // the bytes it takes; 0 when the rest has yet to come
};

// The first key in `bytes`. With `more`, while more bytes may be on their
// way, a sequence or character that they could go on is left for them
// (length 0); without, it is taken as it stands.
KeyPress decode_key(const char* bytes, std::size_t size, bool more);

}  // namespace console
