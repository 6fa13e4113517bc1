#pragma once

#include <functional>
#include <string>

#include "dem_holes.h"
#include "height_import.h"

namespace sample_terrain {

// One band of an elevation raster, decoded into heights in the file's units.
struct ElevationRaster {
    std::string driver;      // GDAL's short name, e.g. "GTiff"
    std::string driverName;  // its long name, e.g. "GeoTIFF"
    int bandCount = 0;
    std::string unit;        // as the file states it ("m", "ft"), often empty
    GreyImage heights;       // holes hold 0, north up
    HoleMask holes;          // NaN, the declared no-data value, values no float holds
    std::string turned;      // how rows or columns were reordered to put north up, if they were
    bool rotated = false;    // the georeference turns the grid against north; read as stored
};

// Why a raster of width x height samples must not be read, or an empty string.
using RasterSizeCheck = std::function<std::string(int width, int height)>;

// Reads band `band` (counted from 1) of the raster at `path` through GDAL as doubles, once
// `path` is a regular file and `sizeCheck` passed the raster's size. A georeference that
// stores rows south to north or columns east to west is undone. On failure returns false
// and sets `error` to one line naming the file and what to do.
bool readElevationBand(const std::string& path, int band, const RasterSizeCheck& sizeCheck,
                       ElevationRaster& raster, std::string& error);

}  // namespace sample_terrain
