// Built without a line editor: terminals are read in their plain mode.
#include "console/line_editor.h"

namespace console {

bool line_editor_wanted() {
    return false;
}

Device line_editor_device(LineEditor&) {
    return standard_device();
}

}  // namespace console
