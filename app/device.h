// The fly-over's window and renderer.
#pragma once

#include <irrlicht.h>

namespace flyover {

constexpr irr::u32 kWindowWidth = 640;
constexpr irr::u32 kWindowHeight = 480;

// A 640x480, 16-bit, windowed device with OpenGL, or Burning's Video where OpenGL
// cannot be created; null when neither can (no display, for one).
irr::IrrlichtDevice* createFlyoverDevice();

}  // namespace flyover
