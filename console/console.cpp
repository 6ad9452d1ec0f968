#include "console/console.h"

#include <cerrno>

#include "console/output.h"

namespace console {

Status close(Console& c) {
    flush(c);
    if (c.device.finish != nullptr && !c.device.finish(c.device.context) && c.out.error == 0) {
        c.out.error = failure_errno();
    }
    if (c.in.error != 0) return {"standard input", c.in.error};
    if (c.out.error != 0) return {"standard output", c.out.error};
    return {nullptr, 0};
}

}  // namespace console
