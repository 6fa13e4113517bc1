#include "terrain/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace kalde {

void fatalError(const char* module, int line) {
    std::fprintf(stderr, "fatal error in <%s> at line %d!\n", module, line);
    std::exit(1);
}

}  // namespace kalde
