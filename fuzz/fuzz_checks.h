// What both fuzz targets check with: the run's input, kept for the report
// of a fault, and the checks that report one by aborting, which is how a
// libFuzzer target (and the corpus replay) finds a fault.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

// This run's bytes.
inline std::string_view input;

inline std::string_view take_input(const std::uint8_t* data, std::size_t size) {
    // Any object's bytes may be read as char.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): see above
    input = std::string_view(reinterpret_cast<const char*>(data), size);
    return input;
}

// Reports the fault `what`, with the start of the input and of `output`.
[[noreturn]] inline void fail(const char* what, std::string_view output = {}) {
    std::fprintf(stderr, "fault: %s\ninput (%zu bytes):", what, input.size());
    for (const char c : input.substr(0, 256))
        std::fprintf(stderr, " %02X", static_cast<unsigned char>(c));
    std::fprintf(stderr, "\n");
    if (!output.empty()) {
        std::fprintf(stderr, "output (%zu bytes): %.*s\n", output.size(),
                     static_cast<int>(std::min<std::size_t>(output.size(), 2000)), output.data());
    }
    std::abort();
}

inline void check(bool condition, const char* what, std::string_view output = {}) {
    if (!condition) fail(what, output);
}

// White space as C's isspace has it in the C locale.
constexpr bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace fuzz
