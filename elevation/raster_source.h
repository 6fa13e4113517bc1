// Elevation rasters read through GDAL (GeoTIFF, SRTM .hgt, 16-bit PNG, ASCII grids, ...):
// what a file holds, and any window of one band's heights, north up.
#pragma once

#include <memory>
#include <string>

#include "elevation/georeference.h"
#include "elevation/height_grid.h"
#include "elevation/progress.h"

namespace elevation {

// A window of a raster in north-up pixel coordinates: every `step`-th sample, in both
// directions, of the `width` x `height` samples from (column, row).
struct RasterWindow {
    int column = 0, row = 0, width = 0, height = 0;
    int step = 1;

    int columnsRead() const { return (width + step - 1) / step; }
    int rowsRead() const { return (height + step - 1) / step; }
};

class RasterSource {
public:
    RasterSource();
    ~RasterSource();
    RasterSource(const RasterSource&) = delete;
    RasterSource& operator=(const RasterSource&) = delete;

    // Opens band `band` (counted from 1) of the raster at `path`, once it is a regular file.
    // Returns an empty string, or one line naming the file and what to do.
    std::string open(const std::string& path, int band);

    // North up, in samples.
    int width() const { return width_; }
    int height() const { return height_; }
    const std::string& driver() const { return driver_; }          // GDAL's short name, "GTiff"
    const std::string& driverName() const { return driverName_; }  // its long name, "GeoTIFF"
    int bandCount() const { return bandCount_; }
    const std::string& unit() const { return unit_; }   // as the file states it ("m", "ft"), often empty
    // How rows or columns are reordered to put north up ("stored south up, turned north up"),
    // or empty when they are not.
    const std::string& turned() const { return turned_; }
    // The georeference turns the grid against north; it is read as stored.
    bool rotated() const { return rotated_; }
    // Of the north-up grid.
    const Georeference& georeference() const { return georeference_; }
    // The coordinate system as WKT on one line, empty for none.
    const std::string& coordinateSystem() const { return wkt_; }
    // Copies GDAL's geotransform of the north-up grid into `affine`; false without one.
    bool geoTransform(double* affine) const;

    // Reads `window` into `heights` (window.columnsRead() x window.rowsRead()) and marks the
    // samples without a height in `holes` (NaN, the declared no-data value, values no float
    // holds); holes hold 0. Reports to `progress` when given. Returns an empty string, or
    // one line naming the file and what to do.
    std::string read(const RasterWindow& window, HeightGrid& heights, HoleMask& holes,
                     Progress* progress = nullptr) const;

private:
    struct Dataset;
    std::unique_ptr<Dataset> dataset_;
    std::string path_;
    int width_ = 0, height_ = 0, bandCount_ = 0;
    std::string driver_, driverName_, unit_, turned_, wkt_;
    bool georeferenced_ = false;
    double affine_[kAffineTerms] = {};
    bool rotated_ = false;
    bool flipRows_ = false, flipColumns_ = false;
    Georeference georeference_;
};

// The formats named in messages that ask for an elevation file.
extern const char* const kReadableElevationFormats;

}  // namespace elevation
