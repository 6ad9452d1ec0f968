// Runs the built program on each case of transcripts.txt, with each set of
// arguments the case gives, and compares its whole standard output and its
// exit status with the case's.
//
// The program is started as run_program::program_command() says: the one
// built beside these tests, or BITY_COMMAND from the environment.
// BITY_PLATFORM=windows says that it is a Windows program: its CR LF line
// ends are checked and then compared as LF, and the cases for other
// platforms are skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "run_program.h"

namespace {

struct Transcript {
    std::string name;
    int line = 0;  // where the case starts in the file
    std::string input{};
    std::string output{};
    int status = 0;
    // Instead of `input` from a file: "closed" closes it, "endless" feeds
    // `input` again and again through a pipe, slow_input feeds it once
    // through a slow non-blocking pipe, held_input and slow_held_input
    // through a pipe closed only once the program has answered, anything
    // else is a file.
    std::string stdin_path{};
    // Instead of capturing all output: "closed" closes it, "quits early"
    // reads as many bytes as `output` has and then closes the pipe,
    // slow_output reads it all from a slow non-blocking pipe, anything else
    // is a file.
    std::string stdout_path{};
    std::string platform{};  // the only one the case is for
    std::string errors{};    // the line on standard error, where the case says
    // The program's arguments, split at blanks: a run for each line of
    // them, all with the same outcome; one run without when there are none.
    std::vector<std::string> arguments{};
};

// Text after "< " or "> ": escapes \n \r \t \v \f \\ \xHH, {N*text}
// for text repeated N times, and {version} for the version CMake's project()
// gives the program.
std::string unescape(const std::string& text) {
    const std::string_view version = "{version}";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (text.compare(i, version.size(), version) == 0) {
            out += BITY_VERSION;
            i += version.size() - 1;
            continue;
        }
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

// The two ends of a slow non-blocking pipe: pieces so small and pauses so
// long that the program finds its input empty, or its output full, again
// and again.
const std::string slow_input = "non-blocking pipe, fed slowly";
const std::string slow_output = "non-blocking pipe, read slowly";
constexpr run_program::Pace slow_feed{.bytes = 7, .pause = std::chrono::milliseconds(10)};
constexpr run_program::Pace slow_reader{.bytes = 4096, .pause = std::chrono::milliseconds(5)};

// A pipe closed only once the program has answered all it was fed: all of
// the "> " text is out but the line end written at the end of input. Fed
// slowly as well, it keeps finding an open pipe empty in non-blocking mode.
const std::string held_input = "pipe, held open until answered";
const std::string slow_held_input = slow_input + ", held open until answered";

// Whether a case's "stdin: " or "stdout: " names a stream: one of `kinds`,
// or a file by its absolute path, so that a misspelt kind is refused when
// the cases load rather than taken for the name of a file.
bool names_stream(const std::string& value, std::initializer_list<std::string_view> kinds) {
    return value.starts_with('/') || std::find(kinds.begin(), kinds.end(), value) != kinds.end();
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
            EXPECT_TRUE(names_stream(cases.back().stdin_path, {"closed", "endless", slow_input,
                                                               held_input, slow_held_input}))
                << path << ":" << number << ": no such standard input";
        } else if (line.rfind("stdout: ", 0) == 0) {
            cases.back().stdout_path = line.substr(8);
            EXPECT_TRUE(
                names_stream(cases.back().stdout_path, {"closed", "quits early", slow_output}))
                << path << ":" << number << ": no such standard output";
        } else if (line.rfind("platform: ", 0) == 0) {
            cases.back().platform = line.substr(10);
        } else if (line.rfind("errors: ", 0) == 0) {
            cases.back().errors = line.substr(8) + "\n";
        } else if (line.rfind("arguments: ", 0) == 0) {
            cases.back().arguments.push_back(line.substr(11));
        } else {
            ADD_FAILURE() << path << ":" << number << ": cannot read \"" << line << '"';
        }
    }
    return cases;
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

// However the streams are set up, a program that has not ended by then has
// hung: it is killed and the case fails.
constexpr auto time_limit = std::chrono::seconds(20);

// Sets `stream`, the program's standard input, as the case says; when that
// is a pipe, what the test feeds into it.
run_program::Feed connect_input(const Transcript& t, int input_file, run_program::Stream& stream) {
    using namespace run_program;
    const bool endless = t.stdin_path == "endless";
    const bool slow = t.stdin_path == slow_input || t.stdin_path == slow_held_input;
    const bool held = t.stdin_path == held_input || t.stdin_path == slow_held_input;
    const bool piped = endless || slow || held;
    if (t.stdin_path == "closed") {
        stream = closed();
    } else if (!t.stdin_path.empty() && !piped) {
        stream = file(t.stdin_path, O_RDONLY);
    } else if (!piped) {
        stream = ours(input_file);
    } else {
        EXPECT_FALSE(endless && t.input.empty()) << "endless input needs input to repeat";
        const Pipe p = make_pipe();
        if (slow) set_non_blocking(p.read);
        stream = ours(p.read);
        if (endless) return {p.write, [text = t.input] { return text; }};
        Feed feed{p.write, once(t.input), slow ? slow_feed : Pace{}};
        if (held) {
            const std::string answer = t.output.substr(0, t.output.size() - 1);
            feed.close_when = [answer](const std::string& output) {
                return lf_line_ends(output) == answer;
            };
        }
        return feed;
    }
    return {};
}

// Whether the case's standard output is a pipe that the test reads.
bool output_is_read(const Transcript& t) {
    return t.stdout_path.empty() || t.stdout_path == "quits early" || t.stdout_path == slow_output;
}

// Sets `stream`, the program's standard output, as the case says; when that
// is a pipe, how the test reads it.
run_program::Drain connect_output(const Transcript& t, run_program::Stream& stream) {
    using namespace run_program;
    if (t.stdout_path == "closed") {
        stream = closed();
        return {};
    }
    if (!output_is_read(t)) {
        stream = file(t.stdout_path, O_WRONLY);
        return {};
    }
    const Pipe p = make_pipe();
    stream = ours(p.write);
    if (t.stdout_path == slow_output) {
        set_non_blocking(p.write);
        return {.fd = p.read, .pace = slow_reader};
    }
    if (t.stdout_path != "quits early") return {p.read};
    // As much as the "> " text has, with a CR for each LF where the program
    // writes CR LF.
    const bool crlf = program_platform() == "windows";
    const auto lines = static_cast<std::size_t>(std::count(t.output.begin(), t.output.end(), '\n'));
    return {p.read, t.output.size() + (crlf ? lines : 0)};
}

struct Outcome {
    std::string output;
    std::string errors;
    run_program::Exit exit;
};

Outcome run(const Transcript& t, const std::vector<std::string>& arguments) {
    using namespace run_program;
    const auto deadline = Clock::now() + time_limit;
    FILE* input = std::tmpfile();
    FILE* errors = std::tmpfile();
    std::fwrite(t.input.data(), 1, t.input.size(), input);
    std::rewind(input);

    Launch launch{.command = program_command(), .errors = ours(fileno(errors))};
    launch.command.insert(launch.command.end(), arguments.begin(), arguments.end());
    const Feed feed = connect_input(t, fileno(input), launch.input);
    const Drain drain = connect_output(t, launch.output);
    const pid_t pid = start(launch);
    // The program's ends of the pipes are its own now.
    if (feed.fd >= 0) close(launch.input.fd);
    if (drain.fd >= 0) close(launch.output.fd);

    Outcome r;
    r.output = exchange(pid, feed, drain, deadline);
    r.exit = wait_for_exit(pid, deadline);
    std::rewind(errors);
    r.errors = read_all(fileno(errors));
    std::fclose(input);
    std::fclose(errors);
    return r;
}

// Where two long texts first differ, with some text around it: printed
// whole, outputs of many kilobytes would bury it.
std::string first_difference(const std::string& actual, const std::string& expected) {
    const auto at = static_cast<std::size_t>(
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first -
        actual.begin());
    const std::size_t from = at > 200 ? at - 200 : 0;
    return "output of " + std::to_string(actual.size()) + " bytes, expected " +
           std::to_string(expected.size()) + "; from byte " + std::to_string(from) + ":\n" +
           testing::PrintToString(actual.substr(from, 400)) + "\nexpected there:\n" +
           testing::PrintToString(expected.substr(std::min(from, expected.size()), 400));
}

class TranscriptTest : public testing::TestWithParam<Transcript> {};

// Compares a run of the case with what the case says.
void check(const Transcript& t, Outcome r) {
    const std::string platform = program_platform();
    EXPECT_FALSE(r.exit.timed_out) << "still running after " << time_limit.count() << " s";
    if (platform == "windows") {
        EXPECT_TRUE(has_crlf_line_ends(r.output)) << r.output;
        EXPECT_TRUE(has_crlf_line_ends(r.errors)) << r.errors;
        r.output = lf_line_ends(r.output);
        r.errors = lf_line_ends(r.errors);
    }
    if (output_is_read(t) && t.output.size() < 4096) {
        EXPECT_EQ(r.output, t.output);
    } else if (output_is_read(t)) {
        EXPECT_TRUE(r.output == t.output) << first_difference(r.output, t.output);
    }
    EXPECT_EQ(r.exit.status, t.status);
    if (t.status == 0 || t.status > 128) {
        // Nothing to say, or ended by a signal (128 + its number) before it could.
        EXPECT_EQ(r.errors, "");
    } else {
        // One line that says what went wrong.
        EXPECT_EQ(r.errors.rfind("bity: ", 0), 0u) << r.errors;
        EXPECT_EQ(r.errors.find('\n'), r.errors.size() - 1) << r.errors;
        if (!t.errors.empty()) {
            EXPECT_EQ(r.errors, t.errors);
        }
    }
}

TEST_P(TranscriptTest, OutputAndStatus) {
    const Transcript& t = GetParam();
    if (!t.platform.empty() && t.platform != program_platform()) {
        GTEST_SKIP() << "for " << t.platform;
    }
    SCOPED_TRACE(std::string(TRANSCRIPTS) + ":" + std::to_string(t.line) + ": " + t.name);
    if (t.arguments.empty()) check(t, run(t, {}));
    for (const std::string& arguments : t.arguments) {
        SCOPED_TRACE("arguments: " + arguments);
        check(t, run(t, run_program::words(arguments)));
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
