// Line editing and history at a terminal, typed on a pseudo-terminal: keys
// as a person presses them, and the reports that show which line the
// dialogue was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "pty_session.h"

namespace {

using namespace pty_session;

// The program as a person at an xterm starts it. No locale is set, as on
// many servers: the editor must still take multibyte input.
Launch at_xterm() {
    return {.environment = {"TERM=xterm", "LANG", "LC_ALL", "LC_CTYPE"}};
}

// Keys written as text with names in angle brackets: "ac<left>b<enter>".
std::string keys(std::string_view text) {
    static const std::pair<std::string_view, std::string_view> names[] = {
        {"<enter>", "\r"},
        {"<left>", "\x1b[D"},
        {"<right>", "\x1b[C"},
        {"<up>", "\x1b[A"},
        {"<down>", "\x1b[B"},
        {"<home>", "\x1b[H"},
        {"<end>", "\x1b[F"},
        {"<ctrl-left>", "\x1b[1;5D"},
        {"<ctrl-right>", "\x1b[1;5C"},
        {"<home-vt>", "\x1b[1~"},
        {"<end-vt>", "\x1b[4~"},
        {"<home-rxvt>", "\x1b[7~"},  // rxvt's Home and End
        {"<end-rxvt>", "\x1b[8~"},
        {"<delete>", "\x1b[3~"},
        {"<backspace>", "\x7f"},
        {"<tab>", "\t"},
        {"<ctrl-c>", "\x03"},
        {"<ctrl-d>", "\x04"},
        {"<ctrl-u>", "\x15"},
    };
    std::string result;
    while (!text.empty()) {
        bool named = false;
        for (const auto& [name, sequence] : names) {
            if (text.starts_with(name)) {
                result += sequence;
                text.remove_prefix(name.size());
                named = true;
                break;
            }
        }
        if (!named) {
            result += text.front();
            text.remove_prefix(1);
        }
    }
    return result;
}

std::size_t occurrences(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::string without_trailing_blanks(std::string line) {
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// What a terminal 80 columns wide (the width a terminal's description
// gives) shows after `output`: its rows, trailing blanks left out. It knows
// the controls the editor sends to redraw a line; anything else fails the
// test, so that a change is looked at.
std::vector<std::string> render(std::string_view output) {
    std::vector<std::vector<std::string>> rows(1);  // cells of one character each
    std::size_t row = 0;
    std::size_t column = 0;
    for (std::size_t i = 0; i < output.size();) {
        const auto c = static_cast<unsigned char>(output[i]);
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            if (++row == rows.size()) rows.emplace_back();
        } else if (c == '\b') {
            column -= column > 0 ? 1 : 0;
        } else if (c == '\t') {
            column = (column / 8 + 1) * 8;
        } else if (c == '\a') {
        } else if (c == '\x1b' && output.substr(i, 2) == "\x1b[") {
            std::size_t n = 0;
            std::size_t end = i + 2;
            for (; end < output.size() && output[end] >= '0' && output[end] <= '9'; ++end)
                n = n * 10 + static_cast<std::size_t>(output[end] - '0');
            const char command = end < output.size() ? output[end] : '\0';
            if (command == 'G') {
                column = n > 0 ? n - 1 : 0;
            } else if (command == 'A') {
                row -= std::min(row, std::max<std::size_t>(n, 1));
            } else if (command == '@') {  // blanks inserted, the rest of the row moved right
                auto& cells = rows[row];
                if (cells.size() > column) {
                    cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(column), n, " ");
                }
                cells.resize(std::min<std::size_t>(cells.size(), 80));
            } else if (command == 'K') {
                rows[row].resize(std::min(rows[row].size(), column));
            } else {
                ADD_FAILURE() << "unknown control " << testing::PrintToString(output.substr(i, 8));
            }
            i = end + 1;
            continue;
        } else if (c < ' ' || c == 0x7f) {
            ADD_FAILURE() << "unknown control " << static_cast<int>(c);
        } else {
            const std::size_t size = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 1;
            if (column == 80) {  // written past the last column: on to the next row
                column = 0;
                if (++row == rows.size()) rows.emplace_back();
            }
            if (rows[row].size() <= column) rows[row].resize(column + 1, " ");
            rows[row][column++] = std::string(output.substr(i, size));
            i += size;
            continue;
        }
        ++i;
    }
    std::vector<std::string> lines;
    for (const auto& cells : rows) {
        std::string line;
        for (const std::string& cell : cells)
            line += cell;
        lines.push_back(without_trailing_blanks(line));
    }
    return lines;
}

// Reads until the program waits at `prompt`: a prompt followed by more
// output was written before the program went on, and keys typed then would
// come before the editor is ready for them.
std::string read_until_waiting(int fd, std::string_view prompt) {
    std::string text;
    const auto deadline = Clock::now() + 10s;
    while (!text.ends_with(prompt) && Clock::now() < deadline)
        text += read_for(fd, 100ms, {}, true);
    EXPECT_TRUE(text.ends_with(prompt)) << "never waited at \"" << prompt << "\" in\n" << text;
    return text;
}

// Report lines the table expects.
const std::string x1 = "Zadano 00000001, Y=80000000, pocet bitu v 1 1";
const std::string x5 = "Zadano 00000005, Y=A0000000, pocet bitu v 1 2";
const std::string x3 = "Zadano 00000003, Y=C0000000, pocet bitu v 1 2";
const std::string x7 = "Zadano 00000007, Y=E0000000, pocet bitu v 1 3";
const std::string x15 = "Zadano 0000000F, Y=F0000000, pocet bitu v 1 4";
const std::string x105 = "Zadano 00000069, Y=96000000, pocet bitu v 1 4";
const std::string x150 = "Zadano 00000096, Y=69000000, pocet bitu v 1 4";

// A line longer than a row, edited at its start and end.
const std::string long_line =
    "Sw000 w001 w002 w003 w004 w005 w006 w007 w008 w009 w010 w011 w012 w013 w014 w015 w016 w017E";
const std::string long_prompt = "Zadej retez: " + long_line;
const std::string long_report = "Retez " + long_line + " obsahuje 17 mezer.";

struct EditCase {
    const char* name;
    // Each line is typed once its prompt shows; the first answers the text
    // prompt. An empty one is Enter alone, which brings no new prompt.
    std::vector<std::string> lines;
    // The screen then, below the first line: the dialogue's reports show
    // which lines it was given; the rest shows that each prompt and each
    // edited line is on screen once and in place.
    std::vector<std::string> screen;
};

void PrintTo(const EditCase& c, std::ostream* os) {
    *os << c.name;
}

// At an xterm, and at terminals of no type or of a type the machine has no
// description of, which the program takes for an xterm.
struct Terminal {
    const char* name;
    const char* environment;  // the change to TERM
};

void PrintTo(const Terminal& t, std::ostream* os) {
    *os << t.name;
}

// A terminal type the machine has no description of, as when a terminal's
// own type has not been installed on a host one logs in to: the program
// starts silently and edits lines as at an xterm.
const Terminal terminals[] = {{"AtXterm", "TERM=xterm"},
                              {"WithoutTerm", "TERM"},
                              {"AtUnknownTerminal", "TERM=bity-no-such-terminal"}};

class EditingTest : public testing::TestWithParam<std::tuple<EditCase, Terminal>> {};

TEST_P(EditingTest, ScreenShowsTheEditedLines) {
    const auto& [c, terminal] = GetParam();
    const Session s = start({.environment = {terminal.environment, "LANG", "LC_ALL", "LC_CTYPE"}});
    std::string output;
    bool previous_empty = false;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
        const char* prompt = i == 0 ? "Zadej retez: " : "Zadej cislo: ";
        output += previous_empty ? read_for(s.output, 300ms, {}, true)
                                 : read_until_waiting(s.output, prompt);
        type(s, keys(c.lines[i] + "<enter>"));
        previous_empty = c.lines[i].empty();
    }
    output += read_until_waiting(s.output, "Zadej cislo: ");

    std::vector<std::string> expected = {
        "Maxinalni prvek je na 2. pozici, hodnota maxima je 1000.0."};
    for (const std::string& line : c.screen)
        expected.push_back(without_trailing_blanks(line));
    EXPECT_EQ(render(output), expected) << testing::PrintToString(output);

    type(s, keys("<ctrl-d>"));
    EXPECT_EQ(wait_for_exit(s), 0);
    EXPECT_TRUE(in_normal_mode(s));
    finish(s);
}

const EditCase edit_cases[] = {
    {"LeftThenInsert",
     {"ac<left>b", "5<left>1"},
     {"Zadej retez: abc", "Retez abc obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"Right",
     {"ac<left><left><right>b", "1<left><left><right>5"},
     {"Zadej retez: abc", "Retez abc obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"HomeEnd",
     {"bc<home>a<end>d", "5<home>1<end>0"},
     {"Zadej retez: abcd", "Retez abcd obsahuje 0 mezer.", "Zadej cislo: 150", x150,
      "Zadej cislo: "}},
    {"HomeEndOfConsoles",
     {"bc<home-vt>a<end-vt>d", "5<home-rxvt>1<end-rxvt>0"},
     {"Zadej retez: abcd", "Retez abcd obsahuje 0 mezer.", "Zadej cislo: 150", x150,
      "Zadej cislo: "}},
    {"WordLeftAndRight",
     {"ab cd<ctrl-left>x<ctrl-left><ctrl-left><ctrl-right>y", "15"},
     {"Zadej retez: aby xcd", "Retez aby xcd obsahuje 1 mezer.", "Zadej cislo: 15", x15,
      "Zadej cislo: "}},
    {"Backspace",
     {"abx<backspace>c", "16<backspace>5"},
     {"Zadej retez: abc", "Retez abc obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"Delete",
     {"abxc<left><left><delete>", "1x5<left><left><delete>"},
     {"Zadej retez: abc", "Retez abc obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    // The tab stays a tab: as a blank the report would count 2.
    {"TabIsText",
     {"a<tab>b c", "15"},
     {"Zadej retez: a  b c", "Retez a b c obsahuje 1 mezer.", "Zadej cislo: 15", x15,
      "Zadej cislo: "}},
    {"MultibyteCharacterMovesAsOne",
     {"\xc4\x8dx<left><left>a ", "15"},
     {"Zadej retez: a \xc4\x8dx", "Retez a \xc4\x8dx obsahuje 1 mezer.", "Zadej cislo: 15", x15,
      "Zadej cislo: "}},
    {"UpRepeatsTheNumberLine",
     {"x", "15", "<up>"},
     {"Zadej retez: x", "Retez x obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: 15", x15,
      "Zadej cislo: "}},
    {"UpReachesTheTextLine",
     {"7", "15", "<up><up>"},
     {"Zadej retez: 7", "Retez 7 obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: 7", x7,
      "Zadej cislo: "}},
    // A line entered right after itself is kept once: Up Up passes over it.
    {"RepeatedLineIsKeptOnce",
     {"7", "15", "15", "<up><up>"},
     {"Zadej retez: 7", "Retez 7 obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: 15", x15,
      "Zadej cislo: 7", x7, "Zadej cislo: "}},
    {"DownComesBack",
     {"7", "15", "3", "<up><up><up><down>"},
     {"Zadej retez: 7", "Retez 7 obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: 3", x3,
      "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"EmptyLineIsNotRecalled",
     {"x", "15", "", "<up>"},
     {"Zadej retez: x", "Retez x obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: ", "15",
      x15, "Zadej cislo: "}},
    {"RecalledLineCanBeEdited",
     {"x", "15", "<up><left>0"},
     {"Zadej retez: x", "Retez x obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: 105",
      x105, "Zadej cislo: "}},
    {"CtrlDDeletesUnderTheCursor",
     {"abxc<left><left><ctrl-d>", "1x5<left><left><ctrl-d>"},
     {"Zadej retez: abc", "Retez abc obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"LongLineAcrossRows",
     {long_line.substr(1, long_line.size() - 2) + "<home>S<end>E", "15"},
     {long_prompt.substr(0, 80), long_prompt.substr(80), long_report.substr(0, 80),
      long_report.substr(80), "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"CtrlDAtTheEndOnlyBeeps",
     {"ab<ctrl-d>c", "15<ctrl-d>"},
     {"Zadej retez: abc", "Retez abc obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"CtrlUErasesUpToTheCursor",
     {"xy<left><ctrl-u>ab c", "9<ctrl-u>1<left>9<right>5<left><ctrl-u>"},
     {"Zadej retez: ab cy", "Retez ab cy obsahuje 1 mezer.", "Zadej cislo: 5", x5,
      "Zadej cislo: "}},
    {"WrongInputIsRecalledToo",
     {"x", "1z", "<up><backspace>"},
     {"Zadej retez: x", "Retez x obsahuje 0 mezer.", "Zadej cislo: 1z", x1,
      "Zadej cislo: Chybne zadani!", "Zadej cislo: 1", x1, "Zadej cislo: "}},
};

std::string edit_case_name(const testing::TestParamInfo<EditingTest::ParamType>& p) {
    return std::string(std::get<0>(p.param).name) + std::get<1>(p.param).name;
}

INSTANTIATE_TEST_SUITE_P(Keys, EditingTest,
                         testing::Combine(testing::ValuesIn(edit_cases),
                                          testing::ValuesIn(terminals)),
                         edit_case_name);

// The window resized while a line longer than a row is edited, at its end,
// start or middle, down to 10 columns and 2 rows: the program goes on, and
// the dialogue is given the line typed (of which it reports 99 bytes).
struct Resize {
    unsigned short columns;
    unsigned short rows;
    const char* keys;  // typed then
};

struct ResizeCase {
    const char* name;
    std::string keys;  // typed first, in a window 100 columns wide
    std::vector<Resize> resizes;
    std::string line;  // the line entered in the end
};

void PrintTo(const ResizeCase& c, std::ostream* os) {
    *os << c.name;
}

class ResizingTest : public testing::TestWithParam<ResizeCase> {};

TEST_P(ResizingTest, KeepsTheLine) {
    const ResizeCase& c = GetParam();
    Launch how = at_xterm();
    how.window = {.ws_row = 30, .ws_col = 100, .ws_xpixel = 0, .ws_ypixel = 0};
    const Session s = start(how);
    read_until_waiting(s.output, "Zadej retez: ");
    type(s, keys(c.keys));
    for (const Resize& r : c.resizes) {
        read_for(s.output, 100ms);
        resize(s, r.columns, r.rows);
        read_for(s.output, 100ms);
        type(s, keys(r.keys));
    }
    type(s, keys("<enter>"));
    const std::string seen = read_until(s.output, "Zadej cislo: ");
    const std::string kept = c.line.substr(0, 99);
    const auto blanks = std::to_string(std::count(kept.begin(), kept.end(), ' '));
    EXPECT_NE(seen.find("Retez " + kept + " obsahuje " + blanks + " mezer.\n"), std::string::npos)
        << seen;
    type(s, keys("<ctrl-d>"));
    EXPECT_EQ(wait_for_exit(s), 0);
    finish(s);
}

// 149 bytes: two rows at 100 columns, three at 60.
const std::string words =
    "w000 w001 w002 w003 w004 w005 w006 w007 w008 w009 w010 w011 w012 w013 w014 w015 w016 w017 "
    "w018 w019 w020 w021 w022 w023 w024 w025 w026 w027 w028 w029";

const ResizeCase resize_cases[] = {
    {"AtTheEnd", words, {{60, 30, "Y"}, {130, 30, "Z"}, {60, 30, "!"}}, words + "YZ!"},
    {"AtTheStart", words + "<home>", {{40, 10, "A"}, {200, 20, "B"}}, "AB" + words},
    {"InTheMiddle",
     "w" + words.substr(5) + "<home><right>",
     {{45, 5, "0"}, {100, 30, "00"}, {20, 4, " "}},
     "w000 " + words.substr(5)},
    {"DownToTheSmallest",
     words,
     {{10, 2, "a"}, {11, 3, "b"}, {10, 2, ""}, {200, 20, "c"}},
     words + "abc"},
};

INSTANTIATE_TEST_SUITE_P(Window, ResizingTest, testing::ValuesIn(resize_cases),
                         [](const testing::TestParamInfo<ResizeCase>& p) { return p.param.name; });

struct EndCase {
    const char* name;
    const char* keys;  // typed at the first number prompt
    int status;
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.name;
}

class EndingTest : public testing::TestWithParam<EndCase> {};

// However the program ends, the shell gets its terminal back in normal mode.
TEST_P(EndingTest, LeavesTheTerminalInNormalMode) {
    const Session s = start(at_xterm());
    read_until(s.output, "Zadej retez: ");
    type(s, "x\r");
    read_until(s.output, "Zadej cislo: ");
    type(s, keys(GetParam().keys));
    EXPECT_EQ(wait_for_exit(s), GetParam().status);
    EXPECT_TRUE(in_normal_mode(s));
    finish(s);
}

const EndCase end_cases[] = {
    {"CtrlDOnEmptyLine", "<ctrl-d>", 0},
    {"CtrlC", "<ctrl-c>", 128 + SIGINT},
    {"CtrlCWithinALine", "12<left><ctrl-c>", 128 + SIGINT},
};

INSTANTIATE_TEST_SUITE_P(Keys, EndingTest, testing::ValuesIn(end_cases),
                         [](const testing::TestParamInfo<EndCase>& p) { return p.param.name; });

// Ctrl-D that ends the input leaves nothing of its own on the screen: the
// dialogue's next output follows the prompt as it would at the end of a
// file.
TEST(Ending, CtrlDLeavesNothingOnTheScreen) {
    const Session s = start(at_xterm());
    std::string output = read_until_waiting(s.output, "Zadej retez: ");
    type(s, keys("<ctrl-d>"));
    EXPECT_EQ(wait_for_exit(s), 0);
    output += read_for(s.output, 1s, {}, true);
    const std::vector<std::string> expected = {
        "Maxinalni prvek je na 2. pozici, hodnota maxima je 1000.0.",
        "Zadej retez: Retez  obsahuje 0 mezer.", "Zadej cislo:", ""};
    EXPECT_EQ(render(output), expected) << testing::PrintToString(output);
    finish(s);
}

struct PlainCase {
    const char* name;
    Launch launch;
    bool screen_is_output;  // nothing but the program's output reaches `output`
};

void PrintTo(const PlainCase& c, std::ostream* os) {
    *os << c.name;
}

class PlainInputTest : public testing::TestWithParam<PlainCase> {};

// Without two terminals, or at a dumb one, keys reach the dialogue as typed:
// the escape sequence of Left ends up in the text.
TEST_P(PlainInputTest, KeysArriveAsTyped) {
    const PlainCase& c = GetParam();
    Session s = start(c.launch);
    std::string screen = read_until(s.output, "Zadej retez: ");
    type(s, keys("ac<left>b\n"));
    if (c.launch.input_on_pipe) {
        close(s.input);
        s.input = s.terminal;
    } else {
        screen += read_until(s.output, "Zadej cislo: ");
        type(s, keys("<ctrl-d>"));
    }
    EXPECT_EQ(wait_for_exit(s), 0);
    screen += read_for(s.output, 1s);

    const std::string report = "Retez ac\x1b[Db obsahuje 0 mezer.\n";
    if (c.screen_is_output) {
        EXPECT_EQ(screen,
                  "Maxinalni prvek je na 2. pozici, hodnota maxima je 1000.0.\n"
                  "Zadej retez: " +
                      report + "Zadej cislo: \n");
    } else {
        EXPECT_NE(screen.find(report), std::string::npos) << screen;
    }
    EXPECT_TRUE(in_normal_mode(s));
    finish(s);
}

const PlainCase plain_cases[] = {
    {"OutputOnPipe", {.output_on_pipe = true, .environment = {"TERM=xterm"}}, true},
    {"InputOnPipe", {.input_on_pipe = true, .environment = {"TERM=xterm"}}, true},
    {"DumbTerminal", {.environment = {"TERM=dumb"}}, false},
};

INSTANTIATE_TEST_SUITE_P(Streams, PlainInputTest, testing::ValuesIn(plain_cases),
                         [](const testing::TestParamInfo<PlainCase>& p) { return p.param.name; });

// A line longer than the layer's input buffer reaches the dialogue whole, in
// pieces, and the editor is not asked for another line in between.
TEST(LongLine, IsServedInPieces) {
    const Session s = start(at_xterm());
    read_until(s.output, "Zadej retez: ");
    type(s, "x\r");
    read_until(s.output, "Zadej cislo: ");
    // Some 300 KB, several times the input buffer, with numbers 993 bytes
    // apart, so that piece edges fall inside some of them.
    const std::size_t count = 300;
    std::string line;
    for (std::size_t i = 0; i < count; ++i)
        line += std::string(987, ' ') + "123456";
    std::string screen = type_long(s, line + "\r");
    const auto deadline = Clock::now() + 30s;
    while (occurrences(screen, "Zadano 0001E240, Y=02478000, pocet bitu v 1 6\n") < count &&
           Clock::now() < deadline) {
        screen += read_for(s.output, 100ms);
    }
    EXPECT_EQ(occurrences(screen, "Zadano 0001E240, Y=02478000, pocet bitu v 1 6\n"), count);
    EXPECT_EQ(occurrences(screen, "Zadano"), count);
    type(s, keys("<ctrl-d>"));
    EXPECT_EQ(wait_for_exit(s), 0);
    finish(s);
}

}  // namespace
