#pragma once

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
    GreyImage heights;       // holes hold 0
    HoleMask holes;          // NaN, the declared no-data value, values no float holds
};

// Reads band `band` (counted from 1) of the raster at `path` through GDAL as doubles. On
// failure returns false and sets `error` to one line naming the file and what to do.
bool readElevationBand(const std::string& path, int band, ElevationRaster& raster, std::string& error);

}  // namespace sample_terrain
