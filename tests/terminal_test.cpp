// Runs the program on a pseudo-terminal as a person would: each prompt has to
// be on screen before the program waits, whether standard output is the
// terminal itself or a pipe (as in `bity | tee log`).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Session {
    int terminal = -1;  // the side the person types on
    int output = -1;    // where the program's output arrives
    pid_t pid = -1;
};

Session start(bool output_on_pipe) {
    Session s;
    int child_side = -1;
    char name[128];
    EXPECT_EQ(openpty(&s.terminal, &child_side, name, nullptr, nullptr), 0);
    close(child_side);  // reopened below by the new session, which makes it its terminal
    int pipe_ends[2] = {-1, -1};
    if (output_on_pipe) {
        EXPECT_EQ(pipe(pipe_ends), 0);
    }

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, name, O_RDWR, 0);
    if (output_on_pipe) {
        posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
        posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
    } else {
        posix_spawn_file_actions_adddup2(&actions, 0, 1);
    }
    posix_spawn_file_actions_adddup2(&actions, 0, 2);
    posix_spawn_file_actions_addclose(&actions, s.terminal);

    char* argv[] = {const_cast<char*>(BITY_PROGRAM), nullptr};
    EXPECT_EQ(posix_spawn(&s.pid, BITY_PROGRAM, &actions, &attributes, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (output_on_pipe) {
        close(pipe_ends[1]);
        s.output = pipe_ends[0];
    } else {
        s.output = s.terminal;
    }
    return s;
}

// What arrives on `fd` within `time`, carriage returns left out (the
// terminal turns each line end into CR LF). Stops early once `wanted` is in.
std::string read_for(int fd, Clock::duration time, std::string_view wanted = {}) {
    std::string text;
    const auto deadline = Clock::now() + time;
    while (wanted.empty() || text.find(wanted) == std::string::npos) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;  // the other side is gone
        for (const char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
            if (c != '\r') text += c;
        }
    }
    return text;
}

std::string read_until(int fd, std::string_view wanted) {
    std::string text = read_for(fd, 10s, wanted);
    EXPECT_NE(text.find(wanted), std::string::npos) << "never saw \"" << wanted << "\" in\n"
                                                    << text;
    return text;
}

void type(const Session& s, std::string_view keys) {
    ASSERT_EQ(write(s.terminal, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
}

// The exit status, or -1 if the program is still running after a while.
int wait_for_exit(const Session& s) {
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

class TerminalTest : public testing::TestWithParam<bool> {};

TEST_P(TerminalTest, PromptsShowBeforeTheProgramWaits) {
    const Session s = start(GetParam());

    // Nothing typed yet: the report and the first prompt must already show.
    std::string seen = read_until(s.output, "Zadej retez: ");
    EXPECT_NE(seen.find("Maxinalni prvek je na 2. pozici, hodnota maxima je 1000.0.\n"),
              std::string::npos);

    type(s, "a b\n");
    seen = read_until(s.output, "Zadej cislo: ");
    EXPECT_NE(seen.find("Retez a b obsahuje 1 mezer.\n"), std::string::npos) << seen;

    type(s, "15\n");
    seen = read_until(s.output, "Zadej cislo: ");
    EXPECT_NE(seen.find("Zadano 0000000F, Y=F0000000, pocet bitu v 1 4\n"), std::string::npos)
        << seen;

    // Enter alone: the program keeps waiting and writes nothing, not even a prompt.
    type(s, "\n");
    seen = read_for(s.output, 300ms);
    EXPECT_EQ(seen.find("Zadej"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("Zadano"), std::string::npos) << seen;

    // Several numbers on a line: each gets its prompt and result at once.
    type(s, "1 2\n");
    seen = read_until(s.output, "Zadano 00000002, Y=40000000, pocet bitu v 1 1\nZadej cislo: ");
    EXPECT_NE(seen.find("Zadano 00000001, Y=80000000, pocet bitu v 1 1\nZadej cislo: "),
              std::string::npos)
        << seen;

    type(s, "\x04");  // Ctrl-D: end of input
    EXPECT_EQ(wait_for_exit(s), 0);
    close(s.terminal);
    if (s.output != s.terminal) close(s.output);
}

std::string output_name(const testing::TestParamInfo<bool>& p) {
    return p.param ? "OnPipe" : "OnTerminal";
}

INSTANTIATE_TEST_SUITE_P(Output, TerminalTest, testing::Values(false, true), output_name);

}  // namespace
