#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/line_editor.h"
#include "dialogue/command_line.h"
#include "dialogue/dialogue.h"

int main(int argc, char* argv[]) {
    const Command command = read_command_line(argc, argv);
    if (command.task == Task::refuse) {
        std::fprintf(stderr, "bity: unknown argument '%s'; see 'bity --help'\n", command.refused);
        return 2;
    }
    // Static rather than on the stack: the layer's buffers take more than a
    // Windows thread's whole stack. Only the dialogue reads lines to edit.
    static console::Console console(command.task == Task::dialogue ? console::line_editor_device()
                                                                   : console::standard_device());
    if (command.task == Task::help) {
        print_help(console);
    } else if (command.task == Task::version) {
        print_version(console);
    } else {
        run_dialogue(console);
    }
    const console::Status status = console::finish(console);
    if (status.failed_stream != nullptr) {
        std::fprintf(stderr, "bity: %s: %s\n", status.failed_stream, std::strerror(status.error));
        return 1;
    }
    return 0;
}
