#include "run_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string_view>

#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace run_program {
namespace {

// This process's environment with `changes` applied.
std::vector<std::string> environment_with(const std::vector<std::string>& changes) {
    std::vector<std::string> result;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry = *e;
        const bool changed = std::any_of(changes.begin(), changes.end(), [&](const auto& c) {
            const std::string_view name = std::string_view(c).substr(0, c.find('='));
            return entry.size() > name.size() && entry.starts_with(name) &&
                   entry[name.size()] == '=';
        });
        if (!changed) result.emplace_back(entry);
    }
    for (const std::string& c : changes) {
        if (c.find('=') != std::string::npos) result.push_back(c);
    }
    return result;
}

void add_stream(posix_spawn_file_actions_t& actions, const Stream& s, int fd) {
    switch (s.kind) {
    case Stream::Kind::inherited:
        break;
    case Stream::Kind::closed:
        posix_spawn_file_actions_addclose(&actions, fd);
        break;
    case Stream::Kind::ours:
    case Stream::Kind::copy:
        posix_spawn_file_actions_adddup2(&actions, s.fd, fd);
        break;
    case Stream::Kind::file:
        posix_spawn_file_actions_addopen(&actions, fd, s.path.c_str(), s.flags, 0);
        break;
    }
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// Whether the program has ended, leaving it to be waited for.
bool has_ended(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

void close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

}  // namespace

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream split(text);
    for (std::string word; split >> word;)
        result.push_back(word);
    return result;
}

std::vector<std::string> program_command() {
    const char* command = std::getenv("BITY_COMMAND");
    return words(command != nullptr ? command : BITY_EMULATOR " " BITY_PROGRAM);
}

pid_t start(const Launch& how) {
    signal(SIGPIPE, SIG_IGN);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(
        &attributes,
        static_cast<short>(POSIX_SPAWN_SETSIGDEF | (how.own_session ? POSIX_SPAWN_SETSID : 0)));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    add_stream(actions, how.input, 0);
    add_stream(actions, how.output, 1);
    add_stream(actions, how.errors, 2);

    std::vector<std::string> arguments = how.command;
    std::vector<std::string> environment = environment_with(how.environment);
    const std::vector<char*> argv = pointers(arguments);
    const std::vector<char*> envp = pointers(environment);
    pid_t pid = -1;
    const int error = arguments.empty() ? EINVAL
                                        : posix_spawnp(&pid, argv[0], &actions, &attributes,
                                                       argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        ADD_FAILURE() << "cannot start " << (arguments.empty() ? "nothing" : arguments[0]) << ": "
                      << std::strerror(error);
        return -1;
    }
    return pid;
}

Pipe make_pipe() {
    int ends[2] = {-1, -1};
    EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0) << std::strerror(errno);
    return {ends[0], ends[1]};
}

void set_non_blocking(int fd) {
    EXPECT_EQ(fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK), 0) << std::strerror(errno);
}

std::string exchange(pid_t pid, Feed feed, Drain drain, Clock::time_point deadline) {
    std::string output;
    std::string piece;       // of input, being written
    std::size_t offset = 0;  // how much of it is in
    if (feed.fd >= 0) set_non_blocking(feed.fd);
    if (drain.wanted == 0 || pid <= 0) close_fd(drain.fd);
    if (pid <= 0) close_fd(feed.fd);
    bool fed = false;  // all of the input is in
    auto next_write = Clock::now();
    auto next_read = Clock::now();
    while (drain.fd >= 0 || (feed.fd >= 0 && !has_ended(pid))) {
        const auto now = Clock::now();
        if (now > deadline) break;
        if (feed.fd >= 0 && offset == piece.size() && now >= next_write && !fed) {
            piece = feed.next();
            offset = 0;
            fed = piece.empty();
        }
        if (fed && feed.fd >= 0 && (!feed.close_when || feed.close_when(output))) {
            close_fd(feed.fd);
        }
        const bool writing = feed.fd >= 0 && now >= next_write && !fed;
        const bool reading = drain.fd >= 0 && now >= next_read;
        pollfd p[2] = {{reading ? drain.fd : -1, POLLIN, 0}, {writing ? feed.fd : -1, POLLOUT, 0}};
        // A program still running with its output done is checked on often;
        // a paced side is woken when its pause is over.
        auto wait = std::chrono::milliseconds(drain.fd >= 0 ? 100 : 10);
        for (const auto& [open, at] :
             {std::pair{feed.fd >= 0, next_write}, std::pair{drain.fd >= 0, next_read}}) {
            if (open && at > now) {
                wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(at - now));
            }
        }
        if (poll(p, 2, static_cast<int>(wait.count())) <= 0) continue;
        if (p[0].revents != 0) {
            char buffer[65536];
            const std::size_t size =
                std::min({sizeof buffer, drain.pace.bytes, drain.wanted - output.size()});
            const ssize_t n = read(drain.fd, buffer, size);
            if (n > 0) output.append(buffer, static_cast<std::size_t>(n));
            if (n == 0 || (n < 0 && errno != EINTR) || output.size() == drain.wanted) {
                close_fd(drain.fd);
            }
            next_read = Clock::now() + drain.pace.pause;
        }
        if (p[1].revents != 0) {
            const std::size_t size = std::min(feed.pace.bytes, piece.size() - offset);
            const ssize_t n = write(feed.fd, piece.data() + offset, size);
            if (n > 0) {
                offset += static_cast<std::size_t>(n);
                next_write = Clock::now() + feed.pace.pause;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                close_fd(feed.fd);  // the program has closed its end or ended
            }
        }
    }
    close_fd(feed.fd);
    close_fd(drain.fd);
    return output;
}

std::function<std::string()> once(std::string text) {
    return [text = std::move(text), given = false]() mutable {
        const bool first = !given;
        given = true;
        return first ? text : std::string();
    };
}

Exit wait_for_exit(pid_t pid, Clock::time_point deadline) {
    Exit r;
    if (pid <= 0) return r;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (Clock::now() > deadline) {
            r.timed_out = true;
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            break;
        }
        usleep(10000);
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.peak_kib = usage.ru_maxrss;
    return r;
}

}  // namespace run_program
