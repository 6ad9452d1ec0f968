#include "console/keys.h"

#include <climits>
#include <cwchar>

namespace console {
namespace {

constexpr unsigned char escape = 0x1b;

Key control_key(unsigned char c) {
    switch (c) {
    case 0x01:
        return Key::home;  // Ctrl-A
    case 0x02:
        return Key::left;  // Ctrl-B
    case 0x04:
        return Key::end_or_delete;  // Ctrl-D
    case 0x05:
        return Key::end;  // Ctrl-E
    case 0x06:
        return Key::right;  // Ctrl-F
    case 0x07:
        return Key::cancel;  // Ctrl-G
    case 0x08:
        return Key::backspace;  // Ctrl-H, what some terminals send for Backspace
    case 0x0a:
        return Key::enter;
    case 0x0b:
        return Key::kill_to_end;  // Ctrl-K
    case 0x0c:
        return Key::redraw;  // Ctrl-L
    case 0x0d:
        return Key::enter;
    case 0x0e:
        return Key::down;  // Ctrl-N
    case 0x10:
        return Key::up;  // Ctrl-P
    case 0x12:
        return Key::search;
    case 0x14:
        return Key::transpose;
    case 0x15:
        return Key::kill_to_start;
    case 0x17:
        return Key::kill_blank_word;
    case 0x19:
        return Key::yank;
    case 0x7f:
        return Key::backspace;
    default:
        return Key::none;
    }
}

// A cursor key by its final byte; `modifiers` as xterm sends them, one more
// than the sum of Shift 1, Alt 2 and Ctrl 4. With Alt or Ctrl, Left and
// Right go a word.
Key cursor_key(char final, int modifiers) {
    const bool word = modifiers > 1 && ((modifiers - 1) & 6) != 0;
    switch (final) {
    case 'A':
        return Key::up;
    case 'B':
        return Key::down;
    case 'C':
        return word ? Key::word_right : Key::right;
    case 'D':
        return word ? Key::word_left : Key::left;
    case 'H':
        return Key::home;
    case 'F':
        return Key::end;
    case 'M':
        return Key::enter;  // the keypad's, in application mode
    default:
        return Key::none;
    }
}

// A key of the VT220 kind, ESC [ code ~; rxvt ends it in ^, @ or $ for
// its modifiers.
Key numbered_key(int code) {
    switch (code) {
    case 1:
    case 7:
        return Key::home;
    case 3:
        return Key::del;
    case 4:
    case 8:
        return Key::end;
    default:
        return Key::none;  // Insert, PgUp, PgDn, the function keys
    }
}

// ESC [ or ESC O, then parameters, intermediates and a final byte.
KeyPress sequence(const unsigned char* b, std::size_t size, bool more) {
    const bool ss3 = b[1] == 'O';
    int numbers[2] = {0, 0};
    std::size_t n = 0;  // the number being read
    std::size_t i = 2;
    if (!ss3 && i < size && b[i] == '[') {  // the Linux console's F1 to F5: ESC [ [ A
        if (i + 1 < size) return {Key::none, i + 2};
        return {Key::none, more ? 0 : size};
    }
    for (; i < size; ++i) {
        const unsigned char c = b[i];
        if (c >= '0' && c <= '9') {
            if (n < 2 && numbers[n] < 1000) numbers[n] = numbers[n] * 10 + (c - '0');
        } else if (c == ';') {
            ++n;
        } else if (c == '$' && !ss3) {  // rxvt's Shift, in the place of a final byte
            return {numbered_key(numbers[0]), i + 1};
        } else if (c >= 0x40 && c <= 0x7e) {
            char final = static_cast<char>(c);
            if (final == '~' || final == '^' || final == '@')
                return {numbered_key(numbers[0]), i + 1};
            if (final >= 'a' && final <= 'd') {  // rxvt: Shift (CSI) or Ctrl (SS3) with an arrow
                final = static_cast<char>(final - 'a' + 'A');
                if (ss3) numbers[1] = 5;
            }
            return {cursor_key(final, numbers[1]), i + 1};
        } else if (c < 0x20 || c > 0x7e) {
            return {Key::none, i};  // broken off: the byte starts the next key
        }
    }
    return {Key::none, more ? 0 : size};
}

// The length of the character at `b`, 1 for a byte that starts none.
std::size_t character_length(const unsigned char* b, std::size_t size) {
    std::mbstate_t shift{};
    const std::size_t n = std::mbrtowc(nullptr, reinterpret_cast<const char*>(b), size, &shift);
    return n == 0 || n > size ? 1 : n;
}

KeyPress escaped(const unsigned char* b, std::size_t size, bool more) {
    if (size == 1) return more ? KeyPress{} : KeyPress{Key::cancel, 1};
    switch (b[1]) {
    case '[':
    case 'O':
        return sequence(b, size, more);
    case 0x7f:
    case 0x08:
        return {Key::kill_word_back, 2};
    case 'b':
        return {Key::word_left, 2};
    case 'f':
        return {Key::word_right, 2};
    case 'd':
        return {Key::kill_word_forward, 2};
    default:
        break;
    }
    // Escape pressed alone, before another control key such as Enter.
    if (b[1] < 0x20) return {Key::cancel, 1};
    return {Key::none, 1 + character_length(b + 1, size - 1)};  // Alt with another key
}

bool is_text(unsigned char c) {
    return (c >= 0x20 && c != 0x7f) || c == '\t';
}

}  // namespace

KeyPress decode_key(const char* bytes, std::size_t size, bool more) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    if (size == 0) return {};
    if (b[0] == escape) return escaped(b, size, more);
    std::size_t n = 0;
    while (n < size && is_text(b[n]))
        ++n;
    if (n == 0) return {control_key(b[0]), 1};
    // Text is taken up to a character whose other bytes may be on their way.
    for (std::size_t j = n; more && j > 0 && n - j < MB_LEN_MAX;) {
        --j;
        if (b[j] < 0x80) break;
        std::mbstate_t shift{};
        const std::size_t got = std::mbrtowc(nullptr, bytes + j, n - j, &shift);
        if (got == static_cast<std::size_t>(-2)) {
            n = j;
            break;
        }
        if (got != static_cast<std::size_t>(-1)) break;
    }
    return {n > 0 ? Key::text : Key::none, n};
}

}  // namespace console
