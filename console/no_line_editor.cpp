// Windows: the console edits lines itself, and is read in its plain mode.
#include "console/line_editor.h"

namespace console {

Device line_editor_device() {
    return standard_device();
}

}  // namespace console
