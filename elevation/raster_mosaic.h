// Neighbouring elevation rasters read as one: a virtual raster over them all, held in memory
// (it only describes the files; their samples stay where they are).
#pragma once

#include <string>
#include <vector>

namespace elevation {

// Sets `path` to something RasterSource opens as the mosaic of `inputs`: the file itself when
// there is one, otherwise a virtual raster whose gaps carry no height. The inputs must share
// their coordinate system and cell size. Returns an empty string or one line saying why not.
std::string mosaicOf(const std::vector<std::string>& inputs, std::string& path);

}  // namespace elevation
