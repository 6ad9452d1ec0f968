// Line editing and history at a terminal, as a device on the standard
// streams: each line is edited until Enter hands it to the layer as if read
// from the terminal in its plain mode, with the unfinished last line of
// output (the dialogue's prompt) as its prompt.
#pragma once

#include "console/device.h"

namespace console {

// The line editor where both standard streams are one terminal that is not
// a dumb one (those, such as editor buffers, edit lines themselves); the
// plain standard device elsewhere, or where the terminal cannot be taken.
// Its finish gives the terminal back as it was found.
Device line_editor_device();

}  // namespace console
