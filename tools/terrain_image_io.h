#pragma once

#include <string>

#include "height_field.h"
#include "height_import.h"
#include "terrain_shading.h"

namespace irr {
class IrrlichtDevice;
}

namespace sample_terrain {

// Reads and writes images through Irrlicht's null video driver: no window, no display needed.
// Failing calls return false and set `error` to a one-line reason.
class ImageIo {
public:
    ImageIo();
    ~ImageIo();
    ImageIo(const ImageIo&) = delete;
    ImageIo& operator=(const ImageIo&) = delete;

    bool ready() const { return device_ != nullptr; }

    bool readLuminance(const std::string& path, GreyImage& out, std::string& error);
    // Grey 24-bit image: the elevation in red, copied into green and blue.
    bool writeHeightImage(const HeightField& field, const std::string& path, std::string& error);
    bool writeColourImage(const RgbImage& image, const std::string& path, std::string& error);

private:
    irr::IrrlichtDevice* device_ = nullptr;
};

}  // namespace sample_terrain
