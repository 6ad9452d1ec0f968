#include "console/console.h"

#include <cerrno>

namespace console {

void flush(Console& c) {
    Output& out = c.out;
    if (out.used > 0 && out.error == 0 && !c.device.write(c.device.context, out.data, out.used)) {
        out.error = failure_errno();
    }
    out.used = 0;
}

Status finish(Console& c) {
    flush(c);
    if (c.device.finish != nullptr && !c.device.finish(c.device.context) && c.out.error == 0) {
        c.out.error = failure_errno();
    }
    if (c.in.error != 0) return {"standard input", c.in.error};
    if (c.out.error != 0) return {"standard output", c.out.error};
    return {nullptr, 0};
}

}  // namespace console
