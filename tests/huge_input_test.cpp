// Runs the built program on inputs far longer than its buffers, fed through
// a pipe as they are made: a text line of 16 MiB, a bad number line of 16 MiB,
// a number with 16 million leading zeros, and many numbers whose output runs
// to megabytes. Each must give the right output in bounded time and, outside
// the sanitizer builds, with a peak resident memory under 8 MiB. (The
// benchmark, bench/run.sh, runs the same at full size: 1 GiB lines.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

using Clock = std::chrono::steady_clock;
constexpr auto time_limit = std::chrono::seconds(30);
constexpr long memory_limit_kib = 8 * 1024;
constexpr std::size_t mib = 1024 * 1024;

// Input given as pieces, each repeated, so that none of it need be held whole.
struct Piece {
    std::string text;
    std::size_t times = 1;
};

struct Result {
    std::string output;
    int status = -1;
    long peak_kib = 0;
    bool timed_out = false;
};

Result run(const std::vector<Piece>& input) {
    signal(SIGPIPE, SIG_IGN);
    int in[2];
    int out[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    char* argv[] = {const_cast<char*>(BITY_PROGRAM), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, BITY_PROGRAM, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    fcntl(in[1], F_SETFL, O_NONBLOCK);

    // Feed the pieces and gather the output until both are done.
    Result r;
    int input_fd = in[1];
    int output_fd = out[0];
    std::size_t piece = 0;
    std::size_t repeat = 0;
    std::size_t offset = 0;
    std::string chunk;  // a run of the current piece, up to 1 MiB
    const auto deadline = Clock::now() + time_limit;
    while (input_fd >= 0 || output_fd >= 0) {
        if (Clock::now() > deadline) {
            r.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        if (input_fd >= 0 && chunk.empty()) {
            while (piece < input.size() && repeat == input[piece].times) {
                ++piece;
                repeat = 0;
            }
            if (piece == input.size()) {
                close(input_fd);  // end of input
                input_fd = -1;
                continue;
            }
            const Piece& p = input[piece];
            const std::size_t times =
                std::min(p.times - repeat,
                         std::max<std::size_t>(1, mib / std::max<std::size_t>(1, p.text.size())));
            for (std::size_t k = 0; k < times; ++k)
                chunk += p.text;
            repeat += times;
            offset = 0;
        }
        pollfd fds[2] = {{output_fd, POLLIN, 0}, {input_fd, POLLOUT, 0}};
        if (poll(fds, 2, 100) <= 0) continue;
        if (fds[0].revents != 0) {
            char buffer[65536];
            const ssize_t n = read(output_fd, buffer, sizeof buffer);
            if (n > 0) {
                r.output.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(output_fd);
                output_fd = -1;
            }
        }
        if (fds[1].revents != 0) {
            const ssize_t n = write(input_fd, chunk.data() + offset, chunk.size() - offset);
            if (n > 0) {
                offset += static_cast<std::size_t>(n);
                if (offset == chunk.size()) chunk.clear();
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                close(input_fd);  // the program stopped reading
                input_fd = -1;
            }
        }
    }
    if (input_fd >= 0) close(input_fd);
    if (output_fd >= 0) close(output_fd);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.peak_kib = usage.ru_maxrss;
    return r;
}

const std::string header = "Maxinalni prvek je na 2. pozici, hodnota maxima je 1000.0.\n";
const std::string empty_text = "Zadej retez: Retez  obsahuje 0 mezer.\n";
const std::string five = "Zadej cislo: Zadano 00000005, Y=A0000000, pocet bitu v 1 2\n";
const std::string last_prompt = "Zadej cislo: \n";

// The peak is the one the system keeps for the child, which also counts the
// memory this test had when it started the child: an upper bound.
void expect_within_limits(const Result& r) {
    EXPECT_FALSE(r.timed_out) << "still running after " << time_limit.count() << " s";
    EXPECT_EQ(r.status, 0);
    if (!sanitized) {
        EXPECT_LT(r.peak_kib, memory_limit_kib) << "peak resident memory in KiB";
    }
}

TEST(HugeInput, LongTextLineIsDroppedInConstantMemory) {
    const Result r = run({{"a", 16 * mib}, {"\n5\n"}});
    expect_within_limits(r);
    EXPECT_EQ(r.output, header + "Zadej retez: Retez " + std::string(99, 'a') +
                            " obsahuje 0 mezer.\n" + five + last_prompt);
}

TEST(HugeInput, LongBadNumberLineIsDroppedInConstantMemory) {
    const Result r = run({{"\nx"}, {"y", 16 * mib}, {"\n5\n"}});
    expect_within_limits(r);
    EXPECT_EQ(r.output, header + empty_text + "Zadej cislo: Chybne zadani!\n" + five + last_prompt);
}

TEST(HugeInput, ManyLeadingZerosAreReadInConstantMemory) {
    const Result r = run({{"\n"}, {"0", 16 * mib}, {"17\n5\n"}});
    expect_within_limits(r);
    EXPECT_EQ(r.output, header + empty_text +
                            "Zadej cislo: Zadano 0000000F, Y=F0000000, pocet bitu v 1 4\n" + five +
                            last_prompt);
}

TEST(HugeInput, ManyNumbersGiveMegabytesOfOutputInConstantMemory) {
    const std::size_t lines = 100000;
    const Result r = run({{"\n"}, {"12 -1 0x10 abc 7\n", lines}});
    expect_within_limits(r);
    std::string per_line =
        "Zadej cislo: Zadano 0000000C, Y=30000000, pocet bitu v 1 2\n"
        "Zadej cislo: Zadano FFFFFFFF, Y=FFFFFFFF, pocet bitu v 1 32\n"
        "Zadej cislo: Zadano 00000010, Y=08000000, pocet bitu v 1 1\n"
        "Zadej cislo: Chybne zadani!\n";
    std::string expected = header + empty_text;
    for (std::size_t k = 0; k < lines; ++k)
        expected += per_line;
    expected += last_prompt;
    EXPECT_EQ(r.output.size(), expected.size());
    EXPECT_TRUE(r.output == expected) << "the output differs";
}

}  // namespace
