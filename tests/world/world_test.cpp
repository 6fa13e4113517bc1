// A world folder as dem_to_world writes it and the fly-over reads it: the index, the tile
// pyramid's heights, mosaics of neighbouring rasters, memory and reruns of the tool.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "raster_files.h"
#include "tool_process.h"
#include "world/tile_files.h"
#include "world/world_index.h"
#include "world/world_writer.h"

namespace fs = std::filesystem;
using elevation::HeightGrid;
using world::TileKey;
using world::WorldIndex;

namespace {

constexpr double kCell = 30.0;

// Whole-metre heights that differ at every sample, so a sample taken from the wrong place shows.
double hill(int x, int y) { return 100 + (x * 7 + y * 13) % 101 + (x / 5) * 3; }

std::vector<double> affineAt(int column, int row) {
    return {500000.0 + column * kCell, kCell, 0.0, 5200000.0 - row * kCell, 0.0, -kCell};
}

// A piece of the hill raster, georeferenced where it lies within the whole.
void writeHill(const fs::path& path, int column, int row, int width, int height, std::optional<double> noData = {}) {
    testfiles::writeRaster(path, width, height,
                           {testfiles::grid(width, height, [&](int x, int y) { return hill(column + x, row + y); })},
                           {"GTiff", "Int16", noData, affineAt(column, row), "EPSG:32632"});
}

// Every level's samples, put together from its tiles (padding where none is written).
HeightGrid levelOf(const fs::path& folder, const WorldIndex& index, int level) {
    const int side = index.levelSide(level), span = index.tileSide - 1;
    HeightGrid all{side, side, std::vector<float>(static_cast<std::size_t>(side) * side, index.lowest)};
    const world::WorldLevel& tiles = index.levels[static_cast<std::size_t>(level)];
    for (int r = 0; r < tiles.rows; ++r)
        for (int c = 0; c < tiles.columns; ++c) {
            HeightGrid tile;
            EXPECT_EQ(world::readTileRaster(folder, index, {level, c, r}, tile), "");
            for (int y = 0; y < index.tileSide; ++y)
                for (int x = 0; x < index.tileSide; ++x) {
                    float& at = all.at(c * span + x, r * span + y);
                    // Neighbours share their borders: the sample written first must match.
                    if ((x == 0 && c > 0) || (y == 0 && r > 0)) {
                        EXPECT_EQ(at, tile.at(x, y)) << level << ' ' << c << ' ' << r;
                    }
                    at = tile.at(x, y);
                }
        }
    return all;
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class WorldTest : public ToolProcessTest {
protected:
    int convert(const std::string& args) { return runTool(DEM_TO_WORLD_PATH, args); }
    std::string quoted(const fs::path& p) const { return "'" + p.string() + "'"; }
    WorldIndex indexOf(const fs::path& folder) {
        WorldIndex index;
        EXPECT_EQ(world::readWorldIndex(folder, index), "");
        return index;
    }
};

}  // namespace

TEST_F(WorldTest, IndexReadsBackWhatWasWrittenAndRefusesWhatIsNot) {
    WorldIndex index = world::planWorld(1000, 300, 129, 30.5, 0.1 + 0.2);
    index.samples = world::SampleType::kFloat;
    index.lowest = -3.25f;
    index.highest = 4807.1f;
    index.georeferenced = true;
    index.geoTransform = {7.0, 1.0 / 3600, 0.0, 46.0, 0.0, -1.0 / 3600};
    index.crs = "GEOGCS[\"WGS 84\",AUTHORITY[\"EPSG\",\"4326\"]]";
    ASSERT_EQ(world::writeWorldIndex(dir, index), "");
    WorldIndex back = indexOf(dir);
    // 1000 samples need 8 tiles of 128 cells, so 4 levels; 300 rows reach 3 tiles.
    ASSERT_EQ(back.levels.size(), 4u);
    EXPECT_EQ(back.paddedSide(), 1025);
    EXPECT_EQ(back.levels[0].columns, 8);
    EXPECT_EQ(back.levels[0].rows, 3);
    EXPECT_EQ(back.levels[3].columns, 1);
    EXPECT_EQ(back.levels[2].cellZ, (0.1 + 0.2) * 4);   // every digit survives
    EXPECT_EQ(back.geoTransform, index.geoTransform);
    EXPECT_EQ(back.crs, index.crs);
    EXPECT_EQ(back.lowest, index.lowest);
    EXPECT_EQ(back.highest, index.highest);
    EXPECT_EQ(back.samples, world::SampleType::kFloat);

    const std::string good = slurp(dir / world::kIndexFileName);
    auto refusal = [&](const std::string& text) {
        std::ofstream(dir / world::kIndexFileName, std::ios::trunc) << text;
        WorldIndex ignored;
        return world::readWorldIndex(dir, ignored);
    };
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    EXPECT_NE(refusal(replaced("kalde-world 1", "kalde-world 2")).find("format version 2; this program reads version 1"),
              std::string::npos);
    EXPECT_NE(refusal("P5 640 480\n").find("is not a world index"), std::string::npos);
    EXPECT_NE(refusal(replaced("tile 129", "tile 100")).find("line 2: a tile side must be 2^k+1"), std::string::npos);
    EXPECT_NE(refusal(replaced("level 1 ", "level 2 ")).find("needs 'level 1 cell"), std::string::npos);
    EXPECT_NE(refusal(replaced("samples float\n", "")).find("has no 'samples' line"), std::string::npos);
    EXPECT_NE(refusal(replaced("tiles 8 3", "tiles 9 3")).find("level 0 has a tile grid that does not fit"),
              std::string::npos);
    EXPECT_NE(refusal(good + "levels 4\n").find("'levels' is given twice"), std::string::npos);
    fs::remove(dir / world::kIndexFileName);
    WorldIndex ignored;
    EXPECT_NE(world::readWorldIndex(dir, ignored).find("is not a world folder"), std::string::npos);
}

TEST_F(WorldTest, PyramidKeepsTheSourceAndEachCoarseSampleIsTheFinerOneItStandsOn) {
    // 40 x 23 samples with a hole, in tiles of 9: 5 tiles across, 3 down, 4 levels.
    const int width = 40, height = 23;
    std::vector<double> heights = testfiles::grid(width, height, [](int x, int y) { return hill(x, y); });
    heights[5 * width + 17] = -9999;
    testfiles::writeRaster(dir / "in.tif", width, height, {heights},
                           {"GTiff", "Int16", -9999.0, affineAt(0, 0), "EPSG:32632"});
    std::ostringstream console;
    ASSERT_EQ(world::writeWorld({{(dir / "in.tif").string()}, "", 9}, dir / "w", console), "");
    const WorldIndex index = indexOf(dir / "w");
    ASSERT_EQ(index.levels.size(), 4u);
    EXPECT_EQ(index.samples, world::SampleType::kInt16);
    EXPECT_EQ(index.levels[0].cellX, kCell);
    EXPECT_EQ(index.levels[3].cellZ, kCell * 8);

    const HeightGrid zero = levelOf(dir / "w", index, 0);
    float lowest = 1e9f;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (x == 17 && y == 5) continue;
            EXPECT_EQ(zero.at(x, y), hill(x, y)) << x << ',' << y;
            lowest = std::min(lowest, zero.at(x, y));
        }
    EXPECT_EQ(index.lowest, lowest);
    // The hole is filled from its neighbours; the padding holds the lowest height.
    EXPECT_GT(zero.at(17, 5), 100.0f);
    EXPECT_EQ(zero.at(width, 0), lowest);
    EXPECT_EQ(zero.at(0, height), lowest);
    for (int level = 1; level < 4; ++level) {
        const HeightGrid fine = levelOf(dir / "w", index, level - 1), coarse = levelOf(dir / "w", index, level);
        for (int y = 0; y < coarse.height; ++y)
            for (int x = 0; x < coarse.width; ++x) ASSERT_EQ(coarse.at(x, y), fine.at(2 * x, 2 * y)) << level;
    }
    // Tiles past the source are not written; each written tile has its texture.
    EXPECT_FALSE(fs::exists(world::tileHeightsPath(dir / "w", {0, 5, 0})));
    EXPECT_TRUE(fs::exists(world::tileTexturePath(dir / "w", {0, 4, 2})));

    // For the engine, the north row comes last: buildMap turns grid row N-1-j into map row j.
    std::vector<std::int16_t> grid;
    ASSERT_EQ(world::readTileHeights(dir / "w", index, {0, 1, 0}, grid), "");
    EXPECT_EQ(grid[8 * 9 + 3], hill(8 + 3, 0));
    EXPECT_EQ(grid[0 * 9 + 3], hill(8 + 3, 8));
    // A cut-short tile is refused, not read past.
    fs::resize_file(world::tileHeightsPath(dir / "w", {0, 1, 0}), 100);
    EXPECT_NE(world::readTileHeights(dir / "w", index, {0, 1, 0}, grid).find("is not a tile of 9 x 9 int16 samples"),
              std::string::npos);
}

TEST_F(WorldTest, NeighbouringRastersMakeTheSameWorldAsOneRasterOfThemAll) {
    // Four quarters that share no samples, and the pair of halves.
    writeHill(dir / "whole.tif", 0, 0, 30, 20);
    writeHill(dir / "nw.tif", 0, 0, 13, 8);
    writeHill(dir / "ne.tif", 13, 0, 17, 8);
    writeHill(dir / "sw.tif", 0, 8, 13, 12);
    writeHill(dir / "se.tif", 13, 8, 17, 12);
    writeHill(dir / "west.tif", 0, 0, 13, 20);
    writeHill(dir / "east.tif", 13, 0, 17, 20);
    for (const std::string inputs : {"whole.tif", "nw.tif ne.tif sw.tif se.tif", "east.tif west.tif"}) {
        std::string args;
        std::istringstream names(inputs);
        for (std::string name; names >> name;) args += quoted(dir / name) + " ";
        ASSERT_EQ(convert(args + "--tile 17 --out " + quoted(dir / inputs.substr(0, 2))), 0) << slurp(dir / "stderr");
    }
    const WorldIndex index = indexOf(dir / "wh");
    EXPECT_EQ(index.extentColumns, 30);
    EXPECT_EQ(index.extentRows, 20);
    EXPECT_EQ(index.geoTransform[0], 500000.0);
    for (const char* world : {"nw", "ea"}) {
        EXPECT_EQ(slurp(dir / world / "world.txt"), slurp(dir / "wh" / "world.txt")) << world;
        for (int level = 0; level < 2; ++level)
            for (int r = 0; r < index.levels[level].rows; ++r)
                for (int c = 0; c < index.levels[level].columns; ++c) {
                    const TileKey key{level, c, r};
                    EXPECT_EQ(slurp(world::tileHeightsPath(dir / world, key)),
                              slurp(world::tileHeightsPath(dir / "wh", key)))
                        << world << ' ' << level << ' ' << c << ' ' << r;
                }
    }
    // Rasters that do not lie on one grid are refused, on one line.
    testfiles::writeRaster(dir / "odd.tif", 5, 5, {testfiles::grid(5, 5, hill)},
                           {"GTiff", "Int16", {}, {0, 10, 0, 0, 0, -10}, "EPSG:4326"});
    EXPECT_EQ(convert(quoted(dir / "whole.tif") + " " + quoted(dir / "odd.tif") + " --out " + quoted(dir / "x")), 1);
    EXPECT_EQ(lines("stderr").size(), 1u);
    EXPECT_FALSE(fs::exists(dir / "x"));
}

TEST_F(WorldTest, ARerunReplacesTheWorldAndNothingElseIsOverwritten) {
    writeHill(dir / "a.tif", 0, 0, 30, 20);
    writeHill(dir / "b.tif", 0, 0, 12, 12);
    ASSERT_EQ(convert(quoted(dir / "a.tif") + " --tile 9 --out " + quoted(dir / "w")), 0);
    ASSERT_TRUE(fs::exists(world::tileHeightsPath(dir / "w", {0, 3, 2})));
    ASSERT_EQ(convert(quoted(dir / "b.tif") + " --tile 9 --out " + quoted(dir / "w")), 0);
    EXPECT_EQ(indexOf(dir / "w").extentColumns, 12);
    EXPECT_FALSE(fs::exists(world::tileHeightsPath(dir / "w", {0, 3, 2})));   // nothing of the old world stays
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 5);   // no temporary folder

    std::ofstream(dir / "notes.txt") << "mine";
    for (const std::string& args : {quoted(dir / "a.tif") + " --out " + quoted(dir / "notes.txt"),
                                    quoted(dir / "a.tif") + " --out " + quoted(dir) + " --tile 9",
                                    quoted(dir / "a.tif") + " --tile 8 --out w2", quoted(dir / "a.tif"),
                                    quoted(dir / "missing.tif") + " --out w2"}) {
        EXPECT_EQ(convert(args), 1) << args;
        EXPECT_EQ(lines("stderr").size(), 1u) << args;
    }
    EXPECT_EQ(slurp(dir / "notes.txt"), "mine");
}

TEST_F(WorldTest, MemoryDoesNotGrowWithTheInput) {
    // 2049 x 2049 samples held at once would take 21 MB (and GDAL some of its cache) beside the small run's.
    writeHill(dir / "small.tif", 0, 0, 200, 200);
    writeHill(dir / "large.tif", 0, 0, 2049, 2049);
    ASSERT_EQ(convert(quoted(dir / "small.tif") + " --tile 129 --out " + quoted(dir / "s")), 0);
    const std::uint64_t small = lastRun.peakBytes;
    ASSERT_EQ(convert(quoted(dir / "large.tif") + " --tile 129 --out " + quoted(dir / "l")), 0);
    EXPECT_LT(lastRun.peakBytes, small + (std::uint64_t{14} << 20)) << small;
}
