#include "terrain_image_io.h"

#include <irrlicht.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>
#include <vector>

#include "app/image_file_check.h"

namespace sample_terrain {
namespace {

constexpr irr::u32 kJpegQuality = 90;
constexpr float kMaxByte = 255.0f;

// Drops Irrlicht objects obtained from create* calls when leaving scope.
struct ImageHandle {
    irr::video::IImage* image;
    ~ImageHandle() {
        if (image) image->drop();
    }
};

}  // namespace

ImageIo::ImageIo() {
    irr::SIrrlichtCreationParameters params;
    params.DriverType = irr::video::EDT_NULL;
    params.WindowSize = irr::core::dimension2d<irr::u32>(1, 1);
    // The tool reports problems itself; engine chatter would only clutter its output.
    params.LoggingLevel = irr::ELL_NONE;
    device_ = irr::createDeviceEx(params);
    if (device_) device_->getLogger()->setLogLevel(irr::ELL_NONE);
}

ImageIo::~ImageIo() {
    if (device_) device_->drop();
}

bool ImageIo::readLuminance(const std::string& path, GreyImage& out, std::string& error) {
    std::vector<std::uint8_t> head(flyover::kBmpHeaderBytes);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::error_code ec;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, ec);
    const std::string problem = flyover::checkBmpHeader(head, ec ? 0 : fileSize);
    if (!problem.empty()) {
        error = "'" + path + "' " + problem + "; re-save it or use a PNG";
        return false;
    }

    ImageHandle handle{nullptr};
    try {
        handle.image = device_->getVideoDriver()->createImageFromFile(path.c_str());
    } catch (const std::bad_alloc&) {
        error = "'" + path + "' claims an image too large to hold in memory; check the file or use a smaller one";
        return false;
    }
    if (!handle.image) {
        error = "'" + path + "' could not be read as an image; use a PNG, JPG, BMP or TGA file";
        return false;
    }
    const irr::core::dimension2d<irr::u32> dim = handle.image->getDimension();
    if (dim.Width == 0 || dim.Height == 0) {
        error = "'" + path + "' holds an empty image; use an image with at least one pixel";
        return false;
    }
    out.width = static_cast<int>(dim.Width);
    out.height = static_cast<int>(dim.Height);
    out.values.resize(static_cast<std::size_t>(dim.Width) * dim.Height);
    for (irr::u32 y = 0; y < dim.Height; ++y) {
        for (irr::u32 x = 0; x < dim.Width; ++x) {
            const irr::video::SColor c = handle.image->getPixel(x, y);
            out.values[static_cast<std::size_t>(y) * dim.Width + x] = luminance(
                static_cast<float>(c.getRed()), static_cast<float>(c.getGreen()), static_cast<float>(c.getBlue()));
        }
    }
    return true;
}

bool ImageIo::writeHeightImage(const HeightField& field, const std::string& path, std::string& error) {
    const auto side = static_cast<irr::u32>(field.size);
    irr::video::IVideoDriver* driver = device_->getVideoDriver();
    ImageHandle handle{driver->createImage(irr::video::ECF_R8G8B8, irr::core::dimension2d<irr::u32>(side, side))};
    for (int y = 0; y < field.size; ++y) {
        for (int x = 0; x < field.size; ++x) {
            const auto level = static_cast<irr::u32>(std::lround(std::clamp(field.at(x, y), 0.0f, 1.0f) * kMaxByte));
            handle.image->setPixel(static_cast<irr::u32>(x), static_cast<irr::u32>(y),
                                   irr::video::SColor(255, level, level, level));
        }
    }
    if (driver->writeImageToFile(handle.image, path.c_str())) return true;
    error = "could not write '" + path + "'; check that the folder exists and is writable";
    return false;
}

bool ImageIo::writeColourImage(const RgbImage& image, const std::string& path, std::string& error) {
    irr::video::IVideoDriver* driver = device_->getVideoDriver();
    const irr::core::dimension2d<irr::u32> dim(static_cast<irr::u32>(image.width), static_cast<irr::u32>(image.height));
    ImageHandle handle{driver->createImage(irr::video::ECF_R8G8B8, dim)};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb c = image.at(x, y);
            handle.image->setPixel(static_cast<irr::u32>(x), static_cast<irr::u32>(y), irr::video::SColor(255, c.r, c.g, c.b));
        }
    }
    if (driver->writeImageToFile(handle.image, path.c_str(), kJpegQuality)) return true;
    error = "could not write '" + path + "'; check that the folder exists and is writable";
    return false;
}

}  // namespace sample_terrain
