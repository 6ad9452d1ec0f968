#include "dialogue/dialogue.h"

#include <cstdint>

#include "console/console.h"
#include "routines/routines.h"

void run_dialogue() {
    const float pole[7] = {128, 11, 1000, -20, 34, 0, 89};
    char s[100];
    std::int32_t x = 0;

    const std::int32_t i = index_of_max(pole, 7);
    console::print("Maxinalni prvek je na %d. pozici, hodnota maxima je %0.1f.\n", i,
                   static_cast<double>(pole[i]));

    console::print("Zadej retez: ");
    console::read_line(s, sizeof s);
    console::print("Retez %s obsahuje %d mezer.\n", s, count_char(s, ' '));

    for (;;) {
        console::print("Zadej cislo: ");
        const int r = console::scan_int(&x);
        if (r == console::end_of_input) break;
        if (r != 0) {
            const auto pattern = static_cast<std::uint32_t>(x);
            console::print("Zadano %08X, Y=%08X, pocet bitu v 1 %d\n", pattern,
                           reverse_bits(pattern), count_one_bits(x));
        } else {
            console::put_line("Chybne zadani!");
            int c = 0;
            while ((c = console::get_char()) != '\n' && c != console::end_of_input) {
            }
        }
    }
    // Finish the prompt line that was left open when input ended.
    console::print("\n");
}
