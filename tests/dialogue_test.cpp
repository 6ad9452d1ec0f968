// Whole runs of the dialogue on a console over memory: what reaches standard
// output and how the run ends when reads fail part way, which a run of the
// program cannot be made to do on demand.
#include "dialogue/dialogue.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/support/memory_console.h"

namespace {

const std::string header = "Maxinalni prvek je na 2. pozici, hodnota maxima je 1000.0.\n";

struct FailureCase {
    const char* name;
    std::string input;
    std::size_t failing_read;  // reads are of one byte each
    std::string output;
};

// Once a read fails, nothing more is converted or reported: the prompt line
// left open is finished, and the failure is reported.
TEST(Dialogue, FailedReadStopsIt) {
    const FailureCase cases[] = {
        {"at the first read", "a b\n15\n", 1, header + "Zadej retez: \n"},
        {"within the text line", "a b\n15\n", 3, header + "Zadej retez: \n"},
        {"within a number", "a b\n1234\n", 7,
         header + "Zadej retez: Retez a b obsahuje 1 mezer.\nZadej cislo: \n"},
        {"after a number", "a b\n15 16\n", 8,
         header + "Zadej retez: Retez a b obsahuje 1 mezer.\n"
                  "Zadej cislo: Zadano 0000000F, Y=F0000000, pocet bitu v 1 4\nZadej cislo: \n"},
        {"within a bad line", "\nabc 5\n6\n", 4,
         header + "Zadej retez: Retez  obsahuje 0 mezer.\n"
                  "Zadej cislo: Chybne zadani!\nZadej cislo: \n"},
    };
    for (const auto& c : cases) {
        console::MemoryDevice m{.input = c.input, .chunk = 1, .failing_read = c.failing_read};
        console::Console& console = console::fresh_console(m);
        run_dialogue(console);
        const console::Status status = console::finish(console);
        EXPECT_EQ(m.output, c.output) << c.name;
        EXPECT_STREQ(status.failed_stream, "standard input") << c.name;
        EXPECT_EQ(status.error, EIO) << c.name;
        EXPECT_EQ(m.reads, c.failing_read) << c.name << ": read again after the failure";
    }
}

}  // namespace
