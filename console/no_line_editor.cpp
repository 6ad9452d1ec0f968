// Built without a line editor: terminals are read in their plain mode.
#include "console/line_editor.h"

#include <cerrno>

namespace console {

bool line_editor_wanted() {
    return false;
}

bool line_editor_has_rest() {
    return false;
}

std::ptrdiff_t read_edited(const char*, std::size_t, char*, std::size_t) {
    errno = ENOTTY;
    return -1;
}

void end_line_editor() {}

}  // namespace console
