// A tile's colour texture: its heights coloured and hill-shaded, or its part of a texture
// that covers the whole source raster.
#pragma once

#include <memory>
#include <string>

#include "elevation/height_grid.h"
#include "elevation/rgb_image.h"
#include "world/tile_files.h"
#include "world/world_index.h"

namespace world {

// Pixels a tile texture side: one per cell.
int tileTextureSide(const WorldIndex& index);

// The tile's heights (T x T metres, north row first) tinted by absolute height and shaded.
elevation::RgbImage reliefTileTexture(const WorldIndex& index, int level, const elevation::HeightGrid& heights);

// Cuts tile textures out of an image stretched over the source raster, first sample to last,
// read through GDAL a window at a time; beyond the raster, the image's edge.
class TextureCutter {
public:
    TextureCutter();
    ~TextureCutter();
    // Returns an empty string or one line naming the file and the cause.
    std::string open(const std::string& path);
    std::string cut(const WorldIndex& index, const TileKey& key, elevation::RgbImage& image) const;

private:
    struct Dataset;
    std::unique_ptr<Dataset> dataset_;
    std::string path_;
};

}  // namespace world
