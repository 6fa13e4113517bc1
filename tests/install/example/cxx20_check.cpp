// Built with the example under C++20: the package must not lower the caller's standard.
#include "terrain/terrain.h"

static_assert(__cplusplus >= 202002L, "a C++20 build that uses kalde is no longer C++20");
