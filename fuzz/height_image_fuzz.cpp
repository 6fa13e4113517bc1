// libFuzzer target: the fly-over's height image path, as main.cpp runs it. The input is
// written as the height image file, checked (heightFileProblem), loaded
// by Irrlicht (null driver), checked again and turned into a sample grid; an accepted image then
// becomes a terrain that draws one frame into counting callbacks. A refused image is not a finding;
// a crash, a sanitizer report or a failed check is.
#include <irrlicht.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "app/fan_bridge.h"
#include "app/flyover_frame.h"
#include "app/height_image.h"
#include "fuzz/fan_checks.h"
#include "terrain/kaldestub.h"

namespace {

namespace fs = std::filesystem;

// Wider images are accepted by the application but would make runs slow.
constexpr irr::u32 kMaxFuzzedWidth = 1024;
constexpr float kCellAspect = 1.0f;
constexpr float kMaxRed = 255.0f;
// The camera of a first frame: at the map centre looking along -z, with the fly-over's
// default field of view (72 degrees) widened for refinement as runFrame widens it.
constexpr float kFovy = 72.0f * 2.4f;
constexpr float kAspect = 4.0f / 3.0f;
constexpr float kNear = 1.0f;
constexpr float kFar = 3000.0f;
constexpr float kHeightFactor = 1.0f;

struct Workspace {
    irr::IrrlichtDevice* device = nullptr;
    fs::path folder;   // a temporary folder of this process
    fs::path file;     // the height image file in it
};

// Made on the first run and kept to the end of the process: the device stays reachable
// and is not reported as a leak.
Workspace* theWorkspace = nullptr;

void removeWorkspaceFolder() {
    std::error_code ec;
    fs::remove_all(theWorkspace->folder, ec);
}

Workspace& workspace() {
    if (theWorkspace) return *theWorkspace;
    theWorkspace = new Workspace;
    irr::SIrrlichtCreationParameters params;
    params.DriverType = irr::video::EDT_NULL;
    params.LoggingLevel = irr::ELL_NONE;
    theWorkspace->device = irr::createDeviceEx(params);
    if (!theWorkspace->device) fuzzcheck::fail("no Irrlicht null device");
    theWorkspace->device->getLogger()->setLogLevel(irr::ELL_NONE);
    std::string pattern = (fs::temp_directory_path() / "height_image_fuzz.XXXXXX").string();
    if (!mkdtemp(pattern.data())) fuzzcheck::fail("no temporary folder");
    theWorkspace->folder = pattern;
    theWorkspace->file = theWorkspace->folder / flyover::kHeightImageFile;
    std::atexit(removeWorkspaceFolder);
    return *theWorkspace;
}

void drawOneFrame(std::vector<std::int16_t>& grid, int width) {
    int size = width;
    float cellSize = flyover::kInitialCellSize;
    kalde::TerrainObject terrain(grid.data(), &size, &cellSize, flyover::kHeightScale, kCellAspect,
                                 fuzzcheck::onFanBegin, fuzzcheck::onFanVertex, fuzzcheck::onNotify,
                                 nullptr, nullptr, 0, 0.0f, 0.0f, 0.0f, nullptr, nullptr, nullptr);
    fuzzcheck::PassLimits limits;
    limits.size = size;
    limits.checkElevation = true;
    limits.minElevation = 0.0f;
    limits.maxElevation = kMaxRed;
    fuzzcheck::beginPass(limits);
    const float eyeY = flyover::groundFollowHeight(terrain.getHeight(0.0f, 0.0f), kNear);
    terrain.draw(flyover::kResolution, 0.0f, eyeY, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f, kFovy,
                 kAspect, kNear, kFar, kHeightFactor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace& w = workspace();
    {
        std::ofstream out(w.file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) fuzzcheck::fail("cannot write the height image file");
    }
    const std::string name = w.file.string();
    if (!flyover::heightFileProblem(name.c_str()).empty()) return 0;
    irr::video::IImage* image = w.device->getVideoDriver()->createImageFromFile(name.c_str());
    if (!image) return 0;
    const irr::u32 width = image->getDimension().Width;
    if (!flyover::heightImageProblem(*image).empty() || width > kMaxFuzzedWidth) {
        image->drop();
        return 0;
    }
    std::vector<std::int16_t> grid = flyover::sampleGridFromImage(*image);
    image->drop();
    if (grid.size() != static_cast<std::size_t>(width) * width)
        fuzzcheck::fail("grid of the wrong size");
    for (std::int16_t v : grid)
        if (v < 0 || v > kMaxRed) fuzzcheck::fail("sample outside the red channel's range");
    drawOneFrame(grid, static_cast<int>(width));
    return 0;
}
