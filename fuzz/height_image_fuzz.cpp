// libFuzzer target: the fly-over's height image path, as main.cpp runs it. The input is
// written as the height image file, read and checked (readHeightImage) and turned into a
// sample grid; an accepted image then becomes a terrain that draws one frame into counting
// callbacks. A refused image is not a finding; a crash, a sanitizer report or a failed
// check is.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "app/fan_bridge.h"
#include "app/flyover_frame.h"
#include "app/height_image.h"
#include "fuzz/fan_checks.h"
#include "fuzz/scratch_file.h"
#include "terrain/kaldestub.h"

namespace {

// Wider images are accepted by the application but would make runs slow.
constexpr int kMaxFuzzedWidth = 1024;
constexpr float kCellAspect = 1.0f;
constexpr float kMaxRed = 255.0f;
// The camera of a first frame: at the map centre looking along -z, with the fly-over's
// default field of view (72 degrees) widened for refinement as runFrame widens it.
constexpr float kFovy = 72.0f * 2.4f;
constexpr float kAspect = 4.0f / 3.0f;
constexpr float kNear = 1.0f;
constexpr float kFar = 3000.0f;
constexpr float kHeightFactor = 1.0f;

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
    const std::filesystem::path file = fuzzcheck::writeScratchFile(flyover::kHeightImageFile, data, size);
    elevation::RgbImage image;
    if (!flyover::readHeightImage(file.c_str(), image).empty()) return 0;
    if (image.width != image.height || image.width < 2 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        fuzzcheck::fail("an accepted height image that is no square grid");
    if (image.width > kMaxFuzzedWidth) return 0;
    std::vector<std::int16_t> grid = flyover::sampleGridFromImage(image);
    for (std::int16_t v : grid)
        if (v < 0 || v > kMaxRed) fuzzcheck::fail("sample outside the red channel's range");
    drawOneFrame(grid, image.width);
    return 0;
}
