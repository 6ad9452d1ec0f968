// The stream layer under the dialogue: buffered standard input and output
// with the few operations the dialogue needs (a line read, an integer
// conversion, a character read, formatted output and a line write).
//
// All input comes through one buffer and all output goes through another.
// Output is written when its buffer is full, when the layer is closed, and
// right before a read that may wait, so a prompt is visible before the
// program waits for its answer, while a filter run costs one read or write
// per buffer rather than per number.
#pragma once

#include <cstddef>
#include <cstdint>

namespace console {

// What the reads return at end of input, apart from any byte value.
inline constexpr int end_of_input = -1;

// Where the bytes come from and go to: the standard descriptors for the
// program, memory for tests and the fuzzer.
struct Device {
    // Reads up to `size` bytes into `buffer`: how many, 0 at end of input,
    // or -1 on failure with errno set.
    std::ptrdiff_t (*read)(void* context, char* buffer, std::size_t size);
    // Writes all `size` bytes; false on failure with errno set.
    bool (*write)(void* context, const char* data, std::size_t size);
    void* context;
};

// Standard input and standard output.
Device standard_device();

// Starts the layer on `device` with both buffers empty and no failure.
void open(Device device);

// What went wrong, if anything: the stream that failed first and its errno.
struct Status {
    const char* failed_stream;  // "standard input", "standard output" or null
    int error;
};

// Writes what is pending and says whether every byte of input could be read
// and every byte of output was written.
Status close();

// The next byte (0 to 255), or end_of_input. Once output can no longer be
// written there is nobody to answer, so input ends there too.
int get_char();

// Reads one line into `s` (`size` bytes, at least 1) as a NUL-terminated
// text. The line end (LF, or CR LF) is consumed and not stored; characters
// beyond size - 1 are read and dropped. At end of input `s` is left with the
// characters read so far, the empty text if none.
void read_line(char* s, std::size_t size);

// Converts one integer in the notation of "%i": white space skipped, an
// optional sign, then hexadecimal after 0x or 0X, octal after a leading 0,
// decimal otherwise. Reading stops before the first byte that cannot go on
// with the number. Returns 1 when a number in -2147483648 .. 4294967295 was
// read and stores it modulo 2^32 in `x`; 0 when no number could be formed or
// it is out of that range (its digits are consumed; `x` is left alone);
// end_of_input when input ended before a number started.
int scan_int(std::int32_t* x);

// Formatted output for the conversions the dialogue uses: %d, %s, %X and %f
// with the '0' flag, a width and a precision, and %%.
[[gnu::format(printf, 1, 2)]] void print(const char* format, ...);

// Writes `text` and a line end.
void put_line(const char* text);

}  // namespace console
