#pragma once

// The whole conversation on the console layer: the maximum report, the blank
// count of a typed line, then the number loop until input ends.
void run_dialogue();
