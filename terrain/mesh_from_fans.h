// Turning a pass's fans into an indexed triangle list.
#pragma once

#include "terrain/fan_emission.h"
#include "terrain/terrain.h"

namespace kalde {

// Every fan triangle (centre, previous, current), over vertices shared wherever a
// position repeats bit for bit.
Mesh meshFromFans(const FanRecording& fans);

}  // namespace kalde
