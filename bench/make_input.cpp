// Writes the benchmark's inputs to standard output, the same bytes on every
// machine and every run:
//
//   make_input mixed LINES       the text line, then LINES lines of numbers
//                                (see input.h)
//   make_input long-text BYTES   a text line of BYTES letters, then "5"
//   make_input bad-line BYTES    an empty text line, a number line of "x" and
//                                BYTES letters, then "5"
//   make_input zeros COUNT       an empty text line, "17" with COUNT leading
//                                zeros, then "5"
//
// Large inputs are written as they are made, a mebibyte at a time.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/input.h"

namespace {

constexpr std::size_t chunk = 1u << 20;

bool put(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

bool put_repeated(char c, unsigned long long count) {
    const std::string block(chunk, c);
    for (; count >= chunk; count -= chunk) {
        if (!put(block)) return false;
    }
    return put(std::string(count, c));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_input mixed|long-text|bad-line|zeros COUNT\n");
        return 2;
    }
    const unsigned long long count = std::strtoull(argv[2], nullptr, 10);
    const std::string kind = argv[1];
    bool written = true;
    if (kind == "mixed") {
        bench::MixedInput input;
        std::string text = bench::MixedInput::text_line;
        for (unsigned long long done = 0; written && done < count; done += 10000) {
            input.append_lines(text, std::min(10000ull, count - done));
            written = put(text);
            text.clear();
        }
    } else if (kind == "long-text") {
        written = put_repeated('a', count) && put("\n5\n");
    } else if (kind == "bad-line") {
        written = put("\nx") && put_repeated('y', count) && put("\n5\n");
    } else if (kind == "zeros") {
        written = put("\n") && put_repeated('0', count) && put("17\n5\n");
    } else {
        std::fprintf(stderr, "make_input: unknown kind %s\n", argv[1]);
        return 2;
    }
    // A reader that stops early is no failure of this program.
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}
