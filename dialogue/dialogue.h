#pragma once

#include "console/console.h"

// The whole conversation: the maximum report, the blank count of a typed
// line, then the number loop until input ends or a read fails. The prompt
// line left open then is finished with a line end.
void run_dialogue(console::Console& c);
