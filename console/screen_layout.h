// The line on screen: how many cells each character takes, where it is
// drawn, and the controls that bring the screen from what it shows to the
// line as it is now. Only ANSI controls are written, which every terminal
// in use today understands.
#pragma once

#include <cstddef>
#include <string_view>

namespace console {

// A cell, counted from where the prompt starts. A column equal to the
// window's width is the end of a full row: the terminal puts what comes
// next on the row below.
struct Place {
    std::size_t row = 0;
    int column = 0;
};

struct Window {
    int columns = 0;
    int rows = 0;
};

enum class Look {
    glyph,  // as it is, in `width` cells (a combining character in none)
    tab,    // blanks to the next multiple of 8 columns
    caret,  // a control character: ^ and a letter
    odd,    // a byte of no character, or a character that cannot be shown: one '?'
};

struct Unit {
    std::size_t length;  // bytes
    int width;
    Look look;
};

// The character at `i` of text[0, size), in the locale's character set.
Unit unit_at(const char* text, std::size_t size, std::size_t i);

// The bytes of the glyph at `i`: a character with the combining ones after it.
std::size_t glyph_length(const char* text, std::size_t size, std::size_t i);

// Where the glyph that ends at `i` starts (i > 0).
std::size_t glyph_before(const char* text, std::size_t i);

// Where `text` ends, drawn from the first cell.
Place place_of(std::string_view text, int columns);

// Output on its way to the terminal; `flush` writes it and empties it.
struct Out {
    char data[8192]{};
    std::size_t used = 0;
    bool (*flush)(Out& out, void* context) = nullptr;
    void* context = nullptr;
};

void put(Out& out, const char* data, std::size_t size);

// What the screen shows of the text, as the last draw left it.
struct Shown {
    std::size_t size = 0;  // bytes of the text shown as they are
    std::size_t mark = 0;  // the start of the last glyph shown, and where it is
    Place mark_place;
    Place end;               // where it ends
    Place cursor;            // where the terminal's cursor is
    std::size_t lowest = 0;  // the lowest row written to: rows a window above it may be gone
    bool stale = false;      // what is on screen from the line's start on is to be cleared
};

// The text to show, the prompt and the line, with the cursor in it; it is
// as shown before up to `changed`.
struct Text {
    const char* data = nullptr;
    std::size_t size = 0;
    std::size_t cursor = 0;
    std::size_t changed = 0;
};

// Brings the screen to `text`. Keys, a new size, Ctrl-L and the end of a
// stop all come here, each with what it made of `shown`.
void draw(Text text, Shown& shown, Window window, Out& out);

// The window's width has gone from `before`'s to `after`'s. Terminals today
// lay the rows of a line out anew for the new width, with the cursor where
// the same cell has gone; the line is then to be drawn anew from its start.
void reflow(Shown& shown, Window before, Window after);

// Moves the cursor from the end of the text, where draw() has left it, to
// the start of the row below, so that what follows stays clear of the line.
void leave_line(Shown& shown, Out& out);

}  // namespace console
