#include "dialogue/command_line.h"

#include <string_view>

#include "console/output.h"

using console::print;

namespace {

// Windows' own console programs give their help for /? as well. Windows has
// no manual pages: the README comes beside the program instead.
#ifdef _WIN32
constexpr bool help_for_slash_question_mark = true;
constexpr const char* usage = "Usage: bity [--help | /? | --version]\n";
constexpr const char* options =
    "  --help, /?  show this help and exit\n"
    "  --version   show the version and exit\n";
constexpr const char* more = "More in README.txt, beside bity.exe.\n";
#else
constexpr bool help_for_slash_question_mark = false;
constexpr const char* usage = "Usage: bity [--help | --version]\n";
constexpr const char* options =
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";
constexpr const char* more = "More in the manual page: man bity\n";
#endif

Task task_of(std::string_view argument) {
    if (argument == "--help" || (help_for_slash_question_mark && argument == "/?")) {
        return Task::help;
    }
    if (argument == "--version") return Task::version;
    return Task::refuse;
}

}  // namespace

Command read_command_line(int argc, const char* const argv[]) {
    Command command{Task::dialogue, nullptr};
    for (int i = 1; i < argc; ++i) {
        const Task task = task_of(argv[i]);
        if (task == Task::refuse) return {Task::refuse, argv[i]};
        if (command.task == Task::dialogue) command.task = task;
    }
    return command;
}

void print_help(console::Console& c) {
    print(c, usage,
          "A dialogue in Czech: it reports the largest element of a built-in array,\n"
          "counts the blanks of a line of text, then shows each integer it is given\n"
          "as eight hexadecimal digits, bit-reversed, with its count of 1-bits.\n"
          "It reads standard input, typed or from a file, and writes standard output:\n"
          "  bity < numbers.txt\n"
          "\n",
          options, "\n", more);
}

void print_version(console::Console& c) {
    // The version is the one CMake's project() gives.
    print(c, "bity " BITY_VERSION "\n");
}
