// Where the console layer's bytes come from and go to: the standard streams
// for the program, a line editor at a terminal, memory for tests, the
// fuzzers and the benchmark.
#pragma once

#include <cerrno>
#include <cstddef>

namespace console {

// A table of plain function pointers rather than an abstract class: a class
// with virtual functions needs a virtual destructor, and that alone brings
// in operator delete and with it the C++ run-time library, which the
// program otherwise does without (it links only the C library).
struct Device {
    // Reads up to `size` bytes into `buffer`, waiting for them if need be:
    // how many, 0 at the end of input, or -1 on failure with errno set.
    std::ptrdiff_t (*read)(void* context, char* buffer, std::size_t size) = nullptr;
    // Writes all `size` bytes; false on failure with errno set.
    bool (*write)(void* context, const char* data, std::size_t size) = nullptr;
    // Called once, after the last read and write: writes whatever the device
    // still holds and gives back what it took (a terminal's mode). False with
    // errno set when some output of the device's own could not be written.
    // Null when there is nothing to do.
    bool (*finish)(void* context) = nullptr;
    void* context = nullptr;
    // A byte that ends the input where it stands, as Ctrl-Z (0x1A) does on
    // Windows, or -1 for none: the bytes before it are read, none after it.
    int end_mark = -1;
};

// The errno of a device call that failed; EIO where it left none.
inline int failure_errno() {
    return errno != 0 ? errno : EIO;
}

// Standard input and standard output, read and written as they come.
Device standard_device();

}  // namespace console
