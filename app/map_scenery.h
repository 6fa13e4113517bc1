// One raster flown as one engine map: its heights as they are (16-bit samples where they
// hold them without loss, the float variant otherwise), spaced as on the ground, and padded
// with the lowest height to the engine's square of 2^k+1 samples, beyond the raster's south
// and east edges, where the camera is kept out.
#pragma once

#include <memory>

#include "app/fan_bridge.h"
#include "app/frame_node.h"
#include "app/scenery.h"
#include "elevation/height_grid.h"
#include "elevation/height_holes.h"
#include "terrain/kaldestub.h"

namespace flyover {

// The largest map side flown: 3 bytes of map a sample (5 for float samples), with the
// heights beside it about 600 MiB to 1 GiB.
constexpr int kMaxMapSide = 8193;

// Whether heights within `summary` fit 16-bit samples without loss: whole numbers, within
// the type, and no two of them 32768 or more apart (the engine's height bounds are samples).
bool fitsSixteenBits(const elevation::HeightSummary& summary);

class MapScenery : public Scenery {
public:
    // `heights` north up (holes filled, their range in `summary`), each sample `step` raster
    // pixels from the next, `columnSpacing` and `rowSpacing` apart on the ground; heights
    // drawn `exaggeration` times as tall. Keeps no reference to `heights`.
    MapScenery(const elevation::HeightGrid& heights, const elevation::HeightSummary& summary, int step,
               double columnSpacing, double rowSpacing, double exaggeration);
    ~MapScenery() override;

    bool sixteenBit() const { return sixteenBit_; }
    int mapSide() const { return mapSide_; }

    const RasterPlacement& placement() const override { return placement_; }
    float groundHeight(double x, double z) override;
    long addFrame(irr::scene::ISceneManager* sceneManager, const FrameView& view,
                  const irr::video::SMaterial& look) override;
    void removeFrame() override;

private:
    bool sixteenBit_ = false;
    int mapSide_ = 0;
    std::unique_ptr<kalde::TerrainObject> terrain_;
    RasterPlacement placement_;
    GroundMapping mapping_;
    FrameNode frame_;
};

}  // namespace flyover
