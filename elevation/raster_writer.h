// An elevation raster written a band of rows at a time, so that one of any size never has
// to be held in memory: a GeoTIFF of 16-bit heights in metres on a square grid.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace elevation {

class RasterWriter {
public:
    RasterWriter();
    // Removes the temporary file of a raster that was not finished.
    ~RasterWriter();
    RasterWriter(const RasterWriter&) = delete;
    RasterWriter& operator=(const RasterWriter&) = delete;

    // Starts a width x height raster for `path` under a temporary name beside it, its cells
    // `cellMetres` apart (a georeference without a coordinate system, in metres). Returns an
    // empty string or one line naming the file and the cause.
    std::string create(const std::filesystem::path& path, int width, int height, double cellMetres);
    // Rows [firstRow, firstRow + rows), north row first, each `width` samples.
    std::string writeRows(int firstRow, int rows, const std::int16_t* samples);
    // Completes the file, flushes it to disk and renames it onto its name.
    std::string finish();

private:
    struct Dataset;
    std::unique_ptr<Dataset> dataset_;
    std::filesystem::path path_, temporary_;
    int width_ = 0;
};

}  // namespace elevation
