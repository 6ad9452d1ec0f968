#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "dialogue/dialogue.h"

int main() {
    console::open(console::standard_device());
    run_dialogue();
    const console::Status status = console::close();
    if (status.failed_stream != nullptr) {
        std::fprintf(stderr, "bity: %s: %s\n", status.failed_stream, std::strerror(status.error));
        return 1;
    }
    return 0;
}
