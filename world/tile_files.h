// A tile's files in a world folder: DIR/<level>/<column>_<row>.heights, T x T raw
// little-endian samples north row first, and DIR/<level>/<column>_<row>.jpg, its colour
// texture north up. Column counts from the west, row from the north.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "elevation/height_grid.h"
#include "elevation/rgb_image.h"
#include "world/world_index.h"

namespace world {

struct TileKey {
    int level = 0, column = 0, row = 0;

    TileKey parent() const { return {level + 1, column / 2, row / 2}; }
    bool operator==(const TileKey& o) const { return level == o.level && column == o.column && row == o.row; }
    bool operator!=(const TileKey& o) const { return !(*this == o); }
};

// Whether the index lists `key` among the tiles that exist.
bool tileExists(const WorldIndex& index, const TileKey& key);

std::filesystem::path tileHeightsPath(const std::filesystem::path& folder, const TileKey& key);
std::filesystem::path tileTexturePath(const std::filesystem::path& folder, const TileKey& key);

// Reads a tile's heights as the grid the engine's buildMap takes: element (c, r) at c + r*T
// with grid row 0 the south row, so that the map's row 0 is the tile's north row, as in the
// flight of a single raster. Sample is std::int16_t (for an int16 world only) or float.
// Returns an empty string, or one line naming the file and what is wrong.
template <class Sample>
std::string readTileHeights(const std::filesystem::path& folder, const WorldIndex& index, const TileKey& key,
                            std::vector<Sample>& grid);

// Reads a tile's heights as written: T x T metres, north row first.
std::string readTileRaster(const std::filesystem::path& folder, const WorldIndex& index, const TileKey& key,
                           elevation::HeightGrid& heights);

// Write a tile's T x T heights (north row first, metres; rounded for int16) and its colour
// texture (north up). Written in place: a world is built in a temporary folder that is
// renamed whole. Each returns an empty string or one line naming the file and the cause.
std::string writeTileHeights(const std::filesystem::path& folder, const WorldIndex& index, const TileKey& key,
                             const elevation::HeightGrid& heights);
std::string writeTileTexture(const std::filesystem::path& folder, const TileKey& key, const elevation::RgbImage& image);

}  // namespace world
