// The editor would take these signals in handlers of its own, which act at
// whatever moment the signal comes. The one for a new window size rebuilds
// the editor's picture of the screen, keeping the cursor's place in the old
// width: a key typed at the end of a line that no longer fits in a row then
// writes past the end of one, and the program ends on a corrupted heap; a
// resize in the middle of a redraw frees what the redraw is writing to.
// Taken from a signalfd between two keys, each comes while the editor is at
// rest, and a new size is met by drawing the line anew where it starts.
// That needs a key reader of our own, and the editor's is also what sets
// its handlers again after a stop: a stop and a continue are taken here too.
#include "console/line_editor_terminal.h"

#include <histedit.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace console {
namespace {

// Those that end the program are left to the editor's handlers, which put
// the terminal back into its normal mode first.
sigset_t terminal_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGWINCH);
    sigaddset(&signals, SIGTSTP);
    sigaddset(&signals, SIGCONT);
    return signals;
}

// A number of the terminal's description as the editor holds it: "co" for
// its columns, "li" for its lines, as the editor last found them.
int terminal_number(EditLine* editor, const char* name) {
    int value = 0;
    el_get(editor, EL_GETTC, name, static_cast<void*>(&value), nullptr);
    return value;
}

// Where a character is written, counted from the start of the prompt.
struct Place {
    int row = 0;
    int column = 0;
};

// Shows `c` at `at` in a window `columns` wide, as the editor shows its
// prompt and line, and moves `at` past it: a character two columns wide
// that would not fit goes to the next row, a tab to the next tab stop; a
// control character is shown as ^X, another that cannot be printed as
// \U+XXXX. Only lays it out where `screen` is null.
void show(Place& at, wchar_t c, int columns, std::FILE* screen) {
    if (c == L'\n') {
        if (screen != nullptr) std::fputs("\r\n", screen);
        at = {at.row + 1, 0};
        return;
    }
    char text[MB_LEN_MAX + 8] = {};
    int width = wcwidth(c);
    if (c == L'\t') {
        width = 8 - at.column % 8;
        std::snprintf(text, sizeof text, "%*s", width, "");
    } else if (c < 0x100 && std::iswcntrl(static_cast<wint_t>(c)) != 0) {
        width = 2;
        text[0] = '^';
        text[1] = static_cast<char>(c == 0x7F ? '?' : c | 0x40);
    } else if (std::iswprint(static_cast<wint_t>(c)) != 0) {
        std::mbstate_t shift{};
        std::wcrtomb(text, c, &shift);
        width = std::max(width, 0);
    } else {
        width = std::snprintf(text, sizeof text, c > 0xFFFF ? "\\U+%05X" : "\\U+%04X",
                              static_cast<unsigned>(c));
    }
    if (width > 1 && c != L'\t' && at.column + width > columns) {
        if (screen != nullptr) std::fprintf(screen, "%*s", columns - at.column, "");
        at = {at.row + 1, 0};
    }
    if (screen != nullptr) std::fputs(text, screen);
    at.column += width;
    if (at.column >= columns) at = {at.row + 1, at.column - columns};
}

// Shows the prompt and the line up to `end` from `at` on, or only lays them
// out where `screen` is null.
void show_line(const LineEditor& e, const wchar_t* end, Place& at, int columns, std::FILE* screen) {
    std::mbstate_t shift{};
    for (std::size_t i = 0; i < e.prompt_size;) {
        wchar_t c = 0;
        const std::size_t n = std::mbrtowc(&c, e.prompt + i, e.prompt_size - i, &shift);
        if (n == 0 || n > e.prompt_size - i) break;
        show(at, c, columns, screen);
        i += n;
    }
    for (const wchar_t* c = el_wline(e.editor)->buffer; c < end; ++c)
        show(at, *c, columns, screen);
}

// Emits one of the terminal's controls, by its termcap name, `times` times
// as the terminal's description gives it; nothing if it has none.
void emit(EditLine* editor, const char* control, int times = 1) {
    for (int i = 0; i < times; ++i)
        el_set(editor, EL_ECHOTC, "-s", control, nullptr);
}

// A line taller than the window the editor draws by dropping its first rows
// from its picture of the screen, and it loses track of the cursor doing
// so: a key typed at the end of such a line can then write through a null
// row. It is told instead that the window has rows enough for the whole
// line, as a terminal scrolls it when it is written. They are counted from
// the number of characters alone, since none is shown wider than 8
// columns, and rounded up to a power of two, so that the count seldom
// changes: each change clears the editor's picture of the screen, which it
// then draws anew.
void make_room(LineEditor& e) {
    EditLine* editor = e.editor;
    const LineInfoW* line = el_wline(editor);
    const auto characters = static_cast<long>(e.prompt_size) + (line->lastchar - line->buffer);
    const long rows = 8 * characters / terminal_number(editor, "co") + 3;
    if (rows <= terminal_number(editor, "li")) return;
    char count[8];  // as many digits as the editor takes
    std::snprintf(count, sizeof count, "%ld",
                  std::min(std::bit_ceil(static_cast<unsigned long>(rows)), 9'999'999ul));
    el_set(editor, EL_SETTC, "li", count, nullptr);
}

// The window has a new size: the line is shown anew from where it starts.
// Most terminals today, tmux among them, lay out their rows anew for the
// new width, joining the rows a text ran on through; the cursor then is on
// the row it has in the new width, and that is where the line is taken to
// start. So that it stays one text running on from row to row for the next
// new width, the line is written here as one; the editor would write it row
// by row, moving down with line feeds, which end such a run. Its own
// picture of the screen is then brought in line by a redraw whose output
// is dropped. (A terminal that keeps its rows as they were leaves some of
// them behind when widened, and when narrowed loses as many rows above the
// line as the line then takes more.)
void redraw_resized(LineEditor& e) {
    EditLine* editor = e.editor;
    const int old_columns = terminal_number(editor, "co");
    el_resize(editor);
    make_room(e);
    // Only a new width moves the line's rows.
    const int columns = terminal_number(editor, "co");
    if (columns == old_columns) return;

    const LineInfoW* line = el_wline(editor);
    Place cursor;
    show_line(e, line->cursor, cursor, columns, nullptr);
    std::fputc('\r', e.screen);
    emit(editor, "up", cursor.row);
    // Cleared to the end of the screen from the second column: a screen
    // cleared from its first cell, some terminals (tmux) keep in their
    // history, and widening the window would bring its rows back.
    emit(editor, "nd");
    emit(editor, "cd");
    std::fputc('\r', e.screen);
    Place end;
    show_line(e, line->lastchar, end, columns, e.screen);
    // A line that fills its last row leaves the cursor at the row's end
    // until the next character; the editor takes it to be on the next row.
    if (end.column == 0 && end.row > 0) std::fputs(" \b", e.screen);
    emit(editor, "up", end.row - cursor.row);
    std::fputc('\r', e.screen);
    emit(editor, "nd", cursor.column);
    std::fflush(e.screen);
    e.muted = true;
    el_set(editor, EL_REFRESH);
    e.muted = false;
}

// Ctrl-Z: the program stops as the signal stops any program, with the
// terminal in its normal mode meanwhile.
void stop(LineEditor& e) {
    el_set(e.editor, EL_PREP_TERM, 0);
    struct sigaction stop_here {};
    stop_here.sa_handler = SIG_DFL;
    struct sigaction kept {};
    sigaction(SIGTSTP, &stop_here, &kept);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, SIGTSTP);
    raise(SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);  // stopped here until continued
    sigprocmask(SIG_BLOCK, &only, nullptr);
    sigaction(SIGTSTP, &kept, nullptr);
}

// Continued after a stop: the terminal goes back into the editor's mode,
// and the line is drawn anew where the cursor is, below what the shell has
// written meanwhile, as the editor itself does.
void redraw_continued(LineEditor& e) {
    el_set(e.editor, EL_PREP_TERM, 1);
    el_resize(e.editor);
    make_room(e);
    el_set(e.editor, EL_REFRESH);
}

void take_signals(LineEditor& e) {
    bool resized = false;
    bool continued = false;
    signalfd_siginfo signal{};
    while (read(e.signals, &signal, sizeof signal) == static_cast<ssize_t>(sizeof signal)) {
        if (signal.ssi_signo == SIGTSTP) stop(e);
        continued = continued || signal.ssi_signo == SIGCONT;
        resized = resized || signal.ssi_signo == SIGWINCH;
    }
    if (continued) {
        redraw_continued(e);
    } else if (resized) {
        redraw_resized(e);
    }
}

// A byte from the terminal, with the signals that come meanwhile taken as
// they come. 1, 0 at the end of input, or -1 on failure.
int read_byte(LineEditor& e, char& byte) {
    for (;;) {
        pollfd ready[] = {{e.signals, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (poll(ready, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if ((ready[0].revents & POLLIN) != 0) {
            take_signals(e);
            continue;
        }
        if (ready[1].revents == 0) continue;
        const ssize_t n = read(STDIN_FILENO, &byte, 1);
        if (n >= 0) return static_cast<int>(n);
        if (errno != EINTR && errno != EAGAIN) return -1;
    }
}

// The editor's key reader: one character of the locale's character set, as
// the editor's own reader takes it. A byte that cannot go on with a
// character is dropped, with those before it; it may start the next one.
int read_key(EditLine* editor, wchar_t* key) {
    LineEditor& e = line_editor_of(editor);
    make_room(e);
    char bytes[MB_LEN_MAX];
    std::size_t size = 0;
    for (;;) {
        const int got = read_byte(e, bytes[size]);
        if (got <= 0) {
            *key = L'\0';
            return got;
        }
        ++size;
        while (size > 0) {
            std::mbstate_t shift{};
            const std::size_t n = std::mbrtowc(key, bytes, size, &shift);
            if (n == static_cast<std::size_t>(-2)) {
                if (size < sizeof bytes) break;  // more of it to come
                errno = EILSEQ;
                return -1;
            }
            if (n != static_cast<std::size_t>(-1)) return 1;
            bytes[0] = bytes[size - 1];
            size = size > 1 ? 1 : 0;
        }
    }
}

}  // namespace

LineEditor& line_editor_of(EditLine* editor) {
    void* context = nullptr;
    el_get(editor, EL_CLIENTDATA, &context);
    return *static_cast<LineEditor*>(context);
}

bool take_terminal(LineEditor& e) {
    const sigset_t signals = terminal_signals();
    e.signals = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    return e.signals >= 0 && el_set(e.editor, EL_GETCFN, read_key) == 0;
}

const char* edit_line(LineEditor& e, int& count) {
    const sigset_t signals = terminal_signals();
    sigset_t kept;
    sigprocmask(SIG_BLOCK, &signals, &kept);
    const char* text = el_gets(e.editor, &count);
    sigprocmask(SIG_SETMASK, &kept, nullptr);
    return text;
}

void release_terminal(LineEditor& e) {
    if (e.signals >= 0) close(e.signals);
    e.signals = -1;
}

}  // namespace console
