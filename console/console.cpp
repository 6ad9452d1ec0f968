#include "console/console.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstring>

#include "console/line_editor.h"

namespace console {
namespace {

constexpr std::size_t buffer_size = 64 * 1024;

struct Input {
    char data[buffer_size];
    std::size_t next;
    std::size_t end;
    bool ended;  // sticky, as a terminal's end of input is for the whole run
    int error;
};

struct Output {
    char data[buffer_size];
    std::size_t used;
    int error;  // once set, output is dropped rather than retried
};

Device device;
Input in;
Output out;
bool editing;  // lines come from the line editor, at a terminal

void flush() {
    if (out.used > 0 && out.error == 0 && !device.write(device.context, out.data, out.used)) {
        out.error = errno != 0 ? errno : EIO;
    }
    out.used = 0;
}

void write_bytes(const char* data, std::size_t size) {
    while (size > 0) {
        if (out.used == buffer_size) flush();
        const std::size_t chunk = std::min(size, buffer_size - out.used);
        std::memcpy(out.data + out.used, data, chunk);
        out.used += chunk;
        data += chunk;
        size -= chunk;
    }
}

void write_padded(const char* text, std::size_t size, std::size_t width, char pad) {
    // A zero-padded negative number keeps its sign in front of the zeros.
    if (pad == '0' && size > 0 && text[0] == '-') {
        write_bytes(text, 1);
        ++text;
        --size;
        width = width > 0 ? width - 1 : 0;
    }
    for (std::size_t n = size; n < width; ++n)
        write_bytes(&pad, 1);
    write_bytes(text, size);
}

// Writes the pending output up to its last line end and keeps the
// unfinished line, which the line editor shows as its prompt.
void flush_lines() {
    std::size_t end = out.used;
    while (end > 0 && out.data[end - 1] != '\n')
        --end;
    const std::size_t tail = out.used - end;
    out.used = end;
    flush();
    std::memmove(out.data, out.data + end, tail);
    out.used = tail;
}

// Refills the empty input buffer. Pending output goes first, since this read
// may wait for the user; at the line editor, its unfinished line goes as the
// prompt, which the editor redisplays as the line is edited.
bool fill() {
    if (editing && !line_editor_has_rest())
        flush_lines();
    else
        flush();
    if (out.error != 0) in.ended = true;
    if (in.ended) return false;
    const std::ptrdiff_t n = editing ? read_edited(out.data, out.used, in.data, buffer_size)
                                     : device.read(device.context, in.data, buffer_size);
    if (editing) out.used = 0;
    if (n <= 0) {
        in.ended = true;
        if (n < 0) in.error = errno != 0 ? errno : EIO;
        return false;
    }
    in.next = 0;
    in.end = static_cast<std::size_t>(n);
    return true;
}

int peek() {
    if (in.next == in.end && !fill()) return end_of_input;
    return static_cast<unsigned char>(in.data[in.next]);
}

bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of `c` as a digit of any base up to 16; 16 when it is none.
unsigned digit_value(int c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return 16;
}

}  // namespace

void open(Device d) {
    device = d;
    editing = d.read == standard_device().read && line_editor_wanted();
    in.next = in.end = 0;
    in.ended = false;
    in.error = 0;
    out.used = 0;
    out.error = 0;
}

Status close() {
    flush();
    if (editing) end_line_editor();
    if (in.error != 0) return {"standard input", in.error};
    if (out.error != 0) return {"standard output", out.error};
    return {nullptr, 0};
}

int get_char() {
    const int c = peek();
    if (c != end_of_input) ++in.next;
    return c;
}

void read_line(char* s, std::size_t size) {
    std::size_t length = 0;
    for (int c = get_char(); c != end_of_input && c != '\n'; c = get_char()) {
        if (c == '\r' && peek() == '\n') continue;  // a line end written on Windows
        if (length + 1 < size) s[length++] = static_cast<char>(c);
    }
    s[length] = '\0';
}

int scan_int(std::int32_t* x) {
    int c = peek();
    while (is_space(c)) {
        ++in.next;
        c = peek();
    }
    if (c == end_of_input) return end_of_input;

    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        ++in.next;
        c = peek();
    }
    unsigned base = 10;
    bool have_digits = false;
    if (c == '0') {
        ++in.next;
        c = peek();
        base = 8;
        have_digits = true;
        if (c == 'x' || c == 'X') {
            ++in.next;
            c = peek();
            base = 16;
            have_digits = false;
        }
    }

    // The magnitude stops growing one past the largest the sign allows, so
    // any number of digits is read in one pass without overflow.
    const std::uint64_t limit = negative ? 0x8000'0000u : 0xFFFF'FFFFu;
    std::uint64_t magnitude = 0;
    for (unsigned digit = digit_value(c); digit < base; digit = digit_value(c)) {
        magnitude = std::min(magnitude * base + digit, limit + 1);
        have_digits = true;
        ++in.next;
        c = peek();
    }

    if (!have_digits || magnitude > limit) return 0;
    const auto value = static_cast<std::uint32_t>(magnitude);
    *x = static_cast<std::int32_t>(negative ? 0u - value : value);
    return 1;
}

void print(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const char* p = format;
    while (*p != '\0') {
        const char* percent = std::strchr(p, '%');
        const std::size_t literal =
            percent ? static_cast<std::size_t>(percent - p) : std::strlen(p);
        write_bytes(p, literal);
        if (!percent) break;
        p = percent + 1;

        const char pad = *p == '0' ? '0' : ' ';
        if (*p == '0') ++p;
        std::size_t width = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            width = width * 10 + static_cast<std::size_t>(*p - '0');
        int precision = 6;
        if (*p == '.') {
            precision = 0;
            for (++p; *p >= '0' && *p <= '9'; ++p)
                precision = precision * 10 + (*p - '0');
        }

        // Room for any double in fixed notation with the precisions in use.
        char text[400];
        std::to_chars_result converted{text, std::errc{}};
        switch (*p) {
        case 'd':
            converted = std::to_chars(text, text + sizeof text, va_arg(args, int));
            break;
        case 'X':
            converted = std::to_chars(text, text + sizeof text, va_arg(args, unsigned), 16);
            for (char* t = text; t < converted.ptr; ++t) {
                if (*t >= 'a' && *t <= 'f') *t = static_cast<char>(*t - 'a' + 'A');
            }
            break;
        case 'f':
            converted = std::to_chars(text, text + sizeof text, va_arg(args, double),
                                      std::chars_format::fixed, precision);
            break;
        case 's': {
            const char* s = va_arg(args, const char*);
            write_padded(s, std::strlen(s), width, ' ');
            break;
        }
        case '%':
            write_bytes("%", 1);
            break;
        default:  // not a conversion of this layer: shown as written
            write_bytes(percent, static_cast<std::size_t>(p - percent) + (*p != '\0'));
            break;
        }
        if (converted.ec == std::errc{} && converted.ptr != text) {
            write_padded(text, static_cast<std::size_t>(converted.ptr - text), width, pad);
        }
        if (*p != '\0') ++p;
    }
    va_end(args);
}

void put_line(const char* text) {
    write_bytes(text, std::strlen(text));
    write_bytes("\n", 1);
}

}  // namespace console
