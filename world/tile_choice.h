// Which tiles of a world draw one view: a quadtree cut through the pyramid, full
// resolution near the camera and coarser levels farther away. A tile is split into its
// children while the camera is nearer than `splitTiles` of its widths, and left out when
// all of it lies beyond the far distance. Tiles wholly in the padding do not exist and
// are never chosen. With splitTiles of 1.5 or more, tiles that share a border differ by
// at most one level (the distances of neighbours cannot differ by more than the parent's
// diagonal).
#pragma once

#include <functional>
#include <vector>

#include "world/tile_files.h"
#include "world/world_index.h"

namespace world {

constexpr double kDefaultSplitTiles = 2.0;

struct TileChoiceView {
    double column = 0.0, row = 0.0;   // the camera over level-0 pixels (may lie outside)
    double altitude = 0.0;            // metres above the ground
    double farDistance = 0.0;         // metres
};

// Level-0 pixels a tile of `level` spans along each side.
long long tileSpan(const WorldIndex& index, int level);

// Metres from the camera to the nearest point of the tile's square (at ground level).
double tileDistance(const WorldIndex& index, const TileKey& key, const TileChoiceView& view);

// The tiles that draw the view, coarsest first.
std::vector<TileKey> chooseTiles(const WorldIndex& index, const TileChoiceView& view,
                                 double splitTiles = kDefaultSplitTiles);

// The tiles drawn when only those for which `ready` holds can be: each chosen tile, or
// else its nearest ready ancestor; a tile inside another drawn one is left out. Where no
// ancestor is ready, nothing is drawn.
std::vector<TileKey> drawableTiles(const std::vector<TileKey>& chosen,
                                   const std::function<bool(const TileKey&)>& ready);

// Whether `inner` lies inside `outer` (or is it).
bool tileWithin(const TileKey& inner, const TileKey& outer);

}  // namespace world
