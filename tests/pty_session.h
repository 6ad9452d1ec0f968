// Runs the program on a pseudo-terminal as a person would: it is started as
// a session of its own with the terminal as its controlling terminal, so
// that keys such as Ctrl-C act on it as at a real terminal.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace pty_session {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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
};

// This process's environment with `changes` applied.
inline std::vector<std::string> environment_with(const std::vector<std::string>& changes) {
    std::vector<std::string> result;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry = *e;
        bool changed = false;
        for (const std::string& c : changes) {
            const std::string_view name = std::string_view(c).substr(0, c.find('='));
            changed =
                changed || (entry.size() > name.size() && entry.substr(0, name.size()) == name &&
                            entry[name.size()] == '=');
        }
        if (!changed) result.emplace_back(entry);
    }
    for (const std::string& c : changes) {
        if (c.find('=') != std::string::npos) result.push_back(c);
    }
    return result;
}

inline Session start(const Launch& how) {
    Session s;
    int child_side = -1;
    char name[128];
    EXPECT_EQ(openpty(&s.terminal, &child_side, name, nullptr, nullptr), 0);
    close(child_side);  // reopened below by the new session, which makes it its terminal
    int pipe_ends[2] = {-1, -1};
    if (how.input_on_pipe || how.output_on_pipe) {
        EXPECT_EQ(pipe(pipe_ends), 0);
    }

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Ctrl-C must act whatever this process was started with.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (how.input_on_pipe) {
        posix_spawn_file_actions_adddup2(&actions, pipe_ends[0], 0);
        posix_spawn_file_actions_addopen(&actions, 1, name, O_RDWR, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, name, O_RDWR, 0);
        posix_spawn_file_actions_adddup2(&actions, how.output_on_pipe ? pipe_ends[1] : 0, 1);
        posix_spawn_file_actions_adddup2(&actions, 0, 2);
    }
    if (pipe_ends[0] >= 0) {
        posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
        posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
    }
    posix_spawn_file_actions_addclose(&actions, s.terminal);

    std::vector<std::string> environment = environment_with(how.environment);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(BITY_PROGRAM), nullptr};
    EXPECT_EQ(posix_spawn(&s.pid, BITY_PROGRAM, &actions, &attributes, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);

    s.input = s.output = s.terminal;
    if (how.input_on_pipe) {
        close(pipe_ends[0]);
        s.input = pipe_ends[1];
    } else if (how.output_on_pipe) {
        close(pipe_ends[1]);
        s.output = pipe_ends[0];
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
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        int status = 0;
        if (waitpid(s.pid, &status, WNOHANG) == s.pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        usleep(10000);
    }
    kill(s.pid, SIGKILL);
    waitpid(s.pid, nullptr, 0);
    return -1;
}

// Whether the terminal echoes and reads whole lines, as a shell expects to
// find it.
inline bool in_normal_mode(const Session& s) {
    termios mode{};
    EXPECT_EQ(tcgetattr(s.terminal, &mode), 0);
    return (mode.c_lflag & ECHO) != 0 && (mode.c_lflag & ICANON) != 0;
}

}  // namespace pty_session
