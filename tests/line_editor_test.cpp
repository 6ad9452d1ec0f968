// Line editing and history at a terminal, typed on a pseudo-terminal: keys
// as a person presses them, and the reports that show which line the
// dialogue was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "console/keys.h"
#include "console/line_edit.h"
#include "console/screen_layout.h"
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
        {"<ctrl-r>", "\x12"},
        {"<ctrl-w>", "\x17"},
        {"<ctrl-y>", "\x19"},
        {"<ctrl-z>", "\x1a"},
        {"<escape>", "\x1b"},
        {"<insert>", "\x1b[2~"},
        {"<pgup>", "\x1b[5~"},
        {"<pgdn>", "\x1b[6~"},
        {"<ctrl-delete>", "\x1b[3;5~"},
        {"<f1-linux>", "\x1b[[A"},  // the Linux console's F1
        {"<f5>", "\x1b[15~"},
        {"<ctrl-a>", "\x01"},
        {"<ctrl-b>", "\x02"},
        {"<ctrl-e>", "\x05"},
        {"<ctrl-f>", "\x06"},
        {"<ctrl-g>", "\x07"},
        {"<ctrl-k>", "\x0b"},
        {"<ctrl-n>", "\x0e"},
        {"<ctrl-p>", "\x10"},
        {"<ctrl-t>", "\x14"},
        {"<alt-b>",
         "\x1b"
         "b"},
        {"<alt-d>",
         "\x1b"
         "d"},
        {"<alt-f>",
         "\x1b"
         "f"},
        {"<alt-backspace>", "\x1b\x7f"},
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

// A terminal as far as the editor drives it, `columns` wide and as tall as
// it needs to be: its rows of cells, trailing blanks left out, each marked
// when text ran on from it into the next, so that a new width lays such
// rows out anew, as terminals today (tmux among them) do. It knows the
// controls the editor sends; anything else fails the test, so that a change
// is looked at.
struct Screen {
    std::size_t columns = 80;
    std::vector<std::vector<std::string>> rows{1};  // cells of one character each
    std::vector<bool> runs_on{false};
    std::size_t row = 0;
    std::size_t column = 0;  // `columns` at the end of a full row

    void down() {
        if (++row == rows.size()) {
            rows.emplace_back();
            runs_on.push_back(false);
        }
    }

    void control(char command, std::size_t n) {
        column = std::min(column, columns - 1);
        if (command == 'A') {
            row -= std::min(row, std::max<std::size_t>(n, 1));
        } else if (command == 'C') {
            column = std::min(column + std::max<std::size_t>(n, 1), columns - 1);
        } else if (command == 'G') {
            column = n > 0 ? n - 1 : 0;
        } else if (command == 'H') {
            row = column = 0;
        } else if (command == '@') {  // blanks inserted, the rest of the row moved right
            auto& cells = rows[row];
            if (cells.size() > column) {
                cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(column), n, " ");
            }
            cells.resize(std::min(cells.size(), columns));
        } else if (command == 'P') {  // characters deleted, the rest of the row moved left
            auto& cells = rows[row];
            const auto at = std::min(column, cells.size());
            cells.erase(
                cells.begin() + static_cast<std::ptrdiff_t>(at),
                cells.begin() + static_cast<std::ptrdiff_t>(std::min(cells.size(), at + n)));
        } else if (command == 'K' || (command == 'J' && n == 0)) {
            rows[row].resize(std::min(rows[row].size(), column));
            if (command == 'J') rows.resize(row + 1);
            runs_on.resize(rows.size());
        } else if (command == 'J' && n == 2) {
            for (auto& cells : rows)
                cells.clear();
        } else if (command != 'm') {
            ADD_FAILURE() << "unknown control ESC [ " << n << " " << command;
        }
    }

    void write(std::string_view output) {
        for (std::size_t i = 0; i < output.size();) {
            const auto c = static_cast<unsigned char>(output[i]);
            if (c == '\x1b' && output.substr(i, 2) == "\x1b[") {
                std::size_t n = 0;
                std::size_t end = i + 2;
                for (; end < output.size() && output[end] >= '0' && output[end] <= '9'; ++end)
                    n = n * 10 + static_cast<std::size_t>(output[end] - '0');
                control(end < output.size() ? output[end] : '\0', n);
                i = end + 1;
                continue;
            }
            if (c == '\r') {
                column = 0;
            } else if (c == '\n') {
                down();
            } else if (c == '\b') {
                column = std::min(column, columns - 1) - (column > 0 ? 1 : 0);
            } else if (c == '\t') {
                column = std::min((column / 8 + 1) * 8, columns - 1);
            } else if (c < ' ' || c == 0x7f) {
                if (c != '\a') ADD_FAILURE() << "unknown control " << static_cast<int>(c);
            } else {
                std::size_t size = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 1;
                for (std::size_t k = 1; k < size; ++k) {
                    if (i + k >= output.size() || (output[i + k] & 0xc0) != 0x80) size = 1;
                }
                const std::string cell(output.substr(i, size));
                i += size;
                // U+0300 to U+036F combine with the character before them.
                if (cell >= "\xcc\x80" && cell <= "\xcd\xaf" && column > 0) {
                    rows[row][std::min(column, columns) - 1] += cell;
                    continue;
                }
                if (column == columns) {  // written past the last column: on to the next row
                    runs_on[row] = true;
                    column = 0;
                    down();
                }
                if (rows[row].size() <= column) rows[row].resize(column + 1, " ");
                rows[row][column++] = cell;
                continue;
            }
            ++i;
        }
    }

    // A new width: each run of rows is one line of cells, laid out anew,
    // the cursor with the cell it was at.
    void resize(std::size_t width) {
        Screen laid_out{.columns = width, .rows = {}, .runs_on = {}};
        for (std::size_t r = 0; r < rows.size(); ++r) {
            std::vector<std::string> line;
            std::size_t cursor = std::string::npos;
            for (;; ++r) {
                if (r == row) cursor = line.size() + std::min(column, columns - 1);
                line.insert(line.end(), rows[r].begin(), rows[r].end());
                if (!runs_on[r] || r + 1 == rows.size()) break;
                line.resize((line.size() + columns - 1) / columns * columns, " ");
            }
            const std::size_t first = laid_out.rows.size();
            for (std::size_t at = 0; at == 0 || at < line.size(); at += width) {
                const auto from = line.begin() + static_cast<std::ptrdiff_t>(at);
                laid_out.rows.emplace_back(
                    from, from + static_cast<std::ptrdiff_t>(std::min(width, line.size() - at)));
                laid_out.runs_on.push_back(at + width < line.size());
            }
            if (cursor != std::string::npos) {
                laid_out.row = first + cursor / width;
                laid_out.column = cursor % width;
                while (laid_out.rows.size() <= laid_out.row)
                    laid_out.down();
            }
        }
        *this = laid_out;
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        for (const auto& cells : rows) {
            std::string line;
            for (const std::string& cell : cells)
                line += cell;
            result.push_back(without_trailing_blanks(line));
        }
        return result;
    }
};

std::vector<std::string> render(std::string_view output) {
    Screen screen;
    screen.write(output);
    return screen.lines();
}

// Types `text` as keys() gives them, in one go as in a paste, but for
// these: at <wait> the screen is let settle first, as when a person looks
// at it before the next key, and <sig-...> sends the program that signal
// meanwhile. Returns what the program writes at those points.
std::string type_as_a_person(const Session& s, std::string_view text) {
    static const std::pair<std::string_view, int> signals[] = {
        {"<sig-cont>", SIGCONT}, {"<sig-usr1>", SIGUSR1},
        {"<sig-usr2>", SIGUSR2}, {"<sig-alrm>", SIGALRM},
        {"<sig-pipe>", SIGPIPE}, {"<sig-term>", SIGTERM},
        {"<sig-hup>", SIGHUP},   {"<wait>", 0}};
    std::string output;
    for (;;) {
        std::size_t at = std::string_view::npos;
        std::pair<std::string_view, int> mark;
        for (const auto& m : signals) {
            if (text.find(m.first) < at) {
                at = text.find(m.first);
                mark = m;
            }
        }
        type(s, keys(text.substr(0, at)));
        if (at == std::string_view::npos) return output;
        output += read_for(s.output, 200ms, {}, true);
        if (mark.second != 0 && s.pid > 0) {  // never -1: that would signal every process
            kill(s.pid, mark.second);
            output += read_for(s.output, 200ms, {}, true);
        }
        text.remove_prefix(at + mark.first.size());
    }
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

// 250 bytes, 19 blanks in the first 99; and a number line 227 bytes long,
// which with its prompt fills three rows.
const std::string quarter_line = [] {
    std::string line;
    for (int i = 0; i < 50; ++i)
        line += "abcd ";
    return line;
}();
const std::string ones = [] {
    std::string line = "1";
    for (int i = 0; i < 113; ++i)
        line += " 1";
    return line;
}();

// The rows of `line` at 80 columns.
std::vector<std::string> rows_of(const std::string& line) {
    std::vector<std::string> rows;
    for (std::size_t at = 0; at < line.size(); at += 80)
        rows.push_back(line.substr(at, 80));
    return rows;
}

std::vector<std::string> tall_screen() {
    std::vector<std::string> screen = rows_of("Zadej retez: " + quarter_line);
    for (const std::string& line :
         {"Retez " + quarter_line.substr(0, 99) + " obsahuje 19 mezer.", "Zadej cislo: " + ones}) {
        for (const std::string& row : rows_of(line))
            screen.push_back(row);
    }
    screen.push_back(x1);
    for (int i = 0; i < 113; ++i)
        screen.push_back("Zadej cislo: " + x1);
    screen.emplace_back("Zadej cislo: ");
    return screen;
}

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
        output += type_as_a_person(s, c.lines[i] + "<enter>");
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
    // Down at the newest line keeps it, and Up and Down come back to it.
    {"DownKeepsTheLineTyped",
     {"ab<down>", "15", "3<up><up><down><down>"},
     {"Zadej retez: ab", "Retez ab obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: 3", x3,
      "Zadej cislo: "}},
    // Lines of four rows and of three full ones, at a window of 24 rows: what
    // follows each goes below it.
    {"LinesOfSeveralRows", {quarter_line, ones}, tall_screen()},
    // No shell can take the program up again: the stop is ignored, and the
    // line stays editable.
    {"CtrlZWhereNoShellCanResume",
     {"12<wait><ctrl-z><wait><left>3", "15"},
     {"Zadej retez: 132", "Retez 132 obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    // The same in one paste: the keys before the Ctrl-Z, still unread, are kept.
    {"CtrlZInAPasteWhereNoShellCanResume",
     {"x", "1<ctrl-z>5"},
     {"Zadej retez: x", "Retez x obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"InsertAtTheStartOfTwoRows",
     {std::string(65, 'a') + "33aaaaa<wait><home>X", "15"},
     {"Zadej retez: X" + std::string(65, 'a') + "3", "3aaaaa",
      "Retez X" + std::string(65, 'a') + "33aaaaa", "obsahuje 0 mezer.", "Zadej cislo: 15", x15,
      "Zadej cislo: "}},
    {"CombiningCharactersTakeNoCell",
     {"abc e\xcc\x81 a\xcc\x88 xyz<wait><home>A", "15"},
     {"Zadej retez: Aabc e\xcc\x81 a\xcc\x88 xyz",
      "Retez Aabc e\xcc\x81 a\xcc\x88 xyz obsahuje 3 mezer.", "Zadej cislo: 15", x15,
      "Zadej cislo: "}},
    {"KeysThatTypeNothing",
     {"x", "1<insert><pgup><f1-linux><f5>5<pgdn><ctrl-delete>"},
     {"Zadej retez: x", "Retez x obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    // Shown as '?' in reverse video, and handed over as typed.
    {"BytesOfNoCharacterAreKept",
     {"a\xe9"
      "b\xff"
      "c\x80<wait><left><left>d",
      "15"},
     {"Zadej retez: a?b?dc?",
      "Retez a\xe9"
      "b\xff"
      "dc\x80 obsahuje 0 mezer.",
      "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"StrayContinueDrawsNothing",
     {"x<sig-cont>y", "15"},
     {"Zadej retez: xy", "Retez xy obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: "}},
    {"SearchBack",
     {"7", "15", "3", "<ctrl-r>1<wait>"},
     {"Zadej retez: 7", "Retez 7 obsahuje 0 mezer.", "Zadej cislo: 15", x15, "Zadej cislo: 3", x3,
      "Zadej cislo: 15", x15, "Zadej cislo: "}},
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
    // The screen before it is entered, where it is looked at: the window
    // lays its rows out anew for each new width, as tmux does.
    std::vector<std::string> screen{};
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
    Screen screen{.columns = 100};
    screen.write(read_until_waiting(s.output, "Zadej retez: "));
    type(s, keys(c.keys));
    for (const Resize& r : c.resizes) {
        screen.write(read_for(s.output, 100ms, {}, true));
        resize(s, r.columns, r.rows);
        screen.resize(r.columns);
        screen.write(read_for(s.output, 100ms, {}, true));
        type(s, keys(r.keys));
    }
    screen.write(read_for(s.output, 100ms, {}, true));
    if (!c.screen.empty()) {
        EXPECT_EQ(screen.lines(), c.screen);
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
    // Tabs, laid out anew for the narrower window, as drawn before they were.
    {"TabsNarrowed",
     "w1<tab>w2<tab>w3<tab>w4<tab>w5<tab>w6<tab>w7<tab>w8<tab>w9<tab>w10<tab>w11",
     {{30, 30, "<home>A<end>Z"}},
     "Aw1\tw2\tw3\tw4\tw5\tw6\tw7\tw8\tw9\tw10\tw11Z",
     {"Maxinalni prvek je na 2. pozic", "i, hodnota maxima je 1000.0.",
      "Zadej retez: Aw1        w2", "w3      w4      w5      w6", "w7      w8      w9      w10",
      "w11Z"}},
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
    type_as_a_person(s, GetParam().keys);
    EXPECT_EQ(wait_for_exit(s), GetParam().status);
    EXPECT_TRUE(in_normal_mode(s));
    finish(s);
}

const EndCase end_cases[] = {
    {"CtrlDOnEmptyLine", "<ctrl-d>", 0},
    {"CtrlC", "<ctrl-c>", 128 + SIGINT},
    {"CtrlCWithinALine", "12<left><ctrl-c>", 128 + SIGINT},
    // Each signal that ends the program, while a line is edited.
    {"Terminated", "12<left><sig-term>", 128 + SIGTERM},
    {"HungUp", "12<left><sig-hup>", 128 + SIGHUP},
    {"User1", "12<left><sig-usr1>", 128 + SIGUSR1},
    {"User2", "12<left><sig-usr2>", 128 + SIGUSR2},
    {"Alarm", "12<left><sig-alrm>", 128 + SIGALRM},
    {"BrokenPipe", "12<left><sig-pipe>", 128 + SIGPIPE},
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

// What /proc has of the program now: its processor time, and its resident
// memory now and at its peak. (The peak that wait4() gives includes this
// test's, whose memory the program starts in.)
struct Usage {
    double seconds = 0;
    long resident_kib = 0;
    long peak_kib = 0;
};

Usage usage(pid_t pid) {
    const std::string proc = "/proc/" + std::to_string(pid);
    std::ifstream stat(proc + "/stat");
    const std::string text{std::istreambuf_iterator<char>(stat), {}};
    std::istringstream fields(text.substr(text.rfind(')') + 2));  // from the third field on
    std::string field;
    Usage u;
    for (int i = 3; i <= 15 && fields >> field; ++i)  // 14, 15: in the program, in the system
        u.seconds += i >= 14 ? std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK)) : 0;
    std::ifstream status(proc + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) u.resident_kib = std::stol(line.substr(6));
        if (line.starts_with("VmHWM:")) u.peak_kib = std::stol(line.substr(6));
    }
    return u;
}

// The sanitizers take more time and memory than the program does.
#ifdef __SANITIZE_ADDRESS__
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

struct PasteCase {
    const char* name;
    std::string keys;  // pasted at the first number prompt
    std::string answer;
    std::size_t answers;  // how many times, and no other
    // Where given: the most processor seconds the paste may take, and the
    // most KiB of resident memory it may add for good, or use at its peak.
    double seconds = 0;
    long growth_kib = 0;
    long peak_kib = 0;
};

void PrintTo(const PasteCase& c, std::ostream* os) {
    *os << c.name;
}

class PastingTest : public testing::TestWithParam<PasteCase> {};

// Pasted lines are answered in time, with little memory, and a line longer
// than the layer's input buffer reaches the dialogue whole, in pieces,
// without the editor being asked for another line in between.
TEST_P(PastingTest, IsAnsweredInTime) {
    const PasteCase& c = GetParam();
    const Session s = start(at_xterm());
    read_until(s.output, "Zadej retez: ");
    type(s, "x\r");
    read_until(s.output, "Zadej cislo: ");
    const Usage before = usage(s.pid);
    std::string screen = type_long(s, c.keys);
    const auto deadline = Clock::now() + 30s;
    while (occurrences(screen, c.answer) < c.answers && Clock::now() < deadline)
        screen += read_for(s.output, 100ms);
    const Usage after = usage(s.pid);
    EXPECT_EQ(occurrences(screen, c.answer), c.answers);
    EXPECT_EQ(occurrences(screen, "Zadano"), c.answers);
    type(s, keys("<ctrl-d>"));
    EXPECT_EQ(wait_for_exit(s), 0);
    if (!sanitized && c.seconds > 0) {
        EXPECT_LE(after.seconds - before.seconds, c.seconds);
    }
    if (!sanitized && c.growth_kib > 0) {
        EXPECT_LE(after.resident_kib - before.resident_kib, c.growth_kib);
    }
    if (!sanitized && c.peak_kib > 0) {
        EXPECT_LE(after.peak_kib, c.peak_kib);
    }
    finish(s);
}

const PasteCase paste_cases[] = {
    // Some 300 KB, several times the input buffer, with numbers 993 bytes
    // apart, so that piece edges fall inside some of them.
    {"LongLineInPieces",
     [] {
         std::string line;
         for (int i = 0; i < 300; ++i)
             line += std::string(987, ' ') + "123456";
         return line + "\r";
     }(),
     "Zadano 0001E240, Y=02478000, pocet bitu v 1 6\n", 300},
    {"HundredThousandLines",
     [] {
         std::string lines;
         for (int i = 0; i < 100'000; ++i)
             lines += "15\r";
         return lines;
     }(),
     x15 + "\n", 100'000, 1.0, 2048},
    {"MillionCharacterLine", std::string(999'999, '0') + "7\r", x7 + "\n", 1, 1.0, 0, 16384},
};

INSTANTIATE_TEST_SUITE_P(Paste, PastingTest, testing::ValuesIn(paste_cases),
                         [](const testing::TestParamInfo<PasteCase>& p) { return p.param.name; });

// The rows of the tables below are named by their names.
template <typename Row>
requires requires(Row r) {
    r.name;
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

// The editor's parts, without a terminal, in the locale the program takes
// where none is set.
class Parts : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
};

struct DecodeCase {
    const char* name;
    std::string bytes;
    bool more;                                               // more bytes may come
    std::vector<std::pair<console::Key, std::size_t>> keys;  // and their lengths, to one of 0
};

class Decoding : public Parts, public testing::WithParamInterface<DecodeCase> {};

TEST_P(Decoding, TakesWholeKeys) {
    const DecodeCase& c = GetParam();
    std::vector<std::pair<console::Key, std::size_t>> keys;
    for (std::size_t at = 0; at < c.bytes.size();) {
        const console::KeyPress k =
            console::decode_key(c.bytes.data() + at, c.bytes.size() - at, c.more);
        keys.emplace_back(k.key, k.length);
        if (k.length == 0) break;
        at += k.length;
    }
    EXPECT_EQ(keys, c.keys);
}

using enum console::Key;
const DecodeCase decode_cases[] = {
    {"Xterm",
     "\x1b[1;5C\x1b[1;3D\x1b[H\x1b[F\x1b[3~\x1bOA",
     false,
     {{word_right, 6}, {word_left, 6}, {home, 3}, {end, 3}, {del, 4}, {up, 3}}},
    {"Rxvt",
     "\x1b[7~\x1b[8~\x1b[c\x1b[3^\x1b[7$\x1bOd",
     false,
     {{home, 4}, {end, 4}, {right, 3}, {del, 4}, {home, 4}, {word_left, 3}}},
    {"LinuxConsoleAndVt220",
     "\x1b[[A\x1b[1~\x1b[4~\x1b[2~\x1b[15~\x1b[3;5~",
     false,
     {{none, 4}, {home, 4}, {end, 4}, {none, 4}, {none, 5}, {del, 6}}},
    {"Alt",
     "\x1b"
     "b\x1b"
     "f\x1b"
     "d\x1b\x7f\x1bx\x1b\xc4\x8d",
     false,
     {{word_left, 2},
      {word_right, 2},
      {kill_word_forward, 2},
      {kill_word_back, 2},
      {none, 2},
      {none, 3}}},
    {"EscapeThenEnter", "\x1b\r", false, {{cancel, 1}, {enter, 1}}},
    {"EscapeMayStartAKey", "\x1b", true, {{none, 0}}},
    {"EscapeAlone", "\x1b", false, {{cancel, 1}}},
    {"SequenceToCome", "\x1b[1;5", true, {{none, 0}}},
    {"SequenceCutShort", "\x1b[1;5", false, {{none, 5}}},
    {"SequenceBrokenOff", "\x1b[1\x01", false, {{none, 3}, {home, 1}}},
    {"Controls",
     "\x01\x02\x04\x05\x06\x07\x08\x0b\x0c\r\x0e\x10\x12\x14\x15\x17\x19\x7f\n\x03",
     false,
     {{home, 1},   {left, 1},      {end_or_delete, 1}, {end, 1},
      {right, 1},  {cancel, 1},    {backspace, 1},     {kill_to_end, 1},
      {redraw, 1}, {enter, 1},     {down, 1},          {up, 1},
      {search, 1}, {transpose, 1}, {kill_to_start, 1}, {kill_blank_word, 1},
      {yank, 1},   {backspace, 1}, {enter, 1},         {none, 1}}},
    {"TextAndTabs", "ab\tc\xff\x80\rd", false, {{text, 6}, {enter, 1}, {text, 1}}},
    {"CharacterToCome", "a\xc4", true, {{text, 1}, {none, 0}}},
    {"CharacterCutShort", "a\xc4", false, {{text, 2}}},
};

INSTANTIATE_TEST_SUITE_P(Keys, Decoding, testing::ValuesIn(decode_cases),
                         [](const testing::TestParamInfo<DecodeCase>& p) { return p.param.name; });

// Types `keys` after the prompt "> ", with `history` entered before; returns
// the text then, '|' at the cursor.
struct Typed {
    console::Editing editing{};
    Typed(const std::vector<std::string>& history, std::string_view typed,
          const std::function<void(console::Editing&)>& after_each = {}) {
        for (const std::string& line : history) {
            console::begin_line(editing, "> ", 2);
            console::splice(editing.text, 2, 0, line.data(), line.size());
            console::remember(editing);
        }
        console::begin_line(editing, "> ", 2);
        const std::string bytes = keys(typed);
        for (std::size_t at = 0; at < bytes.size();) {
            const console::KeyPress k =
                console::decode_key(bytes.data() + at, bytes.size() - at, false);
            console::apply(editing, k, bytes.data() + at);
            at += k.length;
            if (after_each) after_each(editing);
        }
    }
    Typed(const Typed&) = delete;
    Typed& operator=(const Typed&) = delete;
    ~Typed() { console::release(editing); }
    std::string shown() const {
        std::string text(editing.text.data, editing.text.size);
        return text.insert(editing.cursor, "|");
    }
};

struct EditRow {
    const char* name;
    std::vector<std::string> history;
    std::string keys;   // as keys() names them
    std::string shown;  // the prompt and the line then, '|' at the cursor
};

class Edits : public Parts, public testing::WithParamInterface<EditRow> {};

TEST_P(Edits, LeaveTheLineSo) {
    EXPECT_EQ(Typed(GetParam().history, GetParam().keys).shown(), GetParam().shown);
}

const std::vector<std::string> greek = {"alpha", "beta", "gamma"};
const EditRow edit_rows[] = {
    {"CharacterMoves", {}, "abc<ctrl-b><ctrl-b>x<ctrl-f>y", "> axby|c"},
    {"WordMoves", {}, "ab cd<alt-b>x<alt-b><alt-b><alt-f>y", "> aby| xcd"},
    {"KillToABlankAndYank", {}, "ab cd ef<ctrl-w><ctrl-a><ctrl-y>", "> ef|ab cd "},
    {"KillWords",
     {},
     "one two three<alt-b><alt-backspace><ctrl-e><alt-b><ctrl-k><ctrl-a><alt-d><ctrl-y>",
     "> one| "},
    {"Transpose", {}, "abc<ctrl-t>", "> acb|"},
    {"TransposeWithin", {}, "abc<left><ctrl-t>", "> acb|"},
    {"TransposeAtTheStartDoesNothing", {}, "ab<home><ctrl-t>", "> |ab"},
    {"TransposeMultibyte",
     {},
     "a\xc4\x8d<ctrl-t>",
     "> \xc4\x8d"
     "a|"},
    {"CombiningMovesWithItsCharacter", {}, "ae\xcc\x81x<left><left><backspace>", "> |e\xcc\x81x"},
    {"CombiningErasedWithItsCharacter", {}, "ae\xcc\x81<left><delete>", "> a|"},
    {"ByteOfNoCharacter", {}, "a\xff<left>b", "> ab|\xff"},
    {"CtrlDDeletes", {}, "ab<home><ctrl-d>", "> |b"},
    {"UpAndDownComeBack", {"one", "two"}, "x<up><up><down><down>", "> x|"},
    {"UpStopsAtTheOldest", {"one", "two"}, "<up><up><up>", "> one|"},
    {"DownOnTheNewest", {"one"}, "x<down>", "> x|"},
    {"CtrlPAndCtrlN", {"one", "two"}, "<ctrl-p><ctrl-p><ctrl-n>", "> two|"},
    {"RepeatedLineKeptOnce", {"a", "b", "b"}, "<up><up>", "> a|"},
    {"HistoryKeepsTheLast100",
     [] {
         std::vector<std::string> lines;
         for (int i = 0; i < 150; ++i)
             lines.push_back(std::to_string(i));
         return lines;
     }(),
     [] {
         std::string up;
         for (int i = 0; i < 120; ++i)
             up += "<up>";
         return up;
     }(),
     "> 50|"},
    {"HistoryKeepsAMebibyte",
     {"small", std::string(700'000, 'a'), std::string(700'000, 'b')},
     "<up><up>",
     "> " + std::string(700'000, 'b') + "|"},
    {"SearchShowsTheNewestMatch", greek, "<ctrl-r>a", "(hledej) a: g|amma"},
    {"SearchAgainGoesOlder", greek, "<ctrl-r>a<ctrl-r>", "(hledej) a: bet|a"},
    {"SearchNarrows", greek, "<ctrl-r>al", "(hledej) al: |alpha"},
    {"SearchTakesBack", greek, "<ctrl-r>al<backspace>", "(hledej) a: g|amma"},
    {"SearchFails", greek, "x<ctrl-r>q", "(nenalezeno) q: x|"},
    {"SearchGivenUp", greek, "x<ctrl-r>a<ctrl-g>", "> x|"},
    {"SearchEscaped", greek, "x<ctrl-r>a<escape>", "> x|"},
    {"SearchTakenToEdit", greek, "<ctrl-r>al<right>!", "> a!|lpha"},
};

INSTANTIATE_TEST_SUITE_P(Keys, Edits, testing::ValuesIn(edit_rows),
                         [](const testing::TestParamInfo<EditRow>& p) { return p.param.name; });

struct LayoutRow {
    const char* name;
    std::string text;
    int columns;
    std::size_t row;  // where it ends
    int column;
};

class Layout : public Parts, public testing::WithParamInterface<LayoutRow> {};

TEST_P(Layout, EndsWhereTheTerminalPutsIt) {
    const LayoutRow& c = GetParam();
    const console::Place end = console::place_of(c.text, c.columns);
    EXPECT_EQ(std::make_pair(end.row, end.column), std::make_pair(c.row, c.column));
}

const LayoutRow layout_rows[] = {
    {"Ascii", "abc", 80, 0, 3},
    {"Tab", "a\tb", 80, 0, 9},
    {"TabToTheRowsEnd", std::string(78, 'a') + "\t", 80, 0, 80},
    {"TabOnTheNextRow", std::string(80, 'a') + "\t", 80, 1, 8},
    {"FullRow", std::string(80, 'a'), 80, 0, 80},
    {"NextRow", std::string(81, 'a'), 80, 1, 1},
    {"WideCharacterWraps", std::string(79, 'a') + "\xe4\xb8\xad", 80, 1, 2},
    {"CombiningTakesNoCell", "e\xcc\x81", 80, 0, 1},
    {"ControlCharacter", "\x01", 80, 0, 2},
    {"ControlCharacterAcrossRows", std::string(79, 'a') + "\x01", 80, 1, 1},
    {"ByteOfNoCharacter", "\xff\xc4", 80, 0, 2},
    {"CharacterThatCannotBeShown", "\xc2\x85", 80, 0, 1},
    {"Narrow", "abcdef", 4, 1, 2},
};

INSTANTIATE_TEST_SUITE_P(Cells, Layout, testing::ValuesIn(layout_rows),
                         [](const testing::TestParamInfo<LayoutRow>& p) { return p.param.name; });

struct DrawRow {
    const char* name;
    std::string keys;  // drawn after each
    int columns;
};

class Drawing : public Parts, public testing::WithParamInterface<DrawRow> {};

// Drawn key by key, a line shows as it does drawn once, with the cursor in
// its place.
TEST_P(Drawing, ShowsTheLineAsDrawnAnew) {
    const DrawRow& c = GetParam();
    const console::Window window{c.columns, 100};
    std::string output;
    console::Out out{};
    out.flush = [](console::Out& o, void* to) {
        static_cast<std::string*>(to)->append(o.data, o.used);
        o.used = 0;
        return true;
    };
    out.context = &output;
    console::Shown shown{};
    const Typed typed({}, c.keys, [&](console::Editing& e) {
        console::draw({e.text.data, e.text.size, e.cursor, e.changed}, shown, window, out);
        e.changed = static_cast<std::size_t>(-1);
    });
    const console::Editing& e = typed.editing;
    console::draw({e.text.data, e.text.size, e.cursor, 0}, shown, window, out);
    out.flush(out, out.context);
    Screen by_keys{.columns = static_cast<std::size_t>(c.columns)};
    by_keys.write(output);

    output.clear();
    console::Shown anew{};
    console::draw({e.text.data, e.text.size, e.cursor, 0}, anew, window, out);
    out.flush(out, out.context);
    Screen at_once{.columns = static_cast<std::size_t>(c.columns)};
    at_once.write(output);
    EXPECT_EQ(by_keys.lines(), at_once.lines());
    EXPECT_EQ(std::make_pair(by_keys.row, by_keys.column),
              std::make_pair(at_once.row, at_once.column));
}

const DrawRow draw_rows[] = {
    {"EditsAcrossRows", "ab cd ef gh<home>x<end>y<left><left><backspace><ctrl-a><ctrl-k>z", 6},
    {"InsertAtTheStartOfTwoRows", std::string(65, 'a') + "33aaaaa<home>X", 80},
    {"Tabs", "a<tab>b<tab>c<home>x<end>y<left><backspace>", 12},
    {"WideAndCombining", "\xe4\xb8\xad\xe4\xb8\xad\xe4\xb8\xad<home>a<end>e\xcc\x81<home><delete>",
     5},
    {"RowsThatGo", "aaaaaaaaaaaaaaaaaaaa<home><ctrl-k>b", 8},
    {"FullRows", "abcdefgh<backspace>h<backspace><backspace>gh", 10},
    {"SearchPrompt", "abc<ctrl-r>b<ctrl-g>d", 7},
};

INSTANTIATE_TEST_SUITE_P(Keys, Drawing, testing::ValuesIn(draw_rows),
                         [](const testing::TestParamInfo<DrawRow>& p) { return p.param.name; });

}  // namespace
