// The layer's only contact with the operating system: reading descriptor 0
// and writing descriptor 1.
#include "console/device.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace console {
namespace {

#ifdef _WIN32

// The descriptors are switched to binary mode in standard_device(), so the
// runtime passes bytes through as they are: the layer writes Windows' line
// ends itself (see output.h), reads CR LF as it does everywhere, and ends
// input at Ctrl-Z (the device's end mark). The runtime's text mode would
// write in pieces of its own, strip the CR of CR LF before the layer does,
// and hold back a CR at the end of a pipe read until the next byte came.

// Windows' end of a text, typed at a console as Ctrl-Z and Enter.
constexpr int ctrl_z = 0x1A;

// A console hands over a line a read anyway, and before Windows 8 a console
// read of much over 64 KB failed with "not enough memory".
constexpr std::size_t console_read_size = 16 * 1024;

bool is_console(int fd) {
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &mode) != 0;
}

std::ptrdiff_t read_standard_input(void*, char* buffer, std::size_t size) {
    if (is_console(0)) size = std::min(size, console_read_size);
    return ::_read(0, buffer, static_cast<unsigned>(size));
}

bool write_standard_output(void*, const char* data, std::size_t size) {
    while (size > 0) {
        errno = 0;  // a write of nothing may leave errno alone
        const int n = ::_write(1, data, static_cast<unsigned>(size));
        if (n <= 0) {
            // The runtime calls a pipe whose reader has gone (`bity | more`,
            // then q) "Invalid argument"; it is a broken pipe.
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ||
                error == ERROR_PIPE_NOT_CONNECTED) {
                errno = EPIPE;
            }
            return false;
        }
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
#ifdef _WIN32
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
    return {read_standard_input, write_standard_output, nullptr, nullptr, ctrl_z};
#else
    return {read_standard_input, write_standard_output, nullptr, nullptr};
#endif
}

}  // namespace console
