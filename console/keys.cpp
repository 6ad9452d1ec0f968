#include "console/keys.h"

#include <climits>
#include <cwchar>
#include <string_view>

namespace console {
namespace {

// The control characters by their letter (Ctrl-A is 1), DEL as '?'. Ctrl-H
// is what some terminals send for Backspace, Ctrl-J and Ctrl-M for Enter.
Key control_key(unsigned char c) {
    using enum Key;
    static constexpr Key keys[32] = {
        none,      home, left,   none,        end_or_delete, end,           right, cancel,
        backspace, none, enter,  kill_to_end, redraw,        enter,         down,  none,
        up,        none, search, none,        transpose,     kill_to_start, none,  kill_blank_word,
        none,      yank, none,   none,        none,          none,          none,  none};
    return c == 0x7f ? backspace : keys[c & 31];
}

// The cursor keys by their final byte; M is the keypad's Enter.
Key cursor_key(unsigned char final) {
    using enum Key;
    static constexpr Key keys[] = {up, down, right, left, home, end, enter};
    const std::size_t at = std::string_view("ABCDHFM").find(static_cast<char>(final));
    return at == std::string_view::npos ? none : keys[at];
}

// With Alt or Ctrl, Left and Right go a word. `modifiers` as xterm sends
// them: one more than the sum of Shift 1, Alt 2 and Ctrl 4.
Key with_modifiers(Key key, int modifiers) {
    const bool word = modifiers > 1 && ((modifiers - 1) & 6) != 0;
    if (word && key == Key::left) return Key::word_left;
    if (word && key == Key::right) return Key::word_right;
    return key;
}

// ESC [ code ~, as the VT220 numbers its keys (rxvt ends them in ^, @ or $
// for its modifiers): Home and End (1, 4; rxvt 7, 8) and Delete (3); Insert,
// PgUp, PgDn and the function keys do nothing.
Key numbered_key(int code) {
    using enum Key;
    static constexpr Key keys[] = {none, home, none, del, end, none, none, home, end};
    return code >= 0 && code < 9 ? keys[code] : none;
}

// The key a sequence's final byte makes of it, with its numbers.
Key final_key(unsigned char c, const int (&numbers)[2], bool ss3) {
    if (c == '~' || c == '^' || c == '@' || c == '$') return numbered_key(numbers[0]);
    if (c >= 'a' && c <= 'd') {  // rxvt's arrows: with Shift (CSI), with Ctrl (SS3)
        return with_modifiers(cursor_key(static_cast<unsigned char>(c - 'a' + 'A')), ss3 ? 5 : 2);
    }
    return with_modifiers(cursor_key(c), numbers[1]);
}

// The bytes, read as the values 0 to 255.
struct Input {
    const char* data;
    std::size_t size;
    unsigned char operator[](std::size_t i) const { return static_cast<unsigned char>(data[i]); }
};

// ESC [ or ESC O, then parameters, intermediates and a final byte.
KeyPress sequence(Input in, bool more) {
    const bool ss3 = in[1] == 'O';
    if (!ss3 && in.size > 2 && in[2] == '[') {  // the Linux console's F1 to F5: ESC [ [ A
        return in.size > 3 ? KeyPress{Key::none, 4} : KeyPress{Key::none, more ? 0 : in.size};
    }
    int numbers[2] = {0, 0};
    std::size_t n = 0;  // the number being read
    for (std::size_t i = 2; i < in.size; ++i) {
        const unsigned char c = in[i];
        if (c >= '0' && c <= '9') {
            if (n < 2 && numbers[n] < 1000) numbers[n] = numbers[n] * 10 + (c - '0');
        } else if (c == ';') {
            ++n;
        } else if (c < 0x20 || c > 0x7e) {
            return {Key::none, i};           // broken off: the byte starts the next key
        } else if (c >= 0x40 || c == '$') {  // rxvt's $ is out of place as a final byte
            return {final_key(c, numbers, ss3), i + 1};
        }
    }
    return {Key::none, more ? 0 : in.size};
}

KeyPress escaped(Input in, bool more) {
    if (in.size == 1) return more ? KeyPress{} : KeyPress{Key::cancel, 1};
    const unsigned char c = in[1];
    if (c == '[' || c == 'O') return sequence(in, more);
    if (c == 0x7f || c == 0x08) return {Key::kill_word_back, 2};
    if (c == 'b' || c == 'f' || c == 'd') {
        return {c == 'b' ? Key::word_left : c == 'f' ? Key::word_right : Key::kill_word_forward, 2};
    }
    if (c < 0x20) return {Key::cancel, 1};  // Escape alone, before another control key
    // Alt with another key, a character of as many bytes as it takes.
    std::mbstate_t shift{};
    const std::size_t n = std::mbrtowc(nullptr, in.data + 1, in.size - 1, &shift);
    return {Key::none, 1 + (n == 0 || n > in.size - 1 ? 1 : n)};
}

}  // namespace

KeyPress decode_key(const char* bytes, std::size_t size, bool more) {
    const Input in{bytes, size};
    if (size == 0) return {};
    if (in[0] == 0x1b) return escaped(in, more);
    std::size_t n = 0;
    while (n < size && ((in[n] >= 0x20 && in[n] != 0x7f) || in[n] == '\t'))
        ++n;
    if (n == 0) return {control_key(in[0]), 1};
    // Text is taken up to a character whose other bytes may be on their way.
    for (std::size_t j = n; more && j > 0 && n - j < MB_LEN_MAX && in[j - 1] >= 0x80;) {
        --j;
        std::mbstate_t shift{};
        const std::size_t got = std::mbrtowc(nullptr, bytes + j, n - j, &shift);
        if (got == static_cast<std::size_t>(-2)) n = j;
        if (got != static_cast<std::size_t>(-1)) break;
    }
    return {n > 0 ? Key::text : Key::none, n};
}

}  // namespace console
