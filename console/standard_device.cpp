// The layer's only contact with the operating system: reading descriptor 0
// and writing descriptor 1.
#include "console/device.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace console {
namespace {

#ifdef _WIN32

// The runtime's descriptors start in text mode, which makes the program's
// line ends those of Windows: CR LF is read as LF, LF is written as CR LF,
// and Ctrl-Z ends input from a file or a pipe. At a console the console
// itself edits the line and keeps its history.
std::ptrdiff_t read_standard_input(void*, char* buffer, std::size_t size) {
    return ::_read(0, buffer, static_cast<unsigned>(size));
}

bool write_standard_output(void*, const char* data, std::size_t size) {
    while (size > 0) {
        errno = 0;  // a write of nothing may leave errno alone
        // The count is of `data`'s bytes, whatever CRs were added for them.
        const int n = ::_write(1, data, static_cast<unsigned>(size));
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

#else

// A descriptor inherited in non-blocking mode answers EAGAIN instead of
// waiting; wait here so that the layer above sees ordinary blocking streams.
bool wait_until_ready(int fd, short events) {
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, -1) >= 0 || errno == EINTR;
}

std::ptrdiff_t read_standard_input(void*, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, size);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno == EAGAIN && wait_until_ready(STDIN_FILENO, POLLIN)) continue;
        return -1;
    }
}

bool write_standard_output(void*, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN && wait_until_ready(STDOUT_FILENO, POLLOUT)) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

#endif

}  // namespace

Device standard_device() {
    return {read_standard_input, write_standard_output, nullptr, nullptr};
}

}  // namespace console
