#include "app/screenshot.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace flyover {

namespace {

constexpr int kMaxScreenshots = 999;
constexpr int kNameSize = 32;
constexpr irr::u32 kBytesPerPixel = 3;

// The OpenGL back buffer, which holds the frame until the swap. Irrlicht reads the front
// buffer, which software OpenGL on an X server without a screen leaves black.
irr::video::IImage* readBackBuffer(irr::video::IVideoDriver* driver) {
    const irr::core::dimension2du size = driver->getScreenSize();
    irr::video::IImage* image = driver->createImage(irr::video::ECF_R8G8B8, size);
    if (!image) return nullptr;
    auto* pixels = static_cast<unsigned char*>(image->lock());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, static_cast<GLsizei>(size.Width), static_cast<GLsizei>(size.Height), GL_RGB, GL_UNSIGNED_BYTE,
                 pixels);
    // OpenGL's rows run bottom up.
    const std::size_t rowBytes = std::size_t{size.Width} * kBytesPerPixel;
    std::vector<unsigned char> row(rowBytes);
    for (irr::u32 y = 0; y < size.Height / 2; ++y) {
        unsigned char* top = pixels + y * rowBytes;
        unsigned char* bottom = pixels + (size.Height - 1 - y) * rowBytes;
        std::memcpy(row.data(), top, rowBytes);
        std::memcpy(top, bottom, rowBytes);
        std::memcpy(bottom, row.data(), rowBytes);
    }
    image->unlock();
    return image;
}

}  // namespace

std::string freeScreenshotName(const std::string& folder) {
    for (int n = 1; n <= kMaxScreenshots; ++n) {
        char name[kNameSize];
        std::snprintf(name, sizeof name, "flyover-%03d.png", n);
        const std::filesystem::path path = std::filesystem::path(folder) / name;
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return path.string();
    }
    return {};
}

std::string saveScreenshot(irr::video::IVideoDriver* driver, const std::string& path) {
    irr::video::IImage* image = driver->getDriverType() == irr::video::EDT_OPENGL ? readBackBuffer(driver)
                                                                                  : driver->createScreenShot();
    if (!image) return "the video driver gives no picture to save";
    const bool written = driver->writeImageToFile(image, path.c_str());
    image->drop();
    if (!written)
        return "cannot write screenshot '" + path +
               "'; check that its folder exists and is writable and that the name ends in .png, .bmp or .jpg";
    return {};
}

}  // namespace flyover
