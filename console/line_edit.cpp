#include "console/line_edit.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "console/screen_layout.h"

namespace console {
namespace {

// Words, for Alt-B, Alt-F, Alt-D, Alt-Backspace and Ctrl-Left, Ctrl-Right:
// letters and digits, and every character beyond ASCII.
bool in_word(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || (u >= '0' && u <= '9') || ((u | 0x20) >= 'a' && (u | 0x20) <= 'z');
}

// For Ctrl-W: anything but blanks.
bool in_blank_word(char c) {
    return c != ' ' && c != '\t';
}

std::size_t next(const Editing& e, std::size_t i) {
    return i < e.text.size ? i + glyph_length(e.text.data, e.text.size, i) : i;
}

std::size_t previous(const Editing& e, std::size_t i) {
    return i > e.start ? std::max(e.start, glyph_before(e.text.data, i)) : i;
}

std::size_t word_back(const Editing& e, std::size_t i, bool (*word)(char)) {
    while (i > e.start && !word(e.text.data[i - 1]))
        --i;
    while (i > e.start && word(e.text.data[i - 1]))
        --i;
    return i;
}

std::size_t word_forward(const Editing& e, std::size_t i) {
    while (i < e.text.size && !in_word(e.text.data[i]))
        ++i;
    while (i < e.text.size && in_word(e.text.data[i]))
        ++i;
    return i;
}

void change(Editing& e, std::size_t at, std::size_t removed, const char* data, std::size_t n) {
    if (!splice(e.text, at, removed, data, n)) return;
    e.changed = std::min(e.changed, at);
    e.cursor = at + n;
}

// Where a key that moves the cursor takes it; where it is for another key.
std::size_t moved(const Editing& e, Key k) {
    const std::size_t at = e.cursor;
    if (k == Key::left) return previous(e, at);
    if (k == Key::right) return next(e, at);
    if (k == Key::word_left) return word_back(e, at, in_word);
    if (k == Key::word_right) return word_forward(e, at);
    if (k == Key::home) return e.start;
    if (k == Key::end) return e.text.size;
    return at;
}

struct Span {
    std::size_t from;
    std::size_t to;
};

// What a key that erases takes from the line; nothing for another key.
Span erased(const Editing& e, Key k) {
    const std::size_t at = e.cursor;
    if (k == Key::backspace) return {previous(e, at), at};
    if (k == Key::del || k == Key::end_or_delete) return {at, next(e, at)};
    if (k == Key::kill_to_end) return {at, e.text.size};
    if (k == Key::kill_to_start) return {e.start, at};
    if (k == Key::kill_blank_word) return {word_back(e, at, in_blank_word), at};
    if (k == Key::kill_word_back) return {word_back(e, at, in_word), at};
    if (k == Key::kill_word_forward) return {at, word_forward(e, at)};
    return {at, at};
}

// Puts data[0, n) in the place of text[from, to), keeping what they share at
// their starts as it is on screen.
void replace(Editing& e, std::size_t from, std::size_t to, const char* data, std::size_t n) {
    std::size_t same = 0;
    while (same < n && from + same < to && e.text.data[from + same] == data[same])
        ++same;
    if (splice(e.text, from + same, to - from - same, data + same, n - same)) {
        e.changed = std::min(e.changed, from + same);
    }
}

void set_prompt(Editing& e, const char* data, std::size_t n) {
    const std::size_t start = e.start;
    replace(e, 0, start, data, n);
    e.start = n;
    e.cursor = e.cursor - start + n;
}

Bytes& entry(History& h, std::size_t k) {
    return h.lines[(h.first + k) % history_lines];
}

// Shows history entry `k`, or the draft for history.count, with the cursor
// at its end. The draft is kept as it was typed when an entry is first shown.
void recall(Editing& e, std::size_t k) {
    const std::size_t line_size = e.text.size - e.start;
    if (e.recalled == e.history.count) {
        splice(e.draft, 0, e.draft.size, e.text.data + e.start, line_size);
    }
    const Bytes& shown = k == e.history.count ? e.draft : entry(e.history, k);
    replace(e, e.start, e.text.size, shown.data, shown.size);
    e.cursor = e.text.size;
    e.recalled = k;
}

void drop_oldest(History& h) {
    h.bytes -= entry(h, 0).size;
    release(entry(h, 0));
    h.first = (h.first + 1) % history_lines;
    --h.count;
}

void show_search(Editing& e) {
    char header[sizeof e.query + 16];
    const std::string_view label = e.search_failed ? "(nenalezeno) " : "(hledej) ";
    char* end = std::copy(label.begin(), label.end(), header);
    end = std::copy_n(e.query, e.query_size, end);
    end = std::copy_n(": ", 2, end);
    set_prompt(e, header, static_cast<std::size_t>(end - header));
}

// Shows the newest entry before `k` that holds the query, with the cursor
// where it does.
void find(Editing& e, std::size_t k) {
    const std::string_view query(e.query, e.query_size);
    e.search_failed = true;
    while (k-- > 0) {
        const Bytes& line = entry(e.history, k);
        const std::size_t at = std::string_view(line.data, line.size).find(query);
        if (at != std::string_view::npos) {
            recall(e, k);
            e.cursor = e.start + at;
            e.search_failed = false;
            break;
        }
    }
    show_search(e);
}

// The glyphs before and at the cursor change places; at the end of the
// line, the last two.
void transpose(Editing& e) {
    const std::size_t b = e.cursor == e.text.size ? previous(e, e.text.size) : e.cursor;
    const std::size_t a = previous(e, b);
    const std::size_t c = next(e, b);
    if (a == b || b == c) return;
    std::rotate(e.text.data + a, e.text.data + b, e.text.data + c);
    e.changed = std::min(e.changed, a);
    e.cursor = c;
}

// Keys while searching; false for one that ends the search and then does
// what it does on a line.
bool search_key(Editing& e, KeyPress key, const char* bytes) {
    const std::size_t count = e.history.count;
    if (key.key == Key::text) {
        const std::size_t n = std::min(key.length, sizeof e.query - e.query_size);
        std::memcpy(e.query + e.query_size, bytes, n);
        e.query_size += n;
        find(e, std::min(e.recalled + 1, count));
    } else if (key.key == Key::search) {
        find(e, e.recalled);
    } else if (key.key == Key::backspace) {
        if (e.query_size > 0) e.query_size = glyph_before(e.query, e.query_size);
        find(e, count);
    } else {
        e.searching = false;
        if (key.key == Key::cancel) recall(e, e.before_search);
        set_prompt(e, e.prompt, e.prompt_size);
        return key.key == Key::cancel;
    }
    return true;
}

}  // namespace

bool splice(Bytes& b, std::size_t at, std::size_t removed, const char* data, std::size_t n) {
    const std::size_t size = b.size - removed + n;
    if (size > b.capacity) {
        const std::size_t capacity = std::max({size, 2 * b.capacity, std::size_t{64}});
        // The C library's, as all of the program's memory: it links no C++
        // run-time library, which operator new would bring.
        void* grown = std::realloc(b.data, capacity);  // NOLINT(cppcoreguidelines-no-malloc)
        if (grown == nullptr) return false;
        b.data = static_cast<char*>(grown);
        b.capacity = capacity;
    }
    if (b.size > at + removed)
        std::memmove(b.data + at + n, b.data + at + removed, b.size - at - removed);
    if (n > 0) std::memcpy(b.data + at, data, n);
    b.size = size;
    return true;
}

void release(Bytes& b) {
    std::free(b.data);  // NOLINT(cppcoreguidelines-no-malloc): see splice()
    b = {};
}

void begin_line(Editing& e, const char* prompt, std::size_t size) {
    e.text.size = 0;
    splice(e.text, 0, 0, prompt, size);
    e.start = e.cursor = e.text.size;
    e.changed = 0;
    e.prompt = prompt;
    e.prompt_size = size;
    e.recalled = e.history.count;
    e.searching = false;
}

Outcome apply(Editing& e, KeyPress key, const char* bytes) {
    if (e.searching && search_key(e, key, bytes)) return Outcome::editing;
    const Key k = key.key;
    if (k == Key::enter) return Outcome::entered;
    if (k == Key::end_or_delete && e.text.size == e.start) return Outcome::ended;
    if (k == Key::redraw) return Outcome::redraw;
    if (k == Key::text) change(e, e.cursor, 0, bytes, key.length);
    if (k == Key::yank) change(e, e.cursor, 0, e.killed.data, e.killed.size);
    e.cursor = moved(e, k);
    const auto [from, to] = erased(e, k);
    // What the kill keys erase, Ctrl-Y puts back.
    const bool kept = k != Key::backspace && k != Key::del && k != Key::end_or_delete;
    if (from < to && kept) splice(e.killed, 0, e.killed.size, e.text.data + from, to - from);
    if (from < to) change(e, from, to - from, nullptr, 0);
    if (k == Key::up && e.recalled > 0) recall(e, e.recalled - 1);
    if (k == Key::down && e.recalled < e.history.count) recall(e, e.recalled + 1);
    if (k == Key::transpose) transpose(e);
    if (k == Key::search) {
        e.searching = true;
        e.search_failed = false;
        e.before_search = e.recalled;
        e.query_size = 0;
        show_search(e);
    }
    return Outcome::editing;
}

void remember(Editing& e) {
    History& h = e.history;
    const std::string_view line(e.text.data + e.start, e.text.size - e.start);
    if (line.empty()) return;
    if (h.count > 0) {
        const Bytes& newest = entry(h, h.count - 1);
        if (std::string_view(newest.data, newest.size) == line) return;
    }
    if (h.count == history_lines) drop_oldest(h);
    Bytes& slot = entry(h, h.count);
    if (!splice(slot, 0, 0, line.data(), line.size())) return;
    ++h.count;
    h.bytes += line.size();
    while (h.bytes > history_bytes && h.count > 1)
        drop_oldest(h);
}

void release(Editing& e) {
    release(e.text);
    release(e.killed);
    release(e.draft);
    for (Bytes& line : e.history.lines)
        release(line);
}

}  // namespace console
