// The line editor on libedit: Left/Right, Home/End, Backspace/Delete within
// the line and Up/Down through the lines of this run.
#include "console/line_editor.h"

#include <histedit.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "console/line_editor_terminal.h"

namespace console {
namespace {

LineEditor& state(void* context) {
    return *static_cast<LineEditor*>(context);
}

// Writes to the terminal as all other output is written. The first failure
// is kept and reported again by every later write.
bool write_screen(LineEditor& e, const char* data, std::size_t size) {
    if (e.screen_error == 0 && size > 0 && !standard_device().write(nullptr, data, size)) {
        e.screen_error = failure_errno();
    }
    errno = e.screen_error;
    return e.screen_error == 0;
}

// The editor's output stream writes through write_screen().
ssize_t write_editor_output(void* context, const char* data, std::size_t size) {
    LineEditor& e = state(context);
    return e.muted || write_screen(e, data, size) ? static_cast<ssize_t>(size) : -1;
}

// Shows the held-back prompt as ordinary output, for a line that is read
// without the editor showing it.
bool write_prompt(LineEditor& e) {
    const std::size_t size = e.prompt_size;
    e.prompt_size = 0;
    return write_screen(e, e.prompt, size);
}

// Called as the editor is about to show the prompt, once its signal
// handlers are in place. The terminal leaves its plain mode here: the editor
// would do so only after the prompt is shown, and what the user typed in
// between would be echoed twice.
char* show_prompt(EditLine* editor) {
    el_set(editor, EL_PREP_TERM, 1);
    LineEditor& e = line_editor_of(editor);
    e.prompt[e.prompt_size] = '\0';
    return e.prompt;
}

// Output up to its last line end goes out at once, after whatever was held
// back; the rest is held back to be the next prompt, unless it is too long
// for one.
bool write_held_back(void* context, const char* data, std::size_t size) {
    LineEditor& e = state(context);
    std::size_t lines = size;  // how much of `data` ends with a line end
    while (lines > 0 && data[lines - 1] != '\n')
        --lines;
    const std::size_t rest = size - lines;
    if ((lines > 0 || e.prompt_size + rest > LineEditor::prompt_capacity) && !write_prompt(e)) {
        return false;
    }
    if (rest > LineEditor::prompt_capacity) return write_screen(e, data, size);
    if (!write_screen(e, data, lines)) return false;
    std::memcpy(e.prompt + e.prompt_size, data + lines, rest);
    e.prompt_size += rest;
    return true;
}

// Hands over the line read last, a buffer at a time; reads the next one,
// with the held-back prompt, once all of it has been handed over.
std::ptrdiff_t read_edited(void* context, char* buffer, std::size_t size) {
    LineEditor& e = state(context);
    if (e.served < e.line_size) {
        // Still going with the line the user entered: no wait, so the prompt
        // is shown as it is.
        if (!write_prompt(e)) return 0;
    } else {
        int count = 0;
        errno = 0;
        const char* text = edit_line(e, count);
        e.prompt_size = 0;
        // A prompt or echo that could not be shown leaves nobody to answer:
        // input ends here, and finish reports the failure.
        if (e.screen_error != 0) return 0;
        if (text == nullptr || count <= 0) return count < 0 ? -1 : 0;
        e.line = text;
        e.line_size = static_cast<std::size_t>(count);
        e.served = 0;
        if (text[0] != '\n') {  // nothing to recall in an empty line
            HistEvent event;
            history(e.lines, &event, H_ENTER, text);
        }
    }
    const std::size_t n = std::min(size, e.line_size - e.served);
    std::memcpy(buffer, e.line + e.served, n);
    e.served += n;
    return static_cast<std::ptrdiff_t>(n);
}

// Ctrl-D: on an empty line the end of input, as at any terminal, but
// without the "^D" the editor would leave on the screen; within a line it
// deletes the character under the cursor, and at the end of one it beeps.
unsigned char delete_or_end(EditLine* editor, int) {
    const LineInfo* line = el_line(editor);
    if (line->buffer == line->lastchar) return CC_EOF;
    if (line->cursor == line->lastchar) return CC_ERROR;
    el_cursor(editor, 1);
    el_deletestr(editor, 1);
    return CC_REFRESH;
}

// The editor's messages: one that it cannot find the terminal's type among
// those the machine describes would show at every start.
ssize_t drop_message(void*, const char*, std::size_t size) {
    return static_cast<ssize_t>(size);
}

bool finish_editor(void* context) {
    LineEditor& e = state(context);
    write_prompt(e);
    release_terminal(e);
    if (e.editor != nullptr) el_end(e.editor);
    if (e.lines != nullptr) history_end(e.lines);
    if (e.screen != nullptr) std::fclose(e.screen);
    if (e.messages != nullptr) std::fclose(e.messages);
    e.editor = nullptr;
    e.lines = nullptr;
    e.screen = nullptr;
    e.messages = nullptr;
    errno = e.screen_error;
    return e.screen_error == 0;
}

}  // namespace

bool line_editor_wanted() {
    const char* term = std::getenv("TERM");
    return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1 &&
           (term == nullptr || std::strcmp(term, "dumb") != 0);
}

Device line_editor_device(LineEditor& e) {
    // The editor takes the line as characters of the user's character set,
    // so that a multibyte character moves and erases as one. The plain C
    // locale knows only ASCII and would have every other byte dropped, so
    // there the terminal is taken to send UTF-8, as terminals do today.
    const char* locale = std::setlocale(LC_CTYPE, "");
    if (locale == nullptr || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    e.screen = fopencookie(
        &e, "w",
        {.read = nullptr, .write = write_editor_output, .seek = nullptr, .close = nullptr});
    e.messages = fopencookie(
        nullptr, "w", {.read = nullptr, .write = drop_message, .seek = nullptr, .close = nullptr});
    if (e.screen != nullptr && e.messages != nullptr) {
        e.editor = el_init_fd("bity", stdin, e.screen, e.messages, STDIN_FILENO, STDOUT_FILENO,
                              STDERR_FILENO);
    }
    e.lines = history_init();
    if (e.editor == nullptr || e.lines == nullptr || !take_terminal(e)) {
        finish_editor(&e);
        return standard_device();
    }
    el_set(e.editor, EL_CLIENTDATA, &e);
    // A terminal of no type, or of one the machine has no description of
    // (as when a terminal's own has not been installed on a host one logs
    // in to), is taken for an xterm: every terminal in use today
    // understands its controls, every Debian system describes it
    // (ncurses-base), and unlike the dumb terminal the editor would make do
    // with, it can move the cursor up, as a line longer than a row needs.
    const char* term = std::getenv("TERM");
    if (term == nullptr || *term == '\0' || el_set(e.editor, EL_TERMINAL, term) != 0) {
        el_set(e.editor, EL_TERMINAL, "xterm");
    }
    HistEvent event;
    // Every line of the run stays recallable; a repeated line is kept once.
    history(e.lines, &event, H_SETSIZE, INT_MAX);
    history(e.lines, &event, H_SETUNIQUE, 1);
    el_set(e.editor, EL_EDITOR, "emacs");
    el_set(e.editor, EL_PROMPT, show_prompt);
    el_set(e.editor, EL_HIST, history, e.lines);
    // The editor puts the terminal back into its normal mode before Ctrl-C
    // or another signal ends the program, and back into its own after a stop.
    el_set(e.editor, EL_SIGNAL, 1);
    // A tab belongs to the text like any other character.
    el_set(e.editor, EL_BIND, "^I", "ed-insert", nullptr);
    // Named in wide characters: given narrow ones, the editor copies them
    // and never frees the copies.
    el_wset(e.editor, EL_ADDFN, L"bity-delete-or-end", L"Delete, or end input on an empty line",
            delete_or_end);
    el_set(e.editor, EL_BIND, "^D", "bity-delete-or-end", nullptr);
    // Ctrl-U erases from the start of the line to the cursor, as in shells,
    // rather than the whole line.
    el_set(e.editor, EL_BIND, "^U", "vi-kill-line-prev", nullptr);
    // The usual sequences for Delete, Home, End and a word to the left or
    // right, whatever the terminal description says (a missing or dumb one
    // has none).
    el_set(e.editor, EL_BIND, "\\e[3~", "ed-delete-next-char", nullptr);
    el_set(e.editor, EL_BIND, "\\e[1~", "ed-move-to-beg", nullptr);
    el_set(e.editor, EL_BIND, "\\e[7~", "ed-move-to-beg", nullptr);
    el_set(e.editor, EL_BIND, "\\e[4~", "ed-move-to-end", nullptr);
    el_set(e.editor, EL_BIND, "\\e[8~", "ed-move-to-end", nullptr);
    el_set(e.editor, EL_BIND, "\\e[1;5D", "ed-prev-word", nullptr);  // Ctrl-Left
    el_set(e.editor, EL_BIND, "\\e[1;5C", "em-next-word", nullptr);  // Ctrl-Right
    return {read_edited, write_held_back, finish_editor, &e};
}

}  // namespace console
