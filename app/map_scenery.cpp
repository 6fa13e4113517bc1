#include "app/map_scenery.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "app/flyover_frame.h"

namespace flyover {

namespace {

constexpr int kMinMapSide = 3;
constexpr float kHeightFactor = 1.0f;
constexpr int kSixteenBitSpan = 32767;

// The engine's elevation callback takes no context, so the heights of the map being built
// reach it through these, set only while a constructor runs.
const elevation::HeightGrid* buildHeights = nullptr;
float buildPadHeight = 0.0f;

template <class Sample>
Sample sampleAt(int i, int j, int) {
    const elevation::HeightGrid& h = *buildHeights;
    const float v = i < h.width && j < h.height ? h.at(i, j) : buildPadHeight;
    // Only filled holes have fractions here: they are made up anyway.
    if constexpr (std::is_integral_v<Sample>) return static_cast<Sample>(std::lround(v));
    return v;
}

int mapSideFor(int columns, int rows) {
    int side = kMinMapSide;
    while (side < columns || side < rows) side = 2 * side - 1;
    return side;
}

}  // namespace

bool fitsSixteenBits(const elevation::HeightSummary& s) {
    return s.wholeNumbers && s.lowest >= std::numeric_limits<std::int16_t>::min() &&
           s.highest <= std::numeric_limits<std::int16_t>::max() &&
           static_cast<double>(s.highest) - s.lowest <= kSixteenBitSpan;
}

MapScenery::MapScenery(const elevation::HeightGrid& heights, const elevation::HeightSummary& summary, int step,
                       double columnSpacing, double rowSpacing, double exaggeration)
    : sixteenBit_(fitsSixteenBits(summary)), mapSide_(mapSideFor(heights.width, heights.height)) {
    int size = mapSide_;
    float cell = static_cast<float>(columnSpacing * step);
    const float aspect = static_cast<float>(rowSpacing / columnSpacing);
    const float heightScale = static_cast<float>(exaggeration);
    buildHeights = &heights;
    buildPadHeight = summary.lowest;
    if (sixteenBit_)
        terrain_ = std::make_unique<kalde::TerrainObject>(
            static_cast<const std::int16_t*>(nullptr), &size, &cell, heightScale, aspect, onFanBegin,
            onGroundFanVertex, nullptr, sampleAt<std::int16_t>, nullptr, 0, 0.0f, 0.0f, 0.0f, nullptr, nullptr,
            nullptr);
    else
        terrain_ = std::make_unique<kalde::TerrainObject>(
            static_cast<const float*>(nullptr), &size, &cell, heightScale, aspect, onFanBegin, onGroundFanVertex,
            nullptr, sampleAt<float>, nullptr, 0, 0.0f, 0.0f, 0.0f, nullptr, nullptr, nullptr);
    buildHeights = nullptr;

    // The engine's own placement: column i at (i - S/2) * cellX, row j at (S/2 - j) * cellZ.
    mapping_.half = size / 2;
    mapping_.cellX = cell;
    mapping_.cellZ = cell * aspect;
    mapping_.heightScale = heightScale;
    mapping_.rasterColumns = static_cast<float>(heights.width);
    mapping_.rasterRows = static_cast<float>(heights.height);
    placement_.x0 = -mapping_.half * static_cast<double>(mapping_.cellX);
    placement_.z0 = mapping_.half * static_cast<double>(mapping_.cellZ);
    placement_.xPerColumn = static_cast<double>(mapping_.cellX) / step;
    placement_.zPerRow = -static_cast<double>(mapping_.cellZ) / step;
    placement_.columns = (heights.width - 1.0) * step + 1.0;
    placement_.rows = (heights.height - 1.0) * step + 1.0;
}

MapScenery::~MapScenery() = default;

float MapScenery::groundHeight(double x, double z) {
    return terrain_->getHeight(static_cast<float>(x), static_cast<float>(z));
}

long MapScenery::addFrame(irr::scene::ISceneManager* sceneManager, const FrameView& view,
                          const irr::video::SMaterial& look) {
    bridge.frameMeshBuffer = new irr::scene::SMeshBuffer();
    bridge.ground = mapping_;
    terrain_->draw(kResolution, static_cast<float>(view.eye.x), static_cast<float>(view.eye.y),
                   static_cast<float>(view.eye.z), static_cast<float>(view.direction.x),
                   static_cast<float>(view.direction.y), static_cast<float>(view.direction.z), 0.0f, 1.0f, 0.0f,
                   static_cast<float>(view.fovDegrees * kLodFovFactor), view.aspect, view.nearDistance,
                   view.farDistance, kHeightFactor);
    const long triangles = frame_.show(sceneManager);
    for (irr::u32 m = 0; m < frame_.node()->getMaterialCount(); ++m) frame_.node()->getMaterial(m) = look;
    return triangles;
}

void MapScenery::removeFrame() { frame_.remove(); }

}  // namespace flyover
