/* The dialogue written straight on the C runtime's stdio (printf, scanf,
 * puts, getchar), as a program on it would be: the yardstick that
 * bench/windows.sh times the Windows program against. Its output is the
 * program's wherever the numbers fit their 32 bits; numbers out of range
 * are whatever the runtime's scanf makes of them. */
#include <stdio.h>
#include <string.h>

static unsigned reverse_bits(unsigned word) {
    unsigned result = 0;
    for (int step = 0; step < 32; ++step) {
        result = (result << 1) | (word & 1u);
        word >>= 1;
    }
    return result;
}

static int count_one_bits(unsigned word) {
    int count = 0;
    for (int step = 0; step < 32; ++step) {
        count += (int)(word & 1u);
        word >>= 1;
    }
    return count;
}

int main(void) {
    const float pole[7] = {128, 11, 1000, -20, 34, 0, 89};
    char s[100] = "";
    int x = 0;

    int i = 0;
    for (int k = 1; k < 7; ++k) {
        if (pole[k] > pole[i]) i = k;
    }
    printf("Maxinalni prvek je na %d. pozici, hodnota maxima je %0.1f.\n", i, (double)pole[i]);

    printf("Zadej retez: ");
    if (fgets(s, sizeof s, stdin) != NULL) {
        s[strcspn(s, "\n")] = '\0';
    }
    int blanks = 0;
    for (const char* p = s; *p != '\0'; ++p) blanks += *p == ' ';
    printf("Retez %s obsahuje %d mezer.\n", s, blanks);

    for (;;) {
        printf("Zadej cislo: ");
        const int r = scanf("%i", &x);
        if (r == EOF) break;
        if (r != 0) {
            printf("Zadano %08X, Y=%08X, pocet bitu v 1 %d\n", (unsigned)x, reverse_bits((unsigned)x),
                   count_one_bits((unsigned)x));
        } else {
            puts("Chybne zadani!");
            int c;
            while ((c = getchar()) != '\n' && c != EOF) {
            }
        }
    }
    printf("\n");
    return 0;
}
