// Elevation rasters written by GDAL for tests, in any format it writes.
#pragma once

#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "elevation/height_grid.h"

namespace testfiles {

// Row-major width x height values of value(x, y).
std::vector<double> grid(int width, int height, const std::function<double(int, int)>& value);

// The same as heights already read, for the code that works on them.
elevation::HeightGrid heightGrid(int width, int height, const std::function<double(int, int)>& value);

// What elevation files put where a height is missing: a declared no-data value, the fill
// marker of SRTM voids (often undeclared), and NaN.
constexpr double kNoData = -9999.0;
constexpr double kVoid = -32768.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct RasterFormat {
    RasterFormat(std::string driver = "GTiff", std::string type = "Float32", std::optional<double> noData = {},
               std::vector<double> affine = {}, std::string coordinateSystem = {})
        : driver(std::move(driver)), type(std::move(type)), noData(noData), affine(std::move(affine)),
          coordinateSystem(std::move(coordinateSystem)) {}

    std::string driver;             // GDAL's short name: GTiff, PNG, AAIGrid, ...
    std::string type;               // GDAL's data type name: Int16, UInt16, Float32, ...
    std::optional<double> noData;
    std::vector<double> affine;     // 6 terms, or empty for none
    std::string coordinateSystem;   // "EPSG:4326", or empty for none
};

// A coordinate system ("EPSG:4326") as WKT.
std::string wktOf(const std::string& definition);

// One band per entry of `bands`, each width x height values; written through an in-memory
// copy, as drivers like PNG and AAIGrid only copy. Fails the test when GDAL cannot.
void writeRaster(const std::filesystem::path& path, int width, int height,
                 const std::vector<std::vector<double>>& bands, const RasterFormat& format = {});

}  // namespace testfiles
