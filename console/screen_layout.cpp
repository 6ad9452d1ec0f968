#include "console/screen_layout.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace console {
namespace {

// Moves `at` past `u` and returns where `u` is drawn. A glyph that does not
// fit in what is left of the row goes to the next one, as terminals put
// it; a control character's ^ and letter wrap apart, as any two characters.
Place advance(Place& at, const Unit& u, int columns) {
    if (u.look == Look::glyph && u.width == 0) return at;
    const int width = u.look == Look::caret ? 1 : u.width;
    if (at.column >= columns || (u.look == Look::glyph && at.column + width > columns)) {
        at = {at.row + 1, 0};
    }
    const Place drawn = at;
    at.column += u.look == Look::tab ? std::min(8 - at.column % 8, columns - at.column) : width;
    if (u.look == Look::caret) {
        if (at.column >= columns) at = {at.row + 1, 0};
        ++at.column;
    }
    return drawn;
}

void control(Out& out, std::size_t n, const char* command) {
    char text[32] = "\x1b[";
    char* end = std::to_chars(text + 2, text + 30, n).ptr;
    *end++ = *command;
    put(out, text, static_cast<std::size_t>(end - text));
}

std::size_t top_row(const Shown& s, Window w) {
    const auto rows = static_cast<std::size_t>(std::max(w.rows, 1));
    return s.lowest >= rows ? s.lowest - (rows - 1) : 0;
}

// Moves the cursor within the line. Rows above the window's height from the
// lowest row written may have scrolled off, and are not gone to.
void move_to(Shown& s, Place to, Window w, Out& out) {
    to.row = std::max(to.row, top_row(s, w));
    if (to.row == s.cursor.row && to.column == s.cursor.column) return;
    if (to.row < s.cursor.row) control(out, s.cursor.row - to.row, "A");
    for (std::size_t row = s.cursor.row; row < to.row; ++row)
        put(out, "\n", 1);
    put(out, "\r", 1);
    if (to.column > 0) control(out, static_cast<std::size_t>(to.column), "C");
    s.cursor = to;
}

void write_glyph(Out& out, const char* bytes, std::size_t length, const Unit& u, Place drawn,
                 Place after) {
    if (u.look == Look::glyph) {
        put(out, bytes, u.length);
    } else if (u.look == Look::tab) {
        put(out, "        ", static_cast<std::size_t>(after.column - drawn.column));
    } else if (u.look == Look::caret) {
        const char text[2] = {'^', static_cast<char>(bytes[0] == 0x7f ? '?' : bytes[0] | 0x40)};
        put(out, text, 2);
    } else {
        put(out, "\x1b[7m?\x1b[27m", 10);  // reverse video, as no character of the line is
    }
    put(out, bytes + u.length, length - u.length);
}

}  // namespace

Unit unit_at(const char* text, std::size_t size, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\t') return {1, 0, Look::tab};
    if (c < 0x20 || c == 0x7f) return {1, 2, Look::caret};
    if (c < 0x80) return {1, 1, Look::glyph};
    wchar_t w = 0;
    std::mbstate_t shift{};
    const std::size_t n = std::mbrtowc(&w, text + i, size - i, &shift);
    if (n == 0 || n > size - i) return {1, 1, Look::odd};
    const int width = wcwidth(w);
    return width < 0 ? Unit{n, 1, Look::odd} : Unit{n, width, Look::glyph};
}

std::size_t glyph_length(const char* text, std::size_t size, std::size_t i) {
    std::size_t n = unit_at(text, size, i).length;
    while (i + n < size) {
        const Unit u = unit_at(text, size, i + n);
        if (u.look != Look::glyph || u.width != 0) break;
        n += u.length;
    }
    return n;
}

std::size_t glyph_before(const char* text, std::size_t i) {
    const auto unit_before = [text](std::size_t end) {
        for (std::size_t j = end > MB_CUR_MAX ? end - MB_CUR_MAX : 0; j + 1 < end; ++j) {
            if (unit_at(text, end, j).length == end - j) return j;
        }
        return end - 1;
    };
    std::size_t j = unit_before(i);
    while (j > 0) {
        const Unit u = unit_at(text, i, j);
        if (u.look != Look::glyph || u.width != 0) break;
        j = unit_before(j);
    }
    return j;
}

Place place_of(std::string_view text, int columns) {
    Place at;
    for (std::size_t j = 0; j < text.size();) {
        const Unit u = unit_at(text.data(), text.size(), j);
        advance(at, u, columns);
        j += u.length;
    }
    return at;
}

void put(Out& out, const char* data, std::size_t size) {
    while (size > 0) {
        if (out.used == sizeof out.data) out.flush(out, out.context);
        const std::size_t n = std::min(size, sizeof out.data - out.used);
        std::memcpy(out.data + out.used, data, n);
        out.used += n;
        data += n;
        size -= n;
    }
}

void draw(Text t, Shown& s, Window w, Out& out) {
    const char* text = t.data;
    const std::size_t size = t.size;
    const std::size_t cursor = t.cursor;
    // The glyph that holds the first change, found from the last glyph
    // shown where it can be, so that a paste is laid out once; from the
    // first row still on screen if the change is above it. Ending a full
    // row, the terminal's cursor can only be brought there by its glyph.
    const std::size_t from = std::min({t.changed, s.size, size});
    const std::size_t top = top_row(s, w);
    std::size_t i = 0;
    Place at;
    if (from > s.mark && s.mark < s.size) {
        i = s.mark;
        at = s.mark_place;
    }
    Place drawn = at;
    std::size_t before = i;
    Place before_place = at;
    while (i < size) {
        Place next = at;
        const std::size_t n = glyph_length(text, size, i);
        drawn = advance(next, unit_at(text, size, i), w.columns);
        if (i + n > from && drawn.row >= top) break;
        before = i;
        before_place = drawn;
        at = next;
        drawn = at;
        i += n;
    }
    if (i == size && at.column >= w.columns && i > before) {
        i = before;
        at = drawn = before_place;
    }
    at = drawn;

    move_to(s, drawn, w, out);
    // Cleared after the first glyph of a row: some terminals (tmux) keep a
    // screen cleared from its first cell in their history.
    bool clear = s.stale || s.size > i;
    if (clear && (drawn.column > 0 || i == size || w.columns < 3)) {
        put(out, "\x1b[J", 3);
        clear = false;
    }
    Place cursor_place = at;
    bool passed = false;
    while (i < size) {
        const std::size_t n = glyph_length(text, size, i);
        const Unit u = unit_at(text, size, i);
        const Place where = advance(at, u, w.columns);
        if (i == cursor) {
            cursor_place = where;
            passed = true;
        }
        write_glyph(out, text + i, n, u, where, at);
        s.mark = i;
        s.mark_place = where;
        s.lowest = std::max(s.lowest, at.row);
        s.cursor = at;
        i += n;
        if (clear) put(out, "\x1b[J", 3);
        clear = false;
    }
    s.end = at;
    if (cursor >= size) {
        cursor_place = at;
    } else if (!passed) {
        Place p = place_of({text, cursor}, w.columns);
        cursor_place = advance(p, unit_at(text, size, cursor), w.columns);
    }
    move_to(s, cursor_place, w, out);
    s.size = size;
    s.stale = false;
}

void reflow(Shown& s, Window before, Window after) {
    const auto moved = [before, after](Place p) {
        const auto cell = p.row * static_cast<std::size_t>(before.columns) +
                          static_cast<std::size_t>(std::min(p.column, before.columns - 1));
        const auto columns = static_cast<std::size_t>(after.columns);
        return Place{cell / columns, static_cast<int>(cell % columns)};
    };
    s.cursor = moved(s.cursor);
    s.lowest = moved(s.end).row;
    s.size = 0;
    s.stale = true;
}

void leave_line(Shown& s, Out& out) {
    if (s.cursor.column > 0) put(out, "\r\n", 2);
}

}  // namespace console
