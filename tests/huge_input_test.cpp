// Runs the built program on inputs far longer than its buffers, fed through
// a pipe as they are made: a text line of 16 MiB, a bad number line of 16 MiB,
// a number with 16 million leading zeros, and many numbers whose output runs
// to megabytes; where size_t has 32 bits, a text line past 4 GiB as well.
// Each must give the right output in bounded time and, outside the sanitizer
// builds and emulators, with a peak resident memory under 8 MiB. (The
// benchmark, bench/run.sh, runs the same at full size: 1 GiB lines.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "run_program.h"

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

// Under an emulator the peak is the emulator's: its own code and its
// translation of the program come on top of what the program holds (11 to
// 13 MiB under QEMU 7.2 on any input, an empty one too, against 2 MiB
// natively).
constexpr bool emulated = sizeof(BITY_EMULATOR) > 1;

constexpr auto time_limit = std::chrono::seconds(30);
constexpr long memory_limit_kib = 8 * 1024;
constexpr std::size_t mib = 1024 * 1024;

// Input given as pieces, each repeated, so that none of it need be held whole.
// A count of bytes or repeats is 64 bits wide: these tests run where size_t
// has 32 bits too, on inputs past 4 GiB.
struct Piece {
    std::string text;
    std::uint64_t times = 1;
};

// The input as it is fed: runs of one piece, up to 32 KiB each, each made by
// doubling. Both are for the line past 4 GiB under QEMU, which took ten times
// as long with runs of 1 MiB made a piece at a time: there the 32-bit C
// library maps every block of 64 KiB or more afresh, and each run's pages
// then fault in one by one.
constexpr std::size_t run_size = 32 * 1024;

std::function<std::string()> runs_of(std::vector<Piece> input) {
    return [input = std::move(input), piece = std::size_t{0}, repeat = std::uint64_t{0}]() mutable {
        while (piece < input.size() && repeat == input[piece].times) {
            ++piece;
            repeat = 0;
        }
        if (piece == input.size()) return std::string();
        const Piece& p = input[piece];
        const auto times = static_cast<std::size_t>(std::min<std::uint64_t>(
            p.times - repeat,
            std::max<std::size_t>(1, run_size / std::max<std::size_t>(1, p.text.size()))));
        const std::size_t size = times * p.text.size();
        std::string run;
        run.reserve(size);
        run = p.text;
        while (run.size() < size)
            run.append(run, 0, std::min(run.size(), size - run.size()));
        repeat += times;
        return run;
    };
}

struct Result {
    std::string output;
    run_program::Exit exit;
};

Result run(std::vector<Piece> input) {
    using namespace run_program;
    const auto deadline = Clock::now() + time_limit;
    const Pipe in = make_pipe();
    const Pipe out = make_pipe();
    const pid_t pid =
        start({.command = program_command(), .input = ours(in.read), .output = ours(out.write)});
    close(in.read);
    close(out.write);
    Result r;
    r.output = exchange(pid, {in.write, runs_of(std::move(input))}, {out.read}, deadline);
    r.exit = wait_for_exit(pid, deadline);
    return r;
}

const std::string header = "Maxinalni prvek je na 2. pozici, hodnota maxima je 1000.0.\n";
const std::string empty_text = "Zadej retez: Retez  obsahuje 0 mezer.\n";
const std::string five = "Zadej cislo: Zadano 00000005, Y=A0000000, pocet bitu v 1 2\n";
const std::string last_prompt = "Zadej cislo: \n";

// The peak is the one the system keeps for the child, which also counts the
// memory this test had when it started the child: an upper bound.
void expect_within_limits(const Result& r) {
    EXPECT_FALSE(r.exit.timed_out) << "still running after " << time_limit.count() << " s";
    EXPECT_EQ(r.exit.status, 0);
    if (!sanitized && !emulated) {
        EXPECT_LT(r.exit.peak_kib, memory_limit_kib) << "peak resident memory in KiB";
    }
}

TEST(HugeInput, LongTextLineIsDroppedInConstantMemory) {
    const Result r = run({{"a", 16 * mib}, {"\n5\n"}});
    expect_within_limits(r);
    EXPECT_EQ(r.output, header + "Zadej retez: Retez " + std::string(99, 'a') +
                            " obsahuje 0 mezer.\n" + five + last_prompt);
}

// A count of this line's bytes in a 32-bit size_t would wrap to 99, as if
// the line had been stored whole, CR and all; dropping that CR would then
// drop the last byte kept. Where size_t is wider nothing wraps, and the
// console tests' cut lines ending in CR LF cover it in no time.
#if SIZE_MAX == UINT32_MAX
TEST(HugeInput, TextLinePast4GiBKeepsItsFirst99Bytes) {
    const std::uint64_t line = (std::uint64_t{1} << 32) + 99;  // its CR included
    const Result r = run({{"a", line - 1}, {"\r\n5\n"}});
    expect_within_limits(r);
    EXPECT_EQ(r.output, header + "Zadej retez: Retez " + std::string(99, 'a') +
                            " obsahuje 0 mezer.\n" + five + last_prompt);
}
#endif

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
