#include "console/line_editor_terminal.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace console {
namespace {

// The write end of the pipe the handlers note signals on: all that a handler
// can reach, so it is kept here.
int noted = -1;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

extern "C" void note_signal(int signal) {
    const int kept = errno;
    const auto number = static_cast<unsigned char>(signal);
    static_cast<void>(write(noted, &number, 1));
    errno = kept;
}

// Those whose default action ends the program. Faults are left as they are:
// a handler of theirs could not return.
constexpr int ending[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM,   SIGUSR1, SIGUSR2, SIGALRM,  SIGPIPE,
                          SIGPOLL, SIGPROF, SIGPWR,  SIGVTALRM, SIGXCPU, SIGXFSZ, SIGSTKFLT};

void handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);  // no SA_RESTART: a write that waits gives way
}

// Notes one that is at its default action: one ignored when the program
// started (as nohup ignores SIGHUP) stays ignored.
void note_unless_ignored(int signal) {
    struct sigaction action {};
    sigaction(signal, nullptr, &action);
    if (action.sa_handler == SIG_DFL) handle(signal, note_signal);
}

[[noreturn]] void end_by(const Terminal& t, int signal) {
    tcsetattr(STDIN_FILENO, TCSANOW, &t.normal);
    handle(signal, SIG_DFL);
    raise(signal);
    std::_Exit(128 + signal);
}

void take_notes(Terminal& t) {
    unsigned char signals[64];
    ssize_t n = 0;
    while ((n = read(t.notes, signals, sizeof signals)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            const int signal = signals[i];
            if (signal == SIGWINCH) {
                t.resized = true;
            } else if (signal == SIGTSTP) {
                t.stop = true;
            } else if (signal == SIGCONT) {
                t.continued = true;
            } else {
                end_by(t, signal);
            }
        }
    }
}

bool write_screen(Out& out, void* context) {
    Terminal& t = *static_cast<Terminal*>(context);
    const char* data = out.data;
    std::size_t size = out.used;
    out.used = 0;
    while (size > 0 && t.error == 0) {
        const ssize_t n = write(STDOUT_FILENO, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            take_notes(t);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd ready{STDOUT_FILENO, POLLOUT, 0};
            poll(&ready, 1, -1);
        } else {
            t.error = n < 0 ? errno : EIO;
        }
    }
    return t.error == 0;
}

}  // namespace

Window window_size() {
    winsize size{};
    ioctl(STDOUT_FILENO, TIOCGWINSZ, &size);
    // A terminal that gives no size is taken to have the usual one.
    return {size.ws_col > 0 ? size.ws_col : 80, size.ws_row > 0 ? size.ws_row : 24};
}

bool take_terminal(Terminal& t) {
    int ends[2];
    if (tcgetattr(STDIN_FILENO, &t.normal) != 0 || pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        return false;
    }
    t.notes = ends[0];
    noted = ends[1];
    // Keys come one by one and are not echoed; Ctrl-C, Ctrl-Z and Ctrl-\ do
    // what they do at any terminal, and output is processed as ever (LF as
    // CR LF). Those keys do not drop the keys before them that are still
    // unread, as in a paste: a Ctrl-Z where nobody could take the program up
    // again is ignored, and the line goes on with all that was typed.
    t.raw = t.normal;
    t.raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    t.raw.c_lflag |= NOFLSH;
    t.raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    t.raw.c_cc[VMIN] = 1;
    t.raw.c_cc[VTIME] = 0;
    for (const int signal : ending)
        note_unless_ignored(signal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        note_unless_ignored(signal);
    note_unless_ignored(SIGTSTP);
    handle(SIGWINCH, note_signal);
    handle(SIGCONT, note_signal);
    t.out = {.data = {}, .used = 0, .flush = write_screen, .context = &t};
    t.window = window_size();
    return tcsetattr(STDIN_FILENO, TCSANOW, &t.raw) == 0;
}

void release_terminal(Terminal& t) {
    t.out.flush(t.out, &t);
    for (int signal = 1; signal <= SIGRTMAX; ++signal) {
        struct sigaction action {};
        if (sigaction(signal, nullptr, &action) == 0 && action.sa_handler == note_signal) {
            handle(signal, SIG_DFL);
        }
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &t.normal);
    close(t.notes);
    close(noted);
    noted = -1;
}

Wait wait_for_keys(Terminal& t, int timeout) {
    std::memmove(t.keys, t.keys + t.from, t.to - t.from);
    t.to -= t.from;
    t.from = 0;
    if (t.to == sizeof t.keys) return Wait::keys;
    for (;;) {
        pollfd ready[] = {{t.notes, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int n = poll(ready, 2, timeout);
        if (n == 0) return Wait::nothing;
        if (n < 0 && errno != EINTR) return Wait::failed;
        if (n < 0 || (ready[0].revents & POLLIN) != 0) {
            take_notes(t);
            return Wait::signals;
        }
        const ssize_t got = read(STDIN_FILENO, t.keys + t.to, sizeof t.keys - t.to);
        if (got > 0) {
            t.to += static_cast<std::size_t>(got);
            return Wait::keys;
        }
        if (got == 0) return Wait::ended;
        if (errno != EINTR && errno != EAGAIN) return Wait::failed;
    }
}

bool take_stop(Terminal& t) {
    const bool stop = t.stop;
    t.stop = false;
    // Where the parent is in another session (tmux, ssh or xterm started the
    // program, or a test), no shell can take the program up again, and the
    // system would discard the stop: the terminal stays as it is.
    if (stop && getsid(getppid()) != getsid(0)) return false;
    if (stop) {
        t.out.flush(t.out, &t);
        tcsetattr(STDIN_FILENO, TCSANOW, &t.normal);
        handle(SIGTSTP, SIG_DFL);
        raise(SIGTSTP);  // stopped here, or not at all where the group is orphaned
        handle(SIGTSTP, note_signal);
        take_notes(t);
    }
    if (!stop && !t.continued) return false;
    // Continued: the terminal is the program's again. Its mode says whether
    // someone else had it meanwhile; a stray SIGCONT finds it as it was.
    const bool continued = t.continued;
    t.continued = false;
    termios now{};
    if (tcgetattr(STDIN_FILENO, &now) != 0 || (now.c_lflag & ICANON) == 0) return false;
    tcsetattr(STDIN_FILENO, TCSANOW, &t.raw);
    return continued;
}

}  // namespace console
