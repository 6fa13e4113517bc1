// The terrain texture: decoded by libjpeg itself rather than Irrlicht's JPEG reader,
// which reads past its buffer on truncated or damaged files.
#pragma once

#include <irrlicht.h>

#include <string>

namespace flyover {

// The texture from fileName, or null: silently when there is no such file (the terrain
// is then drawn untextured, as designed), with a one-line *problem when the file cannot
// be used. JPEG files are decoded here; BMP and PNG files that pass the image header
// checks go to Irrlicht's readers.
irr::video::ITexture* loadTerrainTexture(irr::video::IVideoDriver* driver, const char* fileName,
                                         std::string* problem);

}  // namespace flyover
