// Runs the built program on each case of transcripts.txt and compares its
// whole standard output and its exit status with the case's.
//
// The program is BITY_COMMAND from the environment when set (words split at
// blanks, e.g. "wine build-windows-x86/bity.exe"), the program built beside
// these tests otherwise. BITY_PLATFORM=windows says that it is a Windows
// program: its CR LF line ends are checked and then compared as LF, and the
// cases for other platforms are skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Transcript {
    std::string name;
    int line = 0;  // where the case starts in the file
    std::string input{};
    std::string output{};
    int status = 0;
    // Instead of `input` from a file: "closed" closes it, "endless" feeds
    // `input` again and again through a pipe, anything else is a file.
    std::string stdin_path{};
    // Instead of capturing all output: "closed" closes it, "quits early"
    // reads as many bytes as `output` has and then closes the pipe, anything
    // else is a file.
    std::string stdout_path{};
    std::string platform{};  // the only one the case is for
};

// Text after "< " or "> ": escapes \n \r \t \v \f \\ \xHH, and {N*text}
// for text repeated N times.
std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{') {
            const std::size_t star = text.find('*', i);
            const std::size_t close = text.find('}', i);
            if (star < close && close != std::string::npos) {
                const long count = std::strtol(text.c_str() + i + 1, nullptr, 10);
                const std::string unit = unescape(text.substr(star + 1, close - star - 1));
                for (long k = 0; k < count; ++k)
                    out += unit;
                i = close;
                continue;
            }
        }
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        switch (const char e = text[++i]) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'v':
            out += '\v';
            break;
        case 'f':
            out += '\f';
            break;
        case 'x':
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
            break;
        default:
            out += e;
            break;
        }
    }
    return out;
}

std::vector<Transcript> load(const char* path) {
    std::vector<Transcript> cases;
    std::ifstream file(path);
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (line.rfind("== ", 0) == 0) {
            cases.push_back({.name = line.substr(3), .line = number});
        } else if (line.empty() || line[0] == '#') {
            continue;
        } else if (cases.empty()) {
            ADD_FAILURE() << path << ":" << number << ": text before the first case";
        } else if (line.rfind("< ", 0) == 0) {
            cases.back().input += unescape(line.substr(2));
        } else if (line.rfind("> ", 0) == 0) {
            cases.back().output += unescape(line.substr(2));
        } else if (line.rfind("status: ", 0) == 0) {
            cases.back().status = std::stoi(line.substr(8));
        } else if (line.rfind("stdin: ", 0) == 0) {
            cases.back().stdin_path = line.substr(7);
        } else if (line.rfind("stdout: ", 0) == 0) {
            cases.back().stdout_path = line.substr(8);
        } else if (line.rfind("platform: ", 0) == 0) {
            cases.back().platform = line.substr(10);
        } else {
            ADD_FAILURE() << path << ":" << number << ": cannot read \"" << line << '"';
        }
    }
    return cases;
}

std::vector<std::string> program_command() {
    std::vector<std::string> words;
    const char* command = std::getenv("BITY_COMMAND");
    std::istringstream split(command != nullptr ? command : BITY_PROGRAM);
    for (std::string word; split >> word;)
        words.push_back(word);
    return words;
}

std::string program_platform() {
    const char* platform = std::getenv("BITY_PLATFORM");
    return platform != nullptr ? platform : "posix";
}

// Whether every LF in `text` ends a CR LF pair, as a Windows program writes
// its line ends.
bool has_crlf_line_ends(const std::string& text) {
    for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
        if (i == 0 || text[i - 1] != '\r') return false;
    }
    return true;
}

std::string lf_line_ends(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') out += text[i];
    }
    return out;
}

std::string read_all(int fd) {
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (errno != EINTR) {
            break;
        }
    }
    return text;
}

using Clock = std::chrono::steady_clock;

// However the streams are set up, a program that has not ended by then has
// hung: it is killed and the case fails.
constexpr auto time_limit = std::chrono::seconds(20);

struct Outcome {
    std::string output;
    std::string errors;
    int status = -1;
    bool timed_out = false;
};

// Reads the program's output from `output` (until its end, or until `wanted`
// bytes, when the pipe is closed as by a reader that quits) while feeding
// `feed` again and again into `input` (-1 for none), then waits for the
// program to end. Both descriptors are closed here.
void exchange(pid_t pid, int output, int input, const std::string& feed, std::size_t wanted,
              Outcome& r) {
    const auto deadline = Clock::now() + time_limit;
    if (input >= 0) fcntl(input, F_SETFL, O_NONBLOCK);
    if (wanted == 0 && output >= 0) {
        close(output);
        output = -1;
    }
    std::size_t fed = 0;  // how much of `feed` has gone in since it last began
    for (;;) {
        int status = 0;
        if (output < 0 && waitpid(pid, &status, WNOHANG) == pid) {
            r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (Clock::now() > deadline) {
            r.timed_out = true;
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            break;
        }
        pollfd p[2] = {{output, POLLIN, 0}, {input, POLLOUT, 0}};
        // Once output is done, poll only paces the wait for the program's end.
        if (poll(p, 2, output >= 0 ? 100 : 10) <= 0) continue;
        if (p[0].revents != 0) {
            char buffer[65536];
            const std::size_t size = std::min(sizeof buffer, wanted - r.output.size());
            const ssize_t n = read(output, buffer, size);
            if (n > 0) r.output.append(buffer, static_cast<std::size_t>(n));
            if (n == 0 || (n < 0 && errno != EINTR) || r.output.size() == wanted) {
                close(output);
                output = -1;
            }
        }
        if (p[1].revents != 0) {
            const ssize_t n = write(input, feed.data() + fed, feed.size() - fed);
            if (n > 0) {
                fed = (fed + static_cast<std::size_t>(n)) % feed.size();
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                close(input);  // the program has closed its end or ended
                input = -1;
            }
        }
    }
    if (output >= 0) close(output);
    if (input >= 0) close(input);
}

Outcome run(const Transcript& t) {
    // Writing to a pipe whose reader has gone must fail here, not end the
    // test; the program gets the default action back below.
    signal(SIGPIPE, SIG_IGN);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);

    FILE* input = std::tmpfile();
    FILE* errors = std::tmpfile();
    std::fwrite(t.input.data(), 1, t.input.size(), input);
    std::rewind(input);
    int endless[2] = {-1, -1};
    if (t.stdin_path == "closed") {
        posix_spawn_file_actions_addclose(&actions, 0);
    } else if (t.stdin_path == "endless") {
        EXPECT_FALSE(t.input.empty()) << "endless input needs input to repeat";
        EXPECT_EQ(pipe2(endless, O_CLOEXEC), 0);
        posix_spawn_file_actions_adddup2(&actions, endless[0], 0);
    } else if (!t.stdin_path.empty()) {
        posix_spawn_file_actions_addopen(&actions, 0, t.stdin_path.c_str(), O_RDONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, fileno(input), 0);
    }
    int out[2];
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    const bool quits_early = t.stdout_path == "quits early";
    if (t.stdout_path == "closed") {
        posix_spawn_file_actions_addclose(&actions, 1);
    } else if (!t.stdout_path.empty() && !quits_early) {
        posix_spawn_file_actions_addopen(&actions, 1, t.stdout_path.c_str(), O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    }
    posix_spawn_file_actions_adddup2(&actions, fileno(errors), 2);

    const std::vector<std::string> words = program_command();
    std::vector<char*> argv;
    for (const auto& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);

    Outcome r;
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(out[1]);
    if (endless[0] >= 0) close(endless[0]);
    if (spawned == 0) {
        exchange(pid, out[0], endless[1], t.input,
                 quits_early ? t.output.size() : std::string::npos, r);
    } else {
        ADD_FAILURE() << "cannot start " << argv[0];
        close(out[0]);
        if (endless[1] >= 0) close(endless[1]);
    }
    std::rewind(errors);
    r.errors = read_all(fileno(errors));
    std::fclose(input);
    std::fclose(errors);
    return r;
}

class TranscriptTest : public testing::TestWithParam<Transcript> {};

TEST_P(TranscriptTest, OutputAndStatus) {
    const Transcript& t = GetParam();
    const std::string platform = program_platform();
    if (!t.platform.empty() && t.platform != platform) GTEST_SKIP() << "for " << t.platform;
    Outcome r = run(t);
    SCOPED_TRACE(std::string(TRANSCRIPTS) + ":" + std::to_string(t.line) + ": " + t.name);
    EXPECT_FALSE(r.timed_out) << "still running after " << time_limit.count() << " s";
    if (platform == "windows") {
        EXPECT_TRUE(has_crlf_line_ends(r.output)) << r.output;
        EXPECT_TRUE(has_crlf_line_ends(r.errors)) << r.errors;
        r.output = lf_line_ends(r.output);
        r.errors = lf_line_ends(r.errors);
    }
    if (t.stdout_path.empty() || t.stdout_path == "quits early") {
        EXPECT_EQ(r.output, t.output);
    }
    EXPECT_EQ(r.status, t.status);
    if (t.status == 0 || t.status > 128) {
        // Nothing to say, or ended by a signal (128 + its number) before it could.
        EXPECT_EQ(r.errors, "");
    } else {
        // One line that says what went wrong.
        EXPECT_EQ(r.errors.rfind("bity: ", 0), 0u) << r.errors;
        EXPECT_EQ(r.errors.find('\n'), r.errors.size() - 1) << r.errors;
    }
}

// Keeps ctest's listing to the case's name.
void PrintTo(const Transcript& t, std::ostream* os) {
    *os << t.name;
}

std::string test_name(const testing::TestParamInfo<Transcript>& info) {
    std::string name;
    for (const char c : info.param.name)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, TranscriptTest, testing::ValuesIn(load(TRANSCRIPTS)), test_name);

}  // namespace
