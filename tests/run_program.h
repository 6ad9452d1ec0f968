// Starting the program for a test, feeding it and reading it under a
// deadline, and its exit status: what the tests that run the built program
// share. The path of that program is BITY_PROGRAM; BITY_EMULATOR is the
// command that runs it where it is built for another processor, empty
// where it runs as it is.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/types.h>

namespace run_program {

using Clock = std::chrono::steady_clock;

// What one of the program's standard streams is when it starts.
struct Stream {
    enum class Kind {
        inherited,  // the test's own
        closed,
        ours,  // the test's descriptor `fd`
        file,  // `path`, opened by the program with `flags`
        copy,  // the same as the program's descriptor `fd`
    };
    Kind kind = Kind::inherited;
    int fd = -1;
    std::string path{};
    int flags = O_RDONLY;
};

inline Stream closed() {
    return {.kind = Stream::Kind::closed};
}
inline Stream ours(int fd) {
    return {.kind = Stream::Kind::ours, .fd = fd};
}
inline Stream file(std::string path, int flags) {
    return {.kind = Stream::Kind::file, .path = std::move(path), .flags = flags};
}
inline Stream copy_of(int program_fd) {
    return {.kind = Stream::Kind::copy, .fd = program_fd};
}

struct Launch {
    std::vector<std::string> command;  // the program is looked up in PATH
    Stream input{};
    Stream output{};
    Stream errors{};
    // The test's environment with these changes: "NAME=value" sets, "NAME"
    // removes.
    std::vector<std::string> environment{};
    // A session of its own: the first terminal it opens becomes its
    // controlling terminal, so that keys such as Ctrl-C act on it.
    bool own_session = false;
};

// The words of `text`, split at blanks.
std::vector<std::string> words(const std::string& text);

// The command that starts the program: BITY_COMMAND from the environment
// when set (words split at blanks, e.g. "wine build-windows-x86/bity.exe"),
// the program built beside these tests otherwise, under BITY_EMULATOR.
std::vector<std::string> program_command();

// Starts the program; -1, and a failed test, if it cannot be started. It
// gets SIGPIPE and SIGINT at their default actions whatever the test has
// made of them, so that a reader that quits and Ctrl-C end it as they end
// any program. From here on the test itself ignores SIGPIPE: writing to a
// program that has gone fails instead of ending the test. Descriptors given
// as `ours` stay the test's to close.
pid_t start(const Launch& how);

// A pipe whose ends reach a program started later only when given to it.
struct Pipe {
    int read = -1;
    int write = -1;
};
Pipe make_pipe();

// Puts the open file description of `fd` in non-blocking mode: a program
// given it, or another descriptor of it, finds it so too.
void set_non_blocking(int fd);

// Pieces at most `bytes` long, with a pause after each: a slow writer or
// reader at the other end of the program's pipe.
struct Pace {
    std::size_t bytes = 65536;
    Clock::duration pause{};
};

// The program's standard input, fed from the test's end of a pipe.
struct Feed {
    int fd = -1;
    // The next piece of input; an empty one ends it, and the pipe is closed.
    std::function<std::string()> next;
    Pace pace{};
    // When given, the pipe is closed only once this holds of the output so
    // far: input left open until the program has answered what it got.
    std::function<bool(const std::string& output)> close_when{};
};

// The test's end of the pipe that is the program's standard output.
struct Drain {
    int fd = -1;
    // Closed once this much has arrived, as by a reader that quits early.
    std::size_t wanted = std::string::npos;
    Pace pace{};
};

// Feeds `feed` and reads `drain` until the output has ended and the input
// is all in or the program has ended, or until `deadline`; returns the
// output. Both descriptors are closed here.
std::string exchange(pid_t pid, Feed feed, Drain drain, Clock::time_point deadline);

// Feeds `text` once, then ends the input.
std::function<std::string()> once(std::string text);

struct Exit {
    int status = -1;         // the exit status, or 128 + the number of the signal that ended it
    long peak_kib = 0;       // the peak resident memory the system kept for it
    bool timed_out = false;  // still running at the deadline, so killed
};

// Waits for the program to end, killing it if it has not by `deadline`.
Exit wait_for_exit(pid_t pid, Clock::time_point deadline);

}  // namespace run_program
