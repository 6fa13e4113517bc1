// The embedding interface's checks: the arguments it refuses before calling the engine,
// and the messages for the engine's own checks that only the engine can make.
#pragma once

#include "terrain/terrain.h"

namespace kalde {

// Throw Error naming the argument, its value and what it must be.
void checkGrid(const void* samples, int n, float cellSize, float heightScale);
void checkView(const View& view);
void checkCentre(const Point& centre);

// A check handler (see fatal.h) that throws Error for the failed engine check.
template <class Sample> void throwForEngineCheck(int line);

}  // namespace kalde
