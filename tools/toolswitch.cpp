#include "tools/toolswitch.h"

#include <sched.h>

#include <cstdlib>
#include <cstring>

namespace lumivox::tools {
namespace {

const char* setting() {
    const char* value = std::getenv("LUMIVOX_PARALLEL");
    return value ? value : "";
}

}  // namespace

bool plainToolsOnly() {
    return std::strcmp(setting(), "0") == 0;
}

int parallelPieces() {
    char* end = nullptr;
    const long asked = std::strtol(setting(), &end, 10);
    if (end != setting() && *end == '\0' && asked >= 2 && asked <= 64) {
        return static_cast<int>(asked);
    }
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) {
        return 1;
    }
    return CPU_COUNT(&cpus);
}

}  // namespace lumivox::tools
