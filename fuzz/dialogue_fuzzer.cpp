// Fuzzes the whole dialogue over arbitrary bytes on standard input, read from
// memory, with standard output going to memory as well. Checks:
// - the input is read to its end and never again after it ended;
// - every pass of the number loop writes exactly one prompt, and each result
//   or error line follows a prompt; every output line ends with a line end;
// - the output is what a model built on std::strtoll predicts;
// - reads of other sizes give the same output;
// - with Windows' end mark (Ctrl-Z), the output is the model's for the bytes
//   before the first one, and nothing is read after the read that brought
//   it, with that read cut where the mark is and the input's first byte
//   choosing another read size;
// - when output fails part way, what was written is the start of the whole
//   output, nothing is read after the failure and the failure is reported;
// - when a read fails part way, what was written is the start of the whole
//   output up to a prompt, then a line end, nothing is read after the
//   failure and the failure is reported.
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "console/console.h"
#include "dialogue/dialogue.h"
#include "fuzz/fuzz_checks.h"
#include "tests/support/memory_console.h"

namespace {

using fuzz::check;
using fuzz::is_space;

// A memory device that watches the order of reads and writes.
struct Watched {
    console::MemoryDevice stream;
    console::Device inner{};
    bool input_ended = false;
    bool output_failed = false;
    bool read_after_end = false;
    bool read_after_failure = false;
};

console::Device watched_device(Watched& w) {
    w.inner = console::memory_device(w.stream);
    auto read = [](void* context, char* buffer, std::size_t size) -> std::ptrdiff_t {
        auto& s = *static_cast<Watched*>(context);
        if (s.input_ended) s.read_after_end = true;
        if (s.output_failed) s.read_after_failure = true;
        const std::ptrdiff_t n = s.inner.read(s.inner.context, buffer, size);
        if (n == 0) s.input_ended = true;
        return n;
    };
    auto write = [](void* context, const char* data, std::size_t size) {
        auto& s = *static_cast<Watched*>(context);
        const bool written = s.inner.write(s.inner.context, data, size);
        if (!written) s.output_failed = true;
        return written;
    };
    return {read, write, nullptr, &w, w.inner.end_mark};
}

struct Run {
    std::string output;
    console::Status status;
};

Run run(Watched& w) {
    console::Console& c = console::fresh_console(watched_device(w));
    run_dialogue(c);
    const console::Status status = console::finish(c);
    return {std::move(w.stream.output), status};
}

// --- the model -------------------------------------------------------------

const std::string_view header = "Maxinalni prvek je na 2. pozici, hodnota maxima je 1000.0.\n";
const std::string_view prompt = "Zadej cislo: ";
const std::string_view error_line = "Chybne zadani!\n";

std::uint32_t reversed(std::uint32_t word) {
    std::uint32_t result = 0;
    for (int bit = 0; bit < 32; ++bit) {
        if (word & (1u << bit)) result |= 1u << (31 - bit);
    }
    return result;
}

std::string result_line(std::uint32_t value) {
    char line[80];
    std::snprintf(line, sizeof line, "Zadano %08X, Y=%08X, pocet bitu v 1 %d\n", value,
                  reversed(value), std::popcount(value));
    return line;
}

// The whole output for `in`: the text line as a line read of 99 characters
// keeps it, then each number as std::strtoll with base 0 reads it.
std::string model(std::string_view in) {
    std::string out(header);

    std::size_t end_of_line = in.find('\n');
    const bool has_line_end = end_of_line != std::string_view::npos;
    if (!has_line_end) end_of_line = in.size();
    std::string_view line = in.substr(0, end_of_line);
    if (has_line_end && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = line.substr(0, 99);
    line = line.substr(0, line.find('\0'));  // printed as a C string
    std::size_t blanks = 0;
    for (const char c : line)
        blanks += c == ' ';
    out += "Zadej retez: Retez " + std::string(line) + " obsahuje " + std::to_string(blanks) +
           " mezer.\n";

    std::size_t pos = has_line_end ? end_of_line + 1 : in.size();
    for (;;) {
        out += prompt;
        while (pos < in.size() && is_space(in[pos]))
            ++pos;
        if (pos == in.size()) break;

        const std::string text(in.substr(pos));
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(text.c_str(), &end, 0);
        const bool overflow = errno == ERANGE;
        const auto length = static_cast<std::size_t>(end - text.c_str());
        // strtoll reads "0x" without a hexadecimal digit as 0 followed by x;
        // it is wrong input here.
        const std::size_t sign = text[0] == '+' || text[0] == '-' ? 1 : 0;
        const bool bare_0x =
            length == sign + 1 && text[sign] == '0' && (text[length] == 'x' || text[length] == 'X');
        if (length == 0 || bare_0x || overflow || value < INT32_MIN || value > UINT32_MAX) {
            out += error_line;
            const std::size_t next_line = in.find('\n', pos);
            pos = next_line == std::string_view::npos ? in.size() : next_line + 1;
        } else {
            out += result_line(static_cast<std::uint32_t>(value));
            pos += length;
        }
    }
    out += "\n";
    return out;
}

// --- the invariants --------------------------------------------------------

bool is_hex_word(std::string_view s) {
    if (s.size() != 8) return false;
    for (const char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

// A result line, with Y and the count agreeing with the value shown.
bool is_result_line(std::string_view line) {
    if (line.size() < 46 || line.substr(0, 7) != "Zadano " || line.substr(15, 4) != ", Y=" ||
        line.substr(27, 17) != ", pocet bitu v 1 " || line.back() != '\n') {
        return false;
    }
    if (!is_hex_word(line.substr(7, 8)) || !is_hex_word(line.substr(19, 8))) return false;
    const auto value = static_cast<std::uint32_t>(
        std::strtoul(std::string(line.substr(7, 8)).c_str(), nullptr, 16));
    return line == result_line(value);
}

void check_shape(std::string_view out) {
    check(!out.empty() && out.back() == '\n', "the output does not end with a line end", out);
    check(out.substr(0, header.size()) == header, "no maximum report first", out);
    out.remove_prefix(header.size());
    check(out.substr(0, 19) == "Zadej retez: Retez ", "no text prompt and report", out);
    out.remove_prefix(out.find('\n') + 1);
    // Then passes of the number loop: a prompt and one line each, the last
    // prompt finished by a bare line end.
    for (;;) {
        check(out.substr(0, prompt.size()) == prompt, "a pass without its prompt", out);
        out.remove_prefix(prompt.size());
        const std::size_t line_end = out.find('\n');
        check(line_end != std::string_view::npos, "a line without a line end", out);
        const std::string_view line = out.substr(0, line_end + 1);
        out.remove_prefix(line_end + 1);
        if (line == "\n") {
            check(out.empty(), "output after the end of the number loop", out);
            return;
        }
        check(line == error_line || is_result_line(line), "a line of neither kind after a prompt",
              line);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::take_input(data, size);

    Watched whole{.stream = {.input = input}};
    const Run r = run(whole);
    check(r.status.failed_stream == nullptr, "a stream failed", r.output);
    check(whole.stream.position == input.size(), "input left unread", r.output);
    check(!whole.read_after_end, "read again after the end of input", r.output);
    check_shape(r.output);
    check(r.output == model(input), "the output differs from the model's", r.output);

    for (const std::size_t chunk : {1u, 5u}) {
        Watched chunked{.stream = {.input = input, .chunk = chunk}};
        check(run(chunked).output == r.output, "the output depends on where the reads end");
        check(!chunked.read_after_end, "read again after the end of input");
    }

    // The mark ends the input where it stands. Reads end right before it,
    // so that it opens one, as well as in reads of a size the input picks.
    const std::size_t mark = std::min(input.find('\x1a'), input.size());
    const std::size_t picked = 1 + (size > 0 ? data[0] % 16u : 0);
    for (const std::size_t chunk : {std::max<std::size_t>(mark, 1), picked}) {
        Watched marked{.stream = {.input = input, .chunk = chunk, .end_mark = 0x1A}};
        const Run m = run(marked);
        check(m.status.failed_stream == nullptr, "a stream failed before the end mark", m.output);
        check(m.output == model(input.substr(0, mark)),
              "the output differs from the model's for the bytes before the end mark", m.output);
        check(mark == input.size() || marked.stream.reads == mark / chunk + 1,
              "read again after the end mark", m.output);
    }

    // Output that fails part way; with reads of one byte, output is written
    // before each, so the failure can come anywhere.
    const std::size_t limit = std::hash<std::string_view>{}(input) % r.output.size();
    Watched failing{.stream = {.input = input, .chunk = 1, .output_limit = limit}};
    const Run f = run(failing);
    check(f.status.failed_stream != nullptr &&
              std::strcmp(f.status.failed_stream, "standard output") == 0 &&
              f.status.error == ENOSPC,
          "a failed write not reported", f.output);
    check(r.output.compare(0, f.output.size(), f.output) == 0,
          "the output before a failed write is not the start of the whole", f.output);
    check(!failing.read_after_failure, "read again after output failed", f.output);

    // A read that fails, with reads of one byte, anywhere in the input.
    const std::size_t failing_read = 1 + std::hash<std::string_view>{}(input) % (input.size() + 1);
    Watched cut{.stream = {.input = input, .chunk = 1, .failing_read = failing_read}};
    const Run i = run(cut);
    check(i.status.failed_stream != nullptr &&
              std::strcmp(i.status.failed_stream, "standard input") == 0 && i.status.error == EIO,
          "a failed read not reported", i.output);
    check(cut.stream.reads == failing_read, "read again after a read failed", i.output);
    check(i.output.size() >= 1 && i.output.back() == '\n', "the open line not finished", i.output);
    const std::string_view before = std::string_view(i.output).substr(0, i.output.size() - 1);
    check(before.ends_with("Zadej retez: ") || before.ends_with(prompt),
          "output after a failed read that does not end at a prompt", i.output);
    check(r.output.compare(0, before.size(), before) == 0,
          "the output before a failed read is not the start of the whole", i.output);
    return 0;
}
