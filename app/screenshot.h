// Screenshots of the frame being drawn.
#pragma once

#include <irrlicht.h>

#include <string>

namespace flyover {

// The first "flyover-NNN.png" in `folder` that does not exist yet, or an empty string.
std::string freeScreenshotName(const std::string& folder);

// Saves the frame drawn so far, before the buffers are swapped, to `path` (.png, .bmp or
// .jpg); returns an empty string or a one-line reason.
std::string saveScreenshot(irr::video::IVideoDriver* driver, const std::string& path);

}  // namespace flyover
