// Tests for the elevation converter: hole rules, filling, squaring, options, and the tool itself
// run on rasters that GDAL writes here in several formats.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "raster_files.h"
#include "tool_process.h"
#include "tools/dem_to_flyover/dem_conversion.h"
#include "tools/dem_to_flyover/dem_options.h"

namespace fs = std::filesystem;
using namespace sample_terrain;
using elevation::HeightGrid;
using testfiles::grid;
using testfiles::heightGrid;
using testfiles::kNaN;
using testfiles::kNoData;
using testfiles::kVoid;
using testfiles::writeRaster;

namespace {

bool contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

}  // namespace

TEST(DemConversion, StretchesTheRangeAndPutsWaterAtSeaLevel) {
    const HeightGrid heights = heightGrid(20, 20, [](int x, int y) { return -90.0f + 10.0f * static_cast<float>(x + y); });
    elevation::HeightSummary summary;
    summary.lowest = -90.0f, summary.highest = 290.0f;
    ConversionReport report;
    const HeightField field = convertHeights(heights, summary, Fit::Crop, 20, report);
    EXPECT_NEAR(report.waterLevel, 90.0f / 380.0f, 0.01f);  // 0 lies near a quarter of the way up
    EXPECT_NEAR(field.at(10, 10), 200.0f / 380.0f, 1e-5f);

    ConversionReport inland, seabed;
    placeSeaLevel(173.0f, 977.0f, inland);
    EXPECT_LT(inland.waterLevel, 0.0f);
    placeSeaLevel(-5000.0f, 0.0f, seabed);
    EXPECT_GT(seabed.waterLevel, 1.0f);
}

TEST(DemOptions, ParsesEveryOptionAndRejectsMistakes) {
    const DemParseResult defaults = parseDemOptions({"in.tif"});
    ASSERT_EQ(defaults.error, "");
    EXPECT_EQ(defaults.options.inputPath, "in.tif");
    EXPECT_EQ(defaults.options.width, 256);
    EXPECT_EQ(defaults.options.fit, Fit::Crop);
    EXPECT_EQ(defaults.options.band, 1);
    EXPECT_EQ(defaults.options.outDir, "");

    const DemParseResult all = parseDemOptions({"--width=64", "--out", "d", "N48E009.hgt", "--fit", "pad", "--band=3"});
    ASSERT_EQ(all.error, "");
    EXPECT_EQ(all.options.inputPath, "N48E009.hgt");
    EXPECT_EQ(all.options.width, 64);
    EXPECT_EQ(all.options.outDir, "d");
    EXPECT_EQ(all.options.fit, Fit::Pad);
    EXPECT_EQ(all.options.band, 3);
    EXPECT_EQ(parseDemOptions({"--help"}).error, "");

    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{}, "no input"},
        {{"a.tif", "b.tif"}, "'b.tif'"},
        {{"a.tif", "--fit", "squash"}, "--fit"},
        {{"a.tif", "--band", "0"}, "--band"},
        {{"a.tif", "--band", "two"}, "--band"},
        {{"a.tif", "--width", "1"}, "--width"},
        {{"a.tif", "--frob"}, "'--frob'"},
        {{"a.tif", "--out"}, "--out needs a value"},
        {{"a.tif", "--out="}, "--out"},
    };
    for (const auto& [args, expected] : mistakes) {
        const std::string error = parseDemOptions(args).error;
        EXPECT_NE(error.find(expected), std::string::npos) << expected << ": " << error;
    }
}

// The converter itself, run as a separate process.
class DemTool : public ToolProcessTest {
protected:
    int run(const std::string& args) { return runTool(DEM_TO_FLYOVER_PATH, args); }
    std::string quoted(const fs::path& path) const { return "'" + path.string() + "'"; }
    // Converts `input` into dir/out, replacing what an earlier conversion left; returns the
    // exit status.
    int convert(const fs::path& input, const std::string& options) {
        return run(quoted(input) + " --force --out " + quoted(dir / "out") + " " + options);
    }

    // What the tool printed on stderr, for failure messages.
    std::string errors() const {
        std::string text;
        for (const std::string& line : lines("stderr")) text += line + "\n";
        return text;
    }

    // The red channel of the written height image, row-major; empty if it cannot be read.
    std::vector<int> heightImage(int& side) {
        const elevation::RgbImage image = load(dir / "out" / "ZovoDiVuviMap.bmp");
        side = image.width;
        EXPECT_EQ(image.height, image.width);
        std::vector<int> red;
        for (const elevation::Rgb& c : image.pixels) red.push_back(c.r);
        return red;
    }
};

TEST_F(DemTool, GeoTiffHolesAreFilledWithoutSpikesAndWaterLiesAtSeaLevel) {
    constexpr int kSide = 24;
    // Heights -20..118 rising to the south-east, so the north-west corner is under the sea.
    auto plane = [](int x, int y) { return -20.0 + 4.0 * x + 2.0 * y; };
    auto inBlock = [](int x, int y) { return x >= 8 && x <= 11 && y >= 10 && y <= 13; };
    std::vector<double> values = grid(kSide, kSide, [&](int x, int y) { return inBlock(x, y) ? kNoData : plane(x, y); });
    values[3 * kSide + 20] = kNaN;
    values[20 * kSide + 2] = kVoid;  // a marker the file does not declare
    writeRaster(dir / "holes.tif", kSide, kSide, {values}, {"GTiff", "Float32", kNoData});

    ASSERT_EQ(convert(dir / "holes.tif", "--width 24"), 0) << errors();
    EXPECT_TRUE(lines("stderr").empty());
    const std::vector<std::string> out = lines("stdout");
    EXPECT_TRUE(contains(out, "driver GTiff")) << out[0];
    EXPECT_TRUE(contains(out, "read 24 x 24 samples, heights -20 .. 118, filled 18 no-data samples (1 of them"));
    EXPECT_TRUE(contains(out, "already square"));
    EXPECT_TRUE(contains(out, "wrote " + (dir / "out" / "ZovoDiVuviMap.bmp").string() + " (24x24"));
    EXPECT_TRUE(contains(out, "wrote " + (dir / "out" / "zovodivuvi.jpg").string() + " (96x96"));

    int side = 0;
    const std::vector<int> red = heightImage(side);
    ASSERT_EQ(side, kSide);
    EXPECT_EQ(*std::min_element(red.begin(), red.end()), 0);
    EXPECT_EQ(*std::max_element(red.begin(), red.end()), 255);
    // Each hole lies within the range of the valid samples around it (one level for rounding).
    auto redOf = [](double height) { return (height + 20.0) / 138.0 * 255.0; };
    auto within = [&](int x, int y, double low, double high) {
        const int v = red[static_cast<std::size_t>(y) * kSide + x];
        EXPECT_GE(v, redOf(low) - 1.0) << x << "," << y;
        EXPECT_LE(v, redOf(high) + 1.0) << x << "," << y;
    };
    for (int y = 10; y <= 13; ++y) {
        for (int x = 8; x <= 11; ++x) within(x, y, plane(7, 9), plane(12, 14));
    }
    within(20, 3, plane(19, 2), plane(21, 4));
    within(2, 20, plane(1, 19), plane(3, 21));

    // The texture is turned half way: the sea in the height image's north-west corner shows
    // in the texture's south-east one, and the high south-east in its north-west.
    const elevation::RgbImage texture = load(dir / "out" / "zovodivuvi.jpg");
    ASSERT_EQ(texture.width, 96);
    const elevation::Rgb sea = texture.at(93, 93), land = texture.at(2, 2);
    EXPECT_GT(sea.b, sea.r + 40);
    EXPECT_LT(land.b, land.r + 40);
}

TEST_F(DemTool, CropsOrPadsANonSquare16BitPng) {
    // 12 x 6, rising west to east in steps beyond any metre bound: 1000..12000.
    writeRaster(dir / "wide.png", 12, 6, {grid(12, 6, [](int x, int) { return 1000.0 + 1000.0 * x; })}, {"PNG", "UInt16"});

    ASSERT_EQ(convert(dir / "wide.png", "--width 6"), 0);
    EXPECT_TRUE(contains(lines("stdout"), "cropped to the centred 6 x 6 square (columns 3..8)"));
    EXPECT_TRUE(contains(lines("stdout"), "heights 1000 .. 12000, filled 0 no-data samples"));
    int side = 0;
    std::vector<int> red = heightImage(side);
    ASSERT_EQ(side, 6);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) EXPECT_EQ(red[y * 6 + x], std::lround(x * 255.0 / 5.0)) << x << "," << y;
    }

    ASSERT_EQ(convert(dir / "wide.png", "--width 12 --fit pad"), 0);
    EXPECT_TRUE(contains(lines("stdout"), "padded to a centred 12 x 12 square with the lowest height, 1000"));
    red = heightImage(side);
    ASSERT_EQ(side, 12);
    for (int y = 0; y < 12; ++y) {
        const bool margin = y < 3 || y >= 9;
        for (int x = 0; x < 12; ++x) {
            EXPECT_EQ(red[y * 12 + x], margin ? 0 : std::lround(x * 255.0 / 11.0)) << x << "," << y;
        }
    }
}

TEST_F(DemTool, ReadsAnAsciiGridWithNoDataAndTheChosenBandOfAGeoTiff) {
    std::vector<double> values = grid(9, 9, [](int x, int y) { return 50.0 + x * y; });
    values[40] = values[41] = kNoData;
    writeRaster(dir / "grid.asc", 9, 9, {values}, {"AAIGrid", "Float32", kNoData});
    ASSERT_EQ(convert(dir / "grid.asc", "--width 9"), 0) << errors();
    EXPECT_TRUE(contains(lines("stdout"), "driver AAIGrid"));
    EXPECT_TRUE(contains(lines("stdout"), "heights 50 .. 114, filled 2 no-data samples"));

    // Band 1 rises to the east, band 2 to the south.
    writeRaster(dir / "two.tif", 8, 8,
                {grid(8, 8, [](int x, int) { return 10.0 * x; }), grid(8, 8, [](int, int y) { return 10.0 * y; })});
    ASSERT_EQ(convert(dir / "two.tif", "--width 8 --band 2"), 0);
    EXPECT_TRUE(contains(lines("stdout"), "band 2 of 2"));
    int side = 0;
    const std::vector<int> red = heightImage(side);
    ASSERT_EQ(side, 8);
    EXPECT_EQ(red[7], 0);       // north-east corner: low in band 2
    EXPECT_EQ(red[7 * 8], 255);  // south-west corner: high in band 2
}

TEST_F(DemTool, FillsTheVoidsOfAnSrtmTile) {
    constexpr int kSide = 1201;
    // Big-endian 16-bit heights 200..800 m, voids in a 3 x 7 block and one alone.
    std::vector<char> bytes;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const bool isVoid = (y >= 371 && y <= 373 && x >= 243 && x <= 249) || (y == 1124 && x == 980);
            const int h = isVoid ? static_cast<int>(kVoid) : 200 + (x + y) / 4;
            bytes.push_back(static_cast<char>((h >> 8) & 0xFF));
            bytes.push_back(static_cast<char>(h & 0xFF));
        }
    }
    std::ofstream(dir / "N48E009.hgt", std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

    // Output pixel (x, y) is input sample (4x, 4y), so some voids are sampled exactly.
    ASSERT_EQ(convert(dir / "N48E009.hgt", "--width 301"), 0) << errors();
    EXPECT_TRUE(contains(lines("stdout"), "driver SRTMHGT"));
    EXPECT_TRUE(contains(lines("stdout"), "read 1201 x 1201 samples, heights 200 m .. 800 m, filled 22 no-data samples"));
    EXPECT_TRUE(contains(lines("stdout"), "water: none"));
    int side = 0;
    const std::vector<int> red = heightImage(side);
    ASSERT_EQ(side, 301);
    auto redOf = [](double height) { return (height - 200.0) / 600.0 * 255.0; };
    // The block's valid ring spans (242 + 370) / 4 .. (250 + 374) / 4 above 200 m.
    for (int x = 61; x <= 62; ++x) {
        EXPECT_GE(red[93 * 301 + x], std::floor(redOf(353.0)) - 1.0);
        EXPECT_LE(red[93 * 301 + x], std::ceil(redOf(356.0)) + 1.0);
    }
    EXPECT_NEAR(red[281 * 301 + 245], redOf(200 + (980 + 1124) / 4), 2.0);
}

TEST_F(DemTool, EveryErrorIsOneLineOnStderrNamingTheProblem) {
    std::ofstream(dir / "notes.txt") << "not an elevation raster\n";
    writeRaster(dir / "one.tif", 4, 4, {grid(4, 4, [](int x, int y) { return x + y; })});
    writeRaster(dir / "empty.asc", 4, 4, {grid(4, 4, [](int, int) { return kNoData; })}, {"AAIGrid", "Float32", kNoData});
    std::ofstream(dir / "taken") << "a file where the output folder should go\n";
    fs::create_directory(dir / "full");
    std::ofstream(dir / "full" / "zovodivuvi.jpg") << "the user's own texture\n";
    ASSERT_EQ(mkfifo((dir / "pipe.asc").c_str(), 0600), 0);

    const std::vector<std::pair<std::string, std::string>> cases = {
        {quoted(dir / "nowhere.tif"), "nowhere.tif' does not exist"},
        {quoted(dir / "pipe.asc"), "pipe.asc' is a named pipe (FIFO), not a regular file"},
        {quoted(dir / "one.tif") + " --out " + quoted(dir / "full"), "zovodivuvi.jpg' already exists; pass --force"},
        {quoted(dir / "notes.txt"), "notes.txt' is not a raster"},
        {quoted(dir / "one.tif") + " --band 2", "--band 2 is out of range"},
        {quoted(dir / "empty.asc"), "empty.asc' holds only no-data samples"},
        {quoted(dir / "one.tif") + " --width 9000", "--width must be"},
        {quoted(dir / "one.tif") + " --fit squash", "--fit must be"},
        {quoted(dir / "one.tif") + " --frob", "unknown option '--frob'"},
        {"--width 64", "no input file"},
        {quoted(dir / "one.tif") + " --out " + quoted(dir / "taken"), (dir / "taken").string()},
        {quoted(dir / "one.tif") + " --out " + quoted(dir / "taken" / "sub"), (dir / "taken" / "sub").string()},
    };
    for (const auto& [args, expected] : cases) {
        EXPECT_EQ(run(args), 1) << args;
        const std::vector<std::string> err = lines("stderr");
        ASSERT_EQ(err.size(), 1u) << args;
        EXPECT_NE(err[0].find(expected), std::string::npos) << err[0];
        EXPECT_TRUE(lines("stdout").empty()) << args;
    }
    EXPECT_FALSE(fs::exists(dir / "ZovoDiVuviMap.bmp"));
    EXPECT_FALSE(fs::exists(dir / "full" / "ZovoDiVuviMap.bmp"));
}

TEST_F(DemTool, RefusesRastersTooLargeToConvertBeforeReadingThem) {
    // 30000 x 30000 samples in a 67-byte grid; 2 x 30000, which --fit pad would make as large.
    std::ofstream(dir / "huge.asc") << "ncols 30000\nnrows 30000\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3\n";
    std::ofstream strip(dir / "strip.asc");
    strip << "ncols 2\nnrows 30000\nxllcorner 0\nyllcorner 0\ncellsize 1\n";
    for (int row = 0; row < 30000; ++row) strip << row % 7 << ' ' << row % 5 << '\n';
    strip.close();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {quoted(dir / "huge.asc"), "huge.asc' has 30000 x 30000 samples; at most 100 million samples"},
        {quoted(dir / "strip.asc") + " --fit pad",
         "strip.asc' has 2 x 30000 samples, which --fit pad makes a square of 30000 x 30000; at most 100 million"},
    };
    for (const auto& [args, expected] : cases) {
        EXPECT_EQ(run(args + " --out " + quoted(dir / "out")), 1) << args;
        EXPECT_LT(lastRun.peakBytes, testchild::kGibibyte) << args;
        const std::vector<std::string> err = lines("stderr");
        ASSERT_EQ(err.size(), 1u) << args;
        EXPECT_NE(err[0].find(expected), std::string::npos) << err[0];
    }
}

TEST_F(DemTool, TurnsRastersStoredSouthUpNorthUpAndWarnsOfRotatedOnes) {
    // Rising to the north: stored north up, the first row holds the highest heights.
    const std::vector<double> northUp = grid(8, 8, [](int x, int y) { return 100.0 * (8 - y) + x; });
    writeRaster(dir / "north.tif", 8, 8, {northUp}, {"GTiff", "Float32", {}, {500000, 30, 0, 4000000, 0, -30}});
    ASSERT_EQ(convert(dir / "north.tif", "--width 8"), 0);
    int side = 0;
    const std::vector<int> expected = heightImage(side);
    // The same ground stored south up and east to west.
    std::vector<double> turned(northUp.rbegin(), northUp.rend());
    writeRaster(dir / "south.tif", 8, 8, {turned}, {"GTiff", "Float32", {}, {500240, -30, 0, 3999760, 0, 30}});
    ASSERT_EQ(convert(dir / "south.tif", "--width 8"), 0);
    EXPECT_TRUE(contains(lines("stdout"), "orientation: stored south up and east to west, turned north up"));
    EXPECT_EQ(heightImage(side), expected);
    // A rotated grid is converted as stored, with a warning.
    writeRaster(dir / "rotated.tif", 8, 8, {northUp}, {"GTiff", "Float32", {}, {500000, 21, 21, 4000000, 21, -21}});
    ASSERT_EQ(convert(dir / "rotated.tif", "--width 8"), 0);
    ASSERT_EQ(lines("stderr").size(), 1u);
    EXPECT_NE(lines("stderr")[0].find("warning: '" + (dir / "rotated.tif").string() + "' has a rotated georeference"),
              std::string::npos);
    EXPECT_EQ(heightImage(side), expected);
}

TEST_F(DemTool, HeightsNearTheEndsOfTheFloatRangeKeepTheirRelief) {
    // -3e38 .. 3e38 across the columns: their range is more than a float holds.
    writeRaster(dir / "extreme.tif", 8, 8, {grid(8, 8, [](int x, int) { return -3e38 + 6e38 * x / 7.0; })});
    ASSERT_EQ(convert(dir / "extreme.tif", "--width 8"), 0) << errors();
    EXPECT_TRUE(lines("stderr").empty()) << errors();
    int side = 0;
    const std::vector<int> red = heightImage(side);
    ASSERT_EQ(side, 8);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(red[3 * 8 + x], std::lround(x * 255.0 / 7.0)) << x;
}

TEST_F(DemTool, HelpExplainsEveryOptionWithAnExample) {
    EXPECT_EQ(run("--help"), 0);
    const std::vector<std::string> out = lines("stdout");
    ASSERT_FALSE(out.empty());
    EXPECT_NE(out[0].find("usage: dem_to_flyover INPUT"), std::string::npos);
    for (const char* option : {"--width N", "--out DIR", "--fit crop|pad", "--band K", "--force", "--help", "no-data",
                               "100 million samples"}) {
        EXPECT_TRUE(contains(out, option)) << option;
    }
    EXPECT_TRUE(contains(out, "example"));
    EXPECT_TRUE(contains(out, "  dem_to_flyover "));
}

TEST_F(DemTool, ConvertsThePugetSoundElevationPng) {
    if (!fs::exists(PUGET_SOUND_PATH)) GTEST_SKIP() << PUGET_SOUND_PATH << " is not here";
    ASSERT_EQ(convert(PUGET_SOUND_PATH, ""), 0) << errors();
    const std::vector<std::string> out = lines("stdout");
    EXPECT_TRUE(contains(out, "driver PNG"));
    // Decimetres up to Mt Rainier: far above any metre bound, and every sample is kept.
    EXPECT_TRUE(contains(out, "read 1025 x 1025 samples, heights 0 .. 43798, filled 0 no-data samples"));
    int side = 0;
    const std::vector<int> red = heightImage(side);
    ASSERT_EQ(side, 256);
    EXPECT_EQ(*std::min_element(red.begin(), red.end()), 0);
    EXPECT_EQ(*std::max_element(red.begin(), red.end()), 255);
    // The sound, held at 0, is a few percent of the map; the peak is a single summit.
    const double sea = static_cast<double>(std::count(red.begin(), red.end(), 0)) / red.size();
    EXPECT_GT(sea, 0.03);
    EXPECT_LT(sea, 0.08);
    EXPECT_LT(std::count_if(red.begin(), red.end(), [](int v) { return v > 200; }), 80);
}

TEST_F(DemTool, FillsTheVoidsOfARealSrtmTile) {
    if (!fs::exists(SRTM_TILE_PATH)) GTEST_SKIP() << SRTM_TILE_PATH << " is not here";
    // GDAL knows the format by the tile's name.
    fs::copy_file(SRTM_TILE_PATH, dir / "N48E009.hgt");
    ASSERT_EQ(convert(dir / "N48E009.hgt", "--width 64"), 0) << errors();
    EXPECT_TRUE(contains(lines("stdout"), "heights 173 m .. 977 m, filled 21 no-data samples"));
}
