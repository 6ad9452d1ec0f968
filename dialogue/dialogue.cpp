#include "dialogue/dialogue.h"

#include <cstdint>

#include "console/output.h"
#include "console/scan.h"
#include "routines/routines.h"

using console::decimal;
using console::fixed1;
using console::hex8;
using console::print;

void run_dialogue(console::Console& c) {
    const float pole[7] = {128, 11, 1000, -20, 34, 0, 89};
    char s[100];
    std::int32_t x = 0;

    // The largest element of the array, and the blanks of a line.
    const std::int32_t i = index_of_max(pole, 7);
    print(c, "Maxinalni prvek je na ", decimal(i), ". pozici, hodnota maxima je ",
          fixed1(static_cast<double>(pole[i])), ".\n");

    print(c, "Zadej retez: ");
    if (!console::read_line(c, s, sizeof s)) {
        print(c, "\n");  // a read failed: nothing more is reported
        return;
    }
    print(c, "Retez ", s, " obsahuje ", decimal(count_char(s, ' ')), " mezer.\n");

    // Integers, for as long as input lasts.
    for (;;) {
        print(c, "Zadej cislo: ");
        const console::Scanned r = console::scan_int(c, x);
        if (r == console::Scanned::end_of_input) break;
        if (r == console::Scanned::number) {
            const auto pattern = static_cast<std::uint32_t>(x);
            print(c, "Zadano ", hex8(pattern), ", Y=", hex8(reverse_bits(pattern)),
                  ", pocet bitu v 1 ", decimal(count_one_bits(x)), "\n");
        } else {
            print(c, "Chybne zadani!\n");
            console::skip_line(c);
        }
    }
    print(c, "\n");
}
