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

// The cursor keys by their final byte; `modifiers` as xterm sends them, one
// more than the sum of Shift 1, Alt 2 and Ctrl 4. With Alt or Ctrl, Left and
// Right go a word. M is the keypad's Enter.
Key cursor_key(char final, int modifiers) {
    using enum Key;
    static constexpr Key keys[] = {up, down, right, left, home, end, enter};
    const std::size_t at = std::string_view("ABCDHFM").find(final);
    if (at == std::string_view::npos) return none;
    const bool word = modifiers > 1 && ((modifiers - 1) & 6) != 0;
    return word && keys[at] == right ? word_right : word && keys[at] == left ? word_left : keys[at];
}

// ESC [ code ~, as the VT220 numbers its keys (rxvt ends them in ^, @ or $
// for its modifiers): Home and End (1, 4; rxvt 7, 8) and Delete (3); Insert,
// PgUp, PgDn and the function keys do nothing.
Key numbered_key(int code) {
    using enum Key;
    static constexpr Key keys[] = {none, home, none, del, end, none, none, home, end};
    return code >= 0 && code < 9 ? keys[code] : none;
}

// ESC [ or ESC O, then parameters, intermediates and a final byte.
KeyPress sequence(const unsigned char* b, std::size_t size, bool more) {
    const bool ss3 = b[1] == 'O';
    if (!ss3 && size > 2 && b[2] == '[') {  // the Linux console's F1 to F5: ESC [ [ A
        return size > 3 ? KeyPress{Key::none, 4} : KeyPress{Key::none, more ? 0 : size};
    }
    int numbers[2] = {0, 0};
    std::size_t n = 0;  // the number being read
    for (std::size_t i = 2; i < size; ++i) {
        const unsigned char c = b[i];
        if (c >= '0' && c <= '9') {
            if (n < 2 && numbers[n] < 1000) numbers[n] = numbers[n] * 10 + (c - '0');
        } else if (c == ';') {
            ++n;
        } else if (c < 0x20 || c > 0x7e) {
            return {Key::none, i};  // broken off: the byte starts the next key
        } else if (std::string_view("~^@$").find(static_cast<char>(c)) != std::string_view::npos) {
            return {numbered_key(numbers[0]), i + 1};  // $ is rxvt's, out of place as a final
        } else if (c >= 0x40) {
            if (c >= 'a' && c <= 'd') {  // rxvt's arrows: with Shift (CSI), with Ctrl (SS3)
                return {cursor_key(static_cast<char>(c - 'a' + 'A'), ss3 ? 5 : 2), i + 1};
            }
            return {cursor_key(static_cast<char>(c), numbers[1]), i + 1};
        }
    }
    return {Key::none, more ? 0 : size};
}

KeyPress escaped(const unsigned char* b, std::size_t size, bool more) {
    if (size == 1) return more ? KeyPress{} : KeyPress{Key::cancel, 1};
    const unsigned char c = b[1];
    if (c == '[' || c == 'O') return sequence(b, size, more);
    if (c == 0x7f || c == 0x08) return {Key::kill_word_back, 2};
    if (c == 'b' || c == 'f' || c == 'd') {
        return {c == 'b' ? Key::word_left : c == 'f' ? Key::word_right : Key::kill_word_forward, 2};
    }
    if (c < 0x20) return {Key::cancel, 1};  // Escape alone, before another control key
    // Alt with another key, a character of as many bytes as it takes.
    std::mbstate_t shift{};
    const std::size_t n =
        std::mbrtowc(nullptr, reinterpret_cast<const char*>(b + 1), size - 1, &shift);
    return {Key::none, 1 + (n == 0 || n > size - 1 ? 1 : n)};
}

}  // namespace

KeyPress decode_key(const char* bytes, std::size_t size, bool more) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    if (size == 0) return {};
    if (b[0] == 0x1b) return escaped(b, size, more);
    std::size_t n = 0;
    while (n < size && ((b[n] >= 0x20 && b[n] != 0x7f) || b[n] == '\t'))
        ++n;
    if (n == 0) return {control_key(b[0]), 1};
    // Text is taken up to a character whose other bytes may be on their way.
    for (std::size_t j = n; more && j > 0 && n - j < MB_LEN_MAX && b[j - 1] >= 0x80;) {
        --j;
        std::mbstate_t shift{};
        const std::size_t got = std::mbrtowc(nullptr, bytes + j, n - j, &shift);
        if (got == static_cast<std::size_t>(-2)) n = j;
        if (got != static_cast<std::size_t>(-1)) break;
    }
    return {n > 0 ? Key::text : Key::none, n};
}

}  // namespace console
