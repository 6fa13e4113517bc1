#include "app/terrain_texture.h"

namespace flyover {

irr::video::ITexture* loadTerrainTexture(irr::video::IVideoDriver* driver, const char* fileName,
                                         std::string* problem) {
    elevation::InputFile file;
    *problem = file.open(fileName);
    if (file.missing()) problem->clear();
    if (!problem->empty() || file.missing()) return nullptr;
    elevation::RgbImage decoded;
    *problem = elevation::decodeImage(file, kTextureLimits, decoded);
    if (!problem->empty()) return nullptr;

    irr::video::ITexture* texture = makeTexture(driver, fileName, decoded);
    if (!texture) *problem = "could not be made into a texture by the video driver";
    return texture;
}

irr::video::ITexture* makeTexture(irr::video::IVideoDriver* driver, const char* name,
                                  const elevation::RgbImage& decoded) {
    // Irrlicht's 24-bit format stores red, green, blue bytes: the image borrows the decoded
    // pixels, and the driver copies them into the texture.
    irr::video::IImage* image = driver->createImageFromData(
        irr::video::ECF_R8G8B8,
        irr::core::dimension2du(static_cast<irr::u32>(decoded.width), static_cast<irr::u32>(decoded.height)),
        const_cast<elevation::Rgb*>(decoded.pixels.data()), /*ownForeignMemory=*/true,
        /*deleteMemoryWhenDropped=*/false);
    irr::video::ITexture* texture = driver->addTexture(name, image);
    image->drop();
    return texture;
}

}  // namespace flyover
