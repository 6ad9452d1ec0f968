// Runs the program on a pseudo-terminal as a person would: each prompt has to
// be on screen before the program waits, whether standard output is the
// terminal itself or a pipe (as in `bity | tee log`).
#include <gtest/gtest.h>

#include <string>

#include "pty_session.h"

namespace {

using namespace pty_session;

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
    finish(s);
}

std::string output_name(const testing::TestParamInfo<bool>& p) {
    return p.param ? "OnPipe" : "OnTerminal";
}

INSTANTIATE_TEST_SUITE_P(Output, TerminalTest, testing::Values(false, true), output_name);

}  // namespace
