#include "console/console.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstring>

#include "console/line_editor.h"

namespace console {
namespace {

// Input is read a buffer at a time (a pipe hands over at most 64 KiB a read
// anyway); output is gathered in a larger buffer, since a filter writes
// several times as much as it reads, and each write is a system call.
constexpr std::size_t buffer_size = 128 * 1024;
constexpr std::size_t output_size = 1024 * 1024;

struct Input {
    char data[buffer_size];
    std::size_t next;
    std::size_t end;
    bool ended;  // sticky, as a terminal's end of input is for the whole run
    int error;
};

struct Output {
    char data[output_size];
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

// Output is put together straight in its buffer; a full buffer is written
// and filled again.
void put(char c) {
    if (out.used == output_size) [[unlikely]] {
        flush();
    }
    out.data[out.used++] = c;
}

void append(const char* text, std::size_t size) {
    for (std::size_t room; size > (room = output_size - out.used);) {
        std::memcpy(out.data + out.used, text, room);
        out.used = output_size;
        text += room;
        size -= room;
        flush();
    }
    std::memcpy(out.data + out.used, text, size);
    out.used += size;
}

// `text` padded on the left to `width` with `pad`; a zero-padded negative
// number keeps its sign in front of the zeros.
void append_padded(const char* text, std::size_t size, std::size_t width, char pad) {
    if (pad == '0' && size > 0 && text[0] == '-') {
        put('-');
        ++text;
        --size;
        width = width > 0 ? width - 1 : 0;
    }
    for (std::size_t n = size; n < width; ++n) {
        put(pad);
    }
    append(text, size);
}

// The digits of `value` in `base`, upper case, written backwards so that they
// end right before `end`; returns where they start.
template <unsigned base>
char* unsigned_digits(char* end, std::uint32_t value) {
    do {
        *--end = "0123456789ABCDEF"[value % base];
        value /= base;
    } while (value != 0);
    return end;
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

// peek() when the buffer is empty: refills it.
[[gnu::noinline]] int peek_through() {
    if (!fill()) return end_of_input;
    return static_cast<unsigned char>(in.data[in.next]);
}

inline int peek() {
    if (in.next == in.end) [[unlikely]] {
        return peek_through();
    }
    return static_cast<unsigned char>(in.data[in.next]);
}

bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of `c` as a digit of any base up to 16; 16 when it is none.
constexpr unsigned digit_value(int c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return 16;
}

// digit_value() of every byte, looked up rather than worked out.
constexpr auto digit_values = [] {
    std::array<unsigned char, 256> values{};
    for (int c = 0; c < 256; ++c)
        values[static_cast<std::size_t>(c)] = static_cast<unsigned char>(digit_value(c));
    return values;
}();

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
    // The digits are taken from the buffer as it stands, one refill at a time.
    while (c != end_of_input) {
        std::size_t i = in.next;
        for (unsigned digit;
             i < in.end && (digit = digit_values[static_cast<unsigned char>(in.data[i])]) < base;
             ++i) {
            magnitude = std::min(magnitude * base + digit, limit + 1);
        }
        if (i != in.next) have_digits = true;
        in.next = i;
        if (i < in.end) break;  // the byte after the number
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
    for (;;) {
        const char* literal = p;
        while (*p != '\0' && *p != '%')
            ++p;
        append(literal, static_cast<std::size_t>(p - literal));
        if (*p == '\0') break;
        const char* const percent = p++;

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
        char* const text_end = text + sizeof text;
        switch (*p) {
        case 'd': {
            const int value = va_arg(args, int);
            const std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                                      : static_cast<std::uint32_t>(value);
            char* first = unsigned_digits<10>(text_end, magnitude);
            if (value < 0) *--first = '-';
            append_padded(first, static_cast<std::size_t>(text_end - first), width, pad);
            break;
        }
        case 'X': {
            const char* first = unsigned_digits<16>(text_end, va_arg(args, unsigned));
            append_padded(first, static_cast<std::size_t>(text_end - first), width, pad);
            break;
        }
        case 'f': {
            const auto converted = std::to_chars(text, text_end, va_arg(args, double),
                                                 std::chars_format::fixed, precision);
            if (converted.ec == std::errc{}) {
                append_padded(text, static_cast<std::size_t>(converted.ptr - text), width, pad);
            }
            break;
        }
        case 's': {
            const char* s = va_arg(args, const char*);
            append_padded(s, std::strlen(s), width, ' ');
            break;
        }
        case '%':
            put('%');
            break;
        default:  // not a conversion of this layer: shown as written
            append(percent, static_cast<std::size_t>(p - percent) + (*p != '\0'));
            break;
        }
        if (*p == '\0') break;
        ++p;
    }
    va_end(args);
}

void put_line(const char* text) {
    append(text, std::strlen(text));
    put('\n');
}

}  // namespace console
