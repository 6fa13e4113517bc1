#include "terrain/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace kalde {

void fatalError(const char* module, int line) {
    std::fprintf(stderr, "fatal error in <%s> at line %d!\n", module, line);
    // Ends at once, without exit handlers: nothing the engine holds needs them, and a
    // leak checker would otherwise report the maps of a process that was told to stop.
    std::fflush(nullptr);
    std::_Exit(1);
}

CheckHandler& checkHandler() {
    thread_local CheckHandler handler = nullptr;
    return handler;
}

}  // namespace kalde
