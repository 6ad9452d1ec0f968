#include "console/line_editor.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "console/keys.h"
#include "console/line_edit.h"
#include "console/line_editor_terminal.h"
#include "console/screen_layout.h"

namespace console {
namespace {

// A longer line is handed over in pieces of this size, only the last of
// which is edited, so that memory stays bounded, and still every byte
// typed reaches the program.
constexpr std::size_t piece_size = std::size_t{4} << 20;

// How long a key's bytes may take to come one after another, as over a slow
// connection, before what has come is taken as it is (Escape alone).
constexpr int key_timeout = 100;

constexpr std::size_t unchanged = static_cast<std::size_t>(-1);

struct Editor {
    Terminal terminal;
    Editing editing;
    Shown shown;
    // Output after the last line end, held back to be the prompt of the next
    // line edited.
    char prompt[256]{};
    std::size_t prompt_size = 0;
    // The line entered last, text[served, entered) still to be handed over.
    std::size_t served = 0;
    std::size_t entered = 0;
};

enum class Ending { editing, line, piece, input, failure };

void show(Editor& ed) {
    Terminal& t = ed.terminal;
    Editing& e = ed.editing;
    if (take_stop(t)) {
        put(t.out, "\r", 1);
        ed.shown = {};
        t.resized = true;
    }
    if (t.resized) {
        t.resized = false;
        const Window before = t.window;
        t.window = window_size();
        if (t.window.columns != before.columns) reflow(ed.shown, before, t.window);
    }
    draw({e.text.data, e.text.size, e.cursor, e.changed}, ed.shown, t.window, t.out);
    e.changed = unchanged;
}

// What a key does; a line that has grown to a piece's size is handed over
// as it stands.
Ending take_key(Editor& ed, KeyPress key, const char* bytes) {
    Editing& e = ed.editing;
    const Outcome outcome = apply(e, key, bytes);
    if (outcome == Outcome::redraw) {
        put(ed.terminal.out, "\x1b[H\x1b[2J", 7);
        ed.shown = {};
    }
    const bool full = e.text.size - e.start >= piece_size;
    if (outcome == Outcome::redraw || (outcome == Outcome::editing && !full)) {
        return Ending::editing;
    }
    if (outcome != Outcome::ended) e.cursor = e.text.size;
    show(ed);
    if (outcome == Outcome::ended) return Ending::input;
    leave_line(ed.shown, ed.terminal.out);
    ed.shown = {};
    return outcome == Outcome::entered ? Ending::line : Ending::piece;
}

// Takes the keys that have come; with `more`, one whose bytes may still be
// on their way is left for them.
Ending take_keys(Editor& ed, bool more) {
    Terminal& t = ed.terminal;
    const Editing& e = ed.editing;
    while (t.from < t.to) {
        const char* bytes = t.keys + t.from;
        KeyPress key = decode_key(bytes, t.to - t.from, more);
        if (key.length == 0) break;
        if (key.key == Key::text) {
            const std::size_t line = e.text.size - e.start;
            key.length = std::min(key.length, line < piece_size ? piece_size - line : 0);
        }
        t.from += key.length;
        const Ending ending = take_key(ed, key, bytes);
        if (ending != Ending::editing) return ending;
    }
    return Ending::editing;
}

// Takes the keys that have come, and only then draws the line, until it ends.
Ending edit(Editor& ed) {
    Terminal& t = ed.terminal;
    bool more = true;
    for (;;) {
        const Ending ending = take_keys(ed, more);
        if (ending != Ending::editing) return ending;
        Wait w = wait_for_keys(t, 0);
        more = true;
        if (w == Wait::nothing || w == Wait::signals) {
            show(ed);
            t.out.flush(t.out, &t);
            w = wait_for_keys(t, t.from < t.to ? key_timeout : -1);
            more = w != Wait::nothing;
        }
        if (t.error != 0 || w == Wait::ended) return Ending::input;
        if (w == Wait::failed) return Ending::failure;
    }
}

bool write_out(Editor& ed, const char* data, std::size_t size) {
    put(ed.terminal.out, data, size);
    errno = ed.terminal.error;
    return ed.terminal.error == 0;
}

bool write_prompt(Editor& ed) {
    const std::size_t size = ed.prompt_size;
    ed.prompt_size = 0;
    return write_out(ed, ed.prompt, size);
}

// Output up to its last line end goes out, after whatever was held back;
// the rest is held back to be the next prompt, unless it is too long for one.
bool write_held_back(void* context, const char* data, std::size_t size) {
    Editor& ed = *static_cast<Editor*>(context);
    std::size_t lines = size;
    while (lines > 0 && data[lines - 1] != '\n')
        --lines;
    const std::size_t rest = size - lines;
    if ((lines > 0 || ed.prompt_size + rest > sizeof ed.prompt) && !write_prompt(ed)) return false;
    if (rest > sizeof ed.prompt) return write_out(ed, data, size);
    if (!write_out(ed, data, lines)) return false;
    std::memcpy(ed.prompt + ed.prompt_size, data + lines, rest);
    ed.prompt_size += rest;
    return true;
}

// Hands over the line entered last, as much as the buffer takes; edits the
// next one once all of it has been handed over.
std::ptrdiff_t read_edited(void* context, char* buffer, std::size_t size) {
    Editor& ed = *static_cast<Editor*>(context);
    Editing& e = ed.editing;
    if (ed.served < ed.entered) {
        // More of the line entered, without a wait: the prompt shows as it is.
        if (!write_prompt(ed)) return 0;
    } else {
        begin_line(e, ed.prompt, ed.prompt_size);
        errno = 0;
        const Ending ending = edit(ed);
        ed.prompt_size = 0;
        // A line that could not be shown leaves nobody to answer: input ends
        // here, and finish reports the failure.
        if (ed.terminal.error != 0 || ending == Ending::input) return 0;
        if (ending == Ending::failure) return -1;
        if (ending == Ending::line) {
            remember(e);
            splice(e.text, e.text.size, 0, "\n", 1);
        }
        ed.served = e.start;
        ed.entered = e.text.size;
    }
    const std::size_t n = std::min(size, ed.entered - ed.served);
    std::memcpy(buffer, e.text.data + ed.served, n);
    ed.served += n;
    return static_cast<std::ptrdiff_t>(n);
}

bool finish_editor(void* context) {
    Editor& ed = *static_cast<Editor*>(context);
    write_prompt(ed);
    release_terminal(ed.terminal);
    release(ed.editing);
    errno = ed.terminal.error;
    return ed.terminal.error == 0;
}

bool wanted() {
    const char* term = std::getenv("TERM");
    return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1 &&
           (term == nullptr || std::strcmp(term, "dumb") != 0);
}

}  // namespace

Device line_editor_device() {
    // The editor's state, handed to the device's functions as their context;
    // one for the program, as there is one terminal.
    static Editor editor;
    if (!wanted() || !take_terminal(editor.terminal)) return standard_device();
    // Characters are taken in the user's character set, for their widths on
    // screen and to move and erase a multibyte one as one. The plain C
    // locale knows only ASCII, so there the terminal is taken to send UTF-8,
    // as terminals do today.
    const char* locale = std::setlocale(LC_CTYPE, "");
    if (locale == nullptr || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    return {read_edited, write_held_back, finish_editor, &editor};
}

}  // namespace console
