// The layer's only contact with the system: reading descriptor 0 and
// writing descriptor 1.
#include "console/device.h"

#include <cerrno>

#include <poll.h>
#include <unistd.h>

namespace console {
namespace {

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
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN && wait_until_ready(STDOUT_FILENO, POLLOUT)) continue;
        return false;
    }
    return true;
}

}  // namespace

Device standard_device() {
    return {read_standard_input, write_standard_output, nullptr, nullptr};
}

}  // namespace console
