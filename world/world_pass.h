// One frame of a world: each drawn tile is a map of its own, bound at its place in the
// world with its neighbours. The engine's refinement weights of every tile must be current
// before any tile's fans are made, since each tile reads its neighbours' weights at their
// shared border: all tiles are refined, then stitched, then tessellated.
#pragma once

#include <functional>
#include <vector>

#include "terrain/map_arrays.h"
#include "world/tile_files.h"
#include "world/tile_stitching.h"

namespace world {

// A tile's map and where it lies: its centre sample at world (centerX, centerZ), its cells
// cellX by cellX * cellAspect, heights times heightScale.
template <class Sample>
struct TileMap {
    TileKey key;
    kalde::MapArrays<Sample> arrays;
    float centerX = 0.0f, centerZ = 0.0f;
    float cellAspect = 1.0f;
    float heightScale = 1.0f;
};

struct PassView {
    float resolution = 1.0f;
    float eye[3] = {}, direction[3] = {0.0f, 0.0f, -1.0f}, up[3] = {0.0f, 1.0f, 0.0f};
    float fovDegrees = 60.0f, aspect = 1.0f, nearDistance = 1.0f, farDistance = 1000.0f;
};

// Draws `tiles` (a set that does not overlap) for `view`: their fans go to fanBegin and
// fanVertex in grid units of each tile, after beforeFans(t) announces tile t.
template <class Sample>
void drawTiles(const std::vector<const TileMap<Sample>*>& tiles, const PassView& view, TileStitching& stitching,
               kalde::FanBeginFn fanBegin, kalde::FanVertexFn fanVertex,
               const std::function<void(std::size_t)>& beforeFans);

// Whether any of the box over `tile`'s square, from height `lowest` to `highest` (as
// drawn), can show in a camera at view.eye looking along view.direction with view.up,
// view.fovDegrees of vertical field of view, view.aspect, out to view.farDistance. A tile
// left out is drawn by nothing, and the borders it shares with drawn tiles lie outside the
// view as well, so the cracks that may open there cannot show.
template <class Sample>
bool tileInView(const TileMap<Sample>& tile, const PassView& view, float lowest, float highest);

// The full-resolution ground height of the tile at world (x, z), kAbsent outside it.
template <class Sample>
float tileHeightAt(const TileMap<Sample>& tile, float x, float z);

}  // namespace world
