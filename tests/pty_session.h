// Runs the program on a pseudo-terminal as a person would: it is started as
// a session of its own with the terminal as its controlling terminal, so
// that keys such as Ctrl-C act on it as at a real terminal.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "run_program.h"

namespace pty_session {

using namespace std::chrono_literals;
using run_program::Clock;

struct Session {
    int terminal = -1;  // the side the person sits at
    int input = -1;     // where typed keys go: the terminal or a pipe
    int output = -1;    // where the program's output arrives
    pid_t pid = -1;
};

struct Launch {
    bool input_on_pipe = false;   // standard input from a pipe, output on the terminal
    bool output_on_pipe = false;  // standard output into a pipe, input from the terminal
    // Changes to the program's environment: "NAME=value" sets, "NAME" removes.
    std::vector<std::string> environment{};
    // The window's size from the start; zero, as a new pseudo-terminal has,
    // leaves the editor to the width the terminal's description gives.
    winsize window{};
};

inline Session start(const Launch& how) {
    using namespace run_program;
    Session s;
    int child_side = -1;
    char name[128];
    EXPECT_EQ(openpty(&s.terminal, &child_side, name, nullptr, &how.window), 0);
    fcntl(s.terminal, F_SETFD, FD_CLOEXEC);
    close(child_side);  // reopened by the new session, which makes it its terminal
    const Stream terminal = file(name, O_RDWR);
    Pipe other;  // the stream that is not on the terminal
    if (how.input_on_pipe || how.output_on_pipe) other = make_pipe();
    s.pid = run_program::start({
        .command = program_command(),
        .input = how.input_on_pipe ? ours(other.read) : terminal,
        .output = how.input_on_pipe    ? terminal
                  : how.output_on_pipe ? ours(other.write)
                                       : copy_of(0),
        .errors = copy_of(how.input_on_pipe ? 1 : 0),
        .environment = how.environment,
        .own_session = true,
    });
    s.input = s.output = s.terminal;
    if (how.input_on_pipe) {
        close(other.read);
        s.input = other.write;
    } else if (how.output_on_pipe) {
        close(other.write);
        s.output = other.read;
    }
    return s;
}

inline Session start(bool output_on_pipe) {
    return start(Launch{.output_on_pipe = output_on_pipe});
}

inline void finish(const Session& s) {
    close(s.terminal);
    if (s.input != s.terminal) close(s.input);
    if (s.output != s.terminal) close(s.output);
}

// Adds what is there to read on `fd` to `text`, carriage returns left out
// unless `raw` (the terminal turns each line end into CR LF). False once the
// other side is gone.
inline bool read_some(int fd, std::string& text, bool raw = false) {
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    for (const char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
        if (raw || c != '\r') text += c;
    }
    return true;
}

// What arrives on `fd` within `time`, as read_some() gives it. Stops early
// once `wanted` is in.
inline std::string read_for(int fd, Clock::duration time, std::string_view wanted = {},
                            bool raw = false) {
    std::string text;
    const auto deadline = Clock::now() + time;
    while (wanted.empty() || text.find(wanted) == std::string::npos) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        if (!read_some(fd, text, raw)) break;
    }
    return text;
}

inline std::string read_until(int fd, std::string_view wanted) {
    std::string text = read_for(fd, 10s, wanted);
    EXPECT_NE(text.find(wanted), std::string::npos) << "never saw \"" << wanted << "\" in\n"
                                                    << text;
    return text;
}

inline void type(const Session& s, std::string_view keys) {
    ASSERT_EQ(write(s.input, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
}

// Gives the terminal a new size, as when its window is resized: the
// program is sent SIGWINCH.
inline void resize(const Session& s, unsigned short columns, unsigned short rows) {
    const winsize size{.ws_row = rows, .ws_col = columns, .ws_xpixel = 0, .ws_ypixel = 0};
    EXPECT_EQ(ioctl(s.terminal, TIOCSWINSZ, &size), 0);
}

// Types more than the terminal holds at once: what the program writes
// meanwhile is read as it comes, or both sides would wait for each other.
// Returns that output.
inline std::string type_long(const Session& s, std::string_view keys) {
    std::string text;
    const auto deadline = Clock::now() + 60s;
    while (!keys.empty() && Clock::now() < deadline) {
        pollfd p[2] = {{s.output, POLLIN, 0}, {s.input, POLLOUT, 0}};
        if (poll(p, 2, 1000) <= 0) continue;
        if ((p[0].revents & POLLIN) != 0 && !read_some(s.output, text)) break;
        if ((p[1].revents & POLLOUT) != 0) {
            const ssize_t n = write(s.input, keys.data(), std::min<std::size_t>(keys.size(), 1024));
            if (n <= 0) break;
            keys.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    EXPECT_TRUE(keys.empty()) << keys.size() << " bytes could not be typed";
    return text;
}

// The exit status, 128 + the signal's number if a signal ended the
// program, or -1 if it is still running after a while.
inline int wait_for_exit(const Session& s) {
    const run_program::Exit e = run_program::wait_for_exit(s.pid, Clock::now() + 10s);
    return e.timed_out ? -1 : e.status;
}

// Whether the terminal echoes and reads whole lines, as a shell expects to
// find it.
inline bool in_normal_mode(const Session& s) {
    termios mode{};
    EXPECT_EQ(tcgetattr(s.terminal, &mode), 0);
    return (mode.c_lflag & ECHO) != 0 && (mode.c_lflag & ICANON) != 0;
}

}  // namespace pty_session
