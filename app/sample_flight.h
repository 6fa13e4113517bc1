// The fly-over run without arguments: the height image and texture from the working
// directory, flown by the first-person camera as it always was.
#pragma once

namespace flyover {

// Returns the exit status; every problem is one line on standard error.
int flySample();

}  // namespace flyover
