// libFuzzer target: the fly-over's texture path, as main.cpp runs it. The input is written
// as the texture file and handed to loadTerrainTexture on the null driver, with the
// fly-over's own limits: it must become a texture or one problem, never both or neither,
// and whatever the header claims, no input may take more than the memory the limits allow
// (run with -rss_limit_mb).
#include <irrlicht.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "app/height_image.h"
#include "app/terrain_texture.h"
#include "fuzz/fan_checks.h"
#include "fuzz/scratch_file.h"

namespace {

// Made on the first run and kept to the end of the process: the device stays reachable and
// is not reported as a leak.
irr::video::IVideoDriver* nullDriver() {
    static irr::IrrlichtDevice* device = [] {
        irr::SIrrlichtCreationParameters params;
        params.DriverType = irr::video::EDT_NULL;
        params.LoggingLevel = irr::ELL_NONE;
        return irr::createDeviceEx(params);
    }();
    if (!device) fuzzcheck::fail("no Irrlicht null device");
    return device->getVideoDriver();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    irr::video::IVideoDriver* driver = nullDriver();
    const std::filesystem::path file = fuzzcheck::writeScratchFile(flyover::kTextureFile, data, size);
    std::string problem;
    irr::video::ITexture* texture = flyover::loadTerrainTexture(driver, file.c_str(), &problem);
    if ((texture != nullptr) == !problem.empty()) fuzzcheck::fail("a texture and a problem, or neither");
    if (problem.find('\n') != std::string::npos) fuzzcheck::fail("a problem of more than one line");
    if (texture) driver->removeTexture(texture);
    return 0;
}
