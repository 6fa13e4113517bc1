// Rasters read through GDAL: windows of every step, north up however they are stored.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elevation/raster_source.h"
#include "raster_files.h"
#include "scratch_folder.h"

namespace elevation {
namespace {

using testfiles::grid;
using testfiles::RasterFormat;
using testfiles::writeRaster;

class RasterReading : public ScratchFolder {};

// 7 x 5 samples, each 10 * row + column counted from the north-west corner.
double northUp(int column, int row) { return 10.0 * row + column; }

TEST_F(RasterReading, WindowsOfEveryStepComeNorthUpHoweverTheFileIsStored) {
    const RasterFormat northFirst("GTiff", "Float32", {}, {1000, 30, 0, 5000, 0, -30}, "EPSG:32632");
    writeRaster(dir / "north.tif", 7, 5, {grid(7, 5, northUp)}, northFirst);
    // The same ground stored south up and east to west.
    writeRaster(dir / "turned.tif", 7, 5, {grid(7, 5, [](int x, int y) { return northUp(6 - x, 4 - y); })},
                RasterFormat("GTiff", "Float32", {}, {1210, -30, 0, 4850, 0, 30}, "EPSG:32632"));

    for (const char* name : {"north.tif", "turned.tif"}) {
        RasterSource source;
        ASSERT_EQ(source.open((dir / name).string(), 1), "");
        EXPECT_EQ(source.width(), 7);
        EXPECT_EQ(source.height(), 5);
        EXPECT_EQ(source.georeference().position(0, 0).rfind("x 1015 y 4985 ", 0), 0u) << name;
        HeightGrid heights;
        HoleMask holes;
        ASSERT_EQ(source.read({1, 1, 6, 4, 2}, heights, holes), "");
        ASSERT_EQ(heights.width, 3);
        ASSERT_EQ(heights.height, 2);
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 3; ++c) EXPECT_EQ(heights.at(c, r), northUp(1 + 2 * c, 1 + 2 * r)) << name;
        ASSERT_EQ(source.read({0, 0, 7, 5, 1}, heights, holes), "");
        const std::vector<double> all = grid(7, 5, northUp);
        EXPECT_EQ(heights.values, std::vector<float>(all.begin(), all.end())) << name;
    }
    RasterSource turned;
    ASSERT_EQ(turned.open((dir / "turned.tif").string(), 1), "");
    EXPECT_EQ(turned.turned(), "stored south up and east to west, turned north up");
}

TEST_F(RasterReading, MarksNoDataAndNamesWhatItCannotRead) {
    std::vector<double> values = grid(4, 3, northUp);
    values[5] = -9999.0;
    writeRaster(dir / "holes.asc", 4, 3, {values}, RasterFormat("AAIGrid", "Float32", -9999.0));
    RasterSource source;
    ASSERT_EQ(source.open((dir / "holes.asc").string(), 1), "");
    HeightGrid heights;
    HoleMask holes;
    ASSERT_EQ(source.read({0, 0, 4, 3, 1}, heights, holes), "");
    EXPECT_EQ(holes, HoleMask({0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(source.georeference().kind(), Georeference::Kind::kUnreferenced);

    RasterSource missing;
    EXPECT_NE(missing.open((dir / "none.tif").string(), 1).find("none.tif' does not exist"), std::string::npos);
    RasterSource band;
    EXPECT_NE(band.open((dir / "holes.asc").string(), 2).find("has 1 band, so --band 2 is out of range"),
              std::string::npos);
}

}  // namespace
}  // namespace elevation
