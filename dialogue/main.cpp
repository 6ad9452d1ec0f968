#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/line_editor.h"
#include "dialogue/dialogue.h"

int main() {
    // Static rather than on the stack: the layer's buffers take more than a
    // Windows thread's whole stack.
    static console::LineEditor editor;
    static console::Console console(console::line_editor_wanted()
                                        ? console::line_editor_device(editor)
                                        : console::standard_device());
    run_dialogue(console);
    const console::Status status = console::close(console);
    if (status.failed_stream != nullptr) {
        std::fprintf(stderr, "bity: %s: %s\n", status.failed_stream, std::strerror(status.error));
        return 1;
    }
    return 0;
}
