// The layer's only contact with Windows: reading standard input and writing
// standard output.
#include "console/device.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace console {
namespace {

// Standard input is switched to binary mode in standard_device(), so the
// runtime passes bytes through as they are: the layer reads CR LF as it
// does everywhere and ends input at Ctrl-Z (the device's end mark). The
// runtime's text mode would strip the CR of CR LF before the layer does,
// and hold back a CR at the end of a pipe read until the next byte came.
// Output goes to the system as it is, with the line ends the layer writes
// (see output.h).

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

// The errno whose text says what a failed write's system error says, so
// that the one-line message names it as it would on other systems.
int errno_of(DWORD error) {
    switch (error) {
    case ERROR_BROKEN_PIPE:  // the reader has gone: `bity | more`, then q
    case ERROR_NO_DATA:      // the reader is going
    case ERROR_PIPE_NOT_CONNECTED:
        return EPIPE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_INVALID_HANDLE:  // no standard output
        return EBADF;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

// Written with the system's own call rather than the runtime's _write:
// when the reader goes during a write, the system reports the part that
// went through, and _write (Wine's, at least) takes that for a failure
// and names it after whatever error the thread had last, "Bad file
// descriptor" as often as not. Here the part counts as written, and the
// next write fails with the pipe's own error, whenever the reader went.
bool write_standard_output(void*, const char* data, std::size_t size) {
    const auto out = reinterpret_cast<HANDLE>(_get_osfhandle(1));
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(out, data, static_cast<DWORD>(size), &written, nullptr)) {
            errno = errno_of(GetLastError());
            return false;
        }
        if (written == 0) {  // nothing taken and no error: it would never end
            errno = EIO;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

Device standard_device() {
    _setmode(0, _O_BINARY);
    return {read_standard_input, write_standard_output, nullptr, nullptr, ctrl_z};
}

}  // namespace console
