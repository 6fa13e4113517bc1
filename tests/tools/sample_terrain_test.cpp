// Tests for the sample-data generator: synthesis, shading, image conversion and the tool itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "elevation/image_encoding.h"
#include "elevation/raster_source.h"
#include "image_files.h"
#include "tool_process.h"
#include "tools/flyover_files/sample_shading.h"
#include "tools/make_sample_terrain/grey_image.h"
#include "tools/make_sample_terrain/landscape_synthesis.h"
#include "tools/make_sample_terrain/sample_terrain_options.h"

namespace fs = std::filesystem;
using namespace sample_terrain;

namespace {

constexpr int kTestSize = 128;

float meanAbsDifference(const HeightField& a, const HeightField& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.heights.size(); ++i) sum += std::fabs(a.heights[i] - b.heights[i]);
    return static_cast<float>(sum / a.heights.size());
}

// Steepness in height range per map side; 1 means rising the whole range across the map.
float steepness(const HeightField& f, int x, int y) {
    const float gx = 0.5f * (f.clamped(x + 1, y) - f.clamped(x - 1, y));
    const float gy = 0.5f * (f.clamped(x, y + 1) - f.clamped(x, y - 1));
    return std::sqrt(gx * gx + gy * gy) * static_cast<float>(f.size - 1);
}

// Smallest mean difference between the field and itself shifted by at least a sixth of
// its side: near zero for anything that repeats.
float bestSelfMatch(const HeightField& f) {
    const int n = f.size;
    float best = 1e9f;
    for (int dy = -n / 2; dy <= n / 2; dy += 2) {
        for (int dx = 0; dx <= n / 2; dx += 2) {
            if (std::max(std::abs(dx), std::abs(dy)) < n / 6) continue;
            double sum = 0.0;
            int count = 0;
            for (int y = std::max(0, -dy); y < n - std::max(0, dy); ++y) {
                for (int x = 0; x < n - dx; ++x, ++count) sum += std::fabs(f.at(x, y) - f.at(x + dx, y + dy));
            }
            best = std::min(best, static_cast<float>(sum / count));
        }
    }
    return best;
}

HeightField filled(int size, float (*height)(float u, float v)) {
    HeightField f(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) f.at(x, y) = height(x / float(size - 1), y / float(size - 1));
    }
    return f;
}

Rgb centreColour(const HeightField& f) {
    const RgbImage image = shadeTerrain(f, f.size, kDefaultSeed);
    return image.at(f.size / 2, f.size / 2);
}

int colourDistance(Rgb a, Rgb b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }

}  // namespace

TEST(Synthesis, SameSeedRepeatsAndAnotherSeedDiffers) {
    const HeightField a = synthesizeTerrain(kTestSize, 5);
    EXPECT_EQ(a.heights, synthesizeTerrain(kTestSize, 5).heights);
    EXPECT_GT(meanAbsDifference(a, synthesizeTerrain(kTestSize, 6)), 0.05f);
}

TEST(Synthesis, SpreadsOverTheHeightRangeWithALowPlain) {
    HeightField f = synthesizeTerrain(kTestSize, kDefaultSeed);
    std::vector<bool> used(256, false);
    for (float h : f.heights) used[static_cast<std::size_t>(std::lround(h * 255.0f))] = true;
    EXPECT_GT(std::count(used.begin(), used.end(), true), 200);

    std::sort(f.heights.begin(), f.heights.end());
    EXPECT_LT(f.heights[f.heights.size() / 10], 0.15f);     // a tenth of the map is low plain
    EXPECT_GT(f.heights[f.heights.size() * 9 / 10], 0.5f);  // and a tenth is high ground
}

TEST(Synthesis, HasBothFlatAndSteepGround) {
    const HeightField f = synthesizeTerrain(kTestSize, kDefaultSeed);
    int flat = 0, steep = 0;
    for (int y = 0; y < f.size; ++y) {
        for (int x = 0; x < f.size; ++x) {
            const float s = steepness(f, x, y);
            flat += s < 0.5f;
            steep += s > 4.0f;
        }
    }
    const float cells = static_cast<float>(f.size * f.size);
    EXPECT_GT(flat / cells, 0.15f);
    EXPECT_GT(steep / cells, 0.03f);
}

TEST(Synthesis, DoesNotRepeat) {
    // The measure itself must catch a repeating pattern...
    const HeightField waves = filled(kTestSize, [](float u, float v) {
        return 0.5f + 0.25f * std::sin(u * 25.1327f) + 0.25f * std::sin(v * 25.1327f);  // period 1/4
    });
    ASSERT_LT(bestSelfMatch(waves), 0.01f);
    // ...and find none in the landscape.
    EXPECT_GT(bestSelfMatch(synthesizeTerrain(kTestSize, kDefaultSeed)), 0.04f);
}

TEST(Synthesis, LayoutIsTheSameAtEverySize) {
    const HeightField small = synthesizeTerrain(kTestSize / 2, kDefaultSeed);
    const HeightField large = synthesizeTerrain(kTestSize * 2, kDefaultSeed);
    EXPECT_LT(meanAbsDifference(small, shrunk(large, small.size)), 0.05f);
}

TEST(HeightFieldShrink, AveragesFootprintsInsteadOfPickingSamples) {
    const HeightField checker = filled(65, [](float u, float v) {
        return static_cast<float>((static_cast<int>(std::lround(u * 64)) + static_cast<int>(std::lround(v * 64))) % 2);
    });
    const HeightField small = shrunk(checker, 9);
    for (float h : small.heights) EXPECT_NEAR(h, 0.5f, 0.1f);
}

TEST(Shading, SteepGroundLooksDifferentAndSlopesFacingTheLightAreBrighter) {
    constexpr int kSide = 33;
    const Rgb flat = centreColour(filled(kSide, [](float, float) { return 0.45f; }));
    // A cliff across the middle: the centre sits at the same height as the flat field.
    const Rgb cliff = centreColour(filled(kSide, [](float u, float) { return std::clamp(0.45f + 8.0f * (u - 0.5f), 0.0f, 1.0f); }));
    EXPECT_GT(colourDistance(flat, cliff), 60);
    auto brightness = [](Rgb c) { return c.r + c.g + c.b; };
    // The sun is in the north-west, so ground rising to the south-east faces it.
    const Rgb lit = centreColour(filled(kSide, [](float u, float v) { return std::clamp(0.3f + 2.0f * (u + v - 1.0f), 0.0f, 1.0f); }));
    const Rgb away = centreColour(filled(kSide, [](float u, float v) { return std::clamp(0.3f - 2.0f * (u + v - 1.0f), 0.0f, 1.0f); }));
    EXPECT_GT(brightness(lit), brightness(away) + 60);
}

TEST(Shading, LowGroundIsWaterAndHighFlatGroundIsSnow) {
    const Rgb water = centreColour(filled(9, [](float, float) { return 0.0f; }));
    const Rgb snow = centreColour(filled(9, [](float, float) { return 1.0f; }));
    EXPECT_GT(water.b, water.r + 40);
    EXPECT_GT(std::min({snow.r, snow.g, snow.b}), 200);
}

TEST(Shading, TextureIsTurnedHalfWayToMatchTheFlyoversCoordinates) {
    RgbImage image;
    image.width = 3;
    image.height = 2;
    for (int k = 0; k < 6; ++k) image.pixels.push_back({static_cast<std::uint8_t>(k), 0, 0});
    const RgbImage turned = turnedHalfWay(image);
    EXPECT_EQ(turned.at(0, 0).r, image.at(2, 1).r);
    EXPECT_EQ(turned.at(2, 0).r, image.at(0, 1).r);
    EXPECT_EQ(turned.at(1, 1).r, image.at(1, 0).r);
}

TEST(Import, CropsTheCentredSquareResamplesAndStretches) {
    // 8 x 4 landscape image: a ramp in the centre 4 x 4, wild values in the cropped-off margins.
    elevation::HeightGrid wide{8, 4, {}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) wide.values.push_back(x < 2 ? -100.0f : x >= 6 ? 900.0f : 10.0f + 5.0f * (x - 2));
    }
    const HeightField f = heightFieldFromImage(wide, 7);
    ASSERT_EQ(f.size, 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) EXPECT_NEAR(f.at(x, y), x / 6.0f, 1e-5f) << x << "," << y;
    }

    // The same in portrait: rows are cropped instead.
    elevation::HeightGrid tall{2, 4, {500, 500, 0, 0, 3, 3, -500, -500}};
    const HeightField g = heightFieldFromImage(tall, 3);
    EXPECT_NEAR(g.at(1, 0), 0.0f, 1e-5f);
    EXPECT_NEAR(g.at(1, 1), 0.5f, 1e-5f);
    EXPECT_NEAR(g.at(1, 2), 1.0f, 1e-5f);

    // Colour pixels count by their brightness: grey as its level, green the most.
    EXPECT_NEAR(luminance(77, 77, 77), 77.0f, 1e-3f);
    EXPECT_GT(luminance(0, 255, 0), luminance(255, 0, 0));
    EXPECT_GT(luminance(255, 0, 0), luminance(0, 0, 255));
}

TEST(Options, AcceptsTheDocumentedFormsAndRejectsTheRest) {
    const ParseResult ok = parseOptions({"--width=2", "--seed", "9", "--out", "d", "--from", "in.png"});
    ASSERT_EQ(ok.error, "");
    EXPECT_EQ(ok.options.width, 2);
    EXPECT_EQ(ok.options.seed, 9u);
    EXPECT_EQ(ok.options.fromPath, "in.png");
    EXPECT_EQ(parseOptions({"--width", "8192"}).options.width, 8192);

    for (const char* width : {"1", "8193", "12x", "-5", ""}) {
        EXPECT_NE(parseOptions({"--width", width}).error.find("--width"), std::string::npos) << width;
    }
    EXPECT_NE(parseOptions({"--frob"}).error.find("'--frob'"), std::string::npos);
    EXPECT_NE(parseOptions({"--width", "--out", "x"}).error.find("--width needs a value"), std::string::npos);
    // A raster is streamed, so it may be far larger; it names its own file.
    EXPECT_EQ(parseOptions({"--raster", "r.tif", "--width", "32769"}).options.width, 32769);
    EXPECT_NE(parseOptions({"--raster", "r.tif", "--width", "32770"}).error.find("--width"), std::string::npos);
    EXPECT_NE(parseOptions({"--raster", "r.tif", "--out", "d"}).error.find("leave out --out"), std::string::npos);
}

// The tool itself, run as a separate process.
class ToolTest : public ToolProcessTest {
protected:
    int run(const std::string& args, rlim_t fileSizeLimit = RLIM_INFINITY) {
        return runTool(MAKE_SAMPLE_TERRAIN_PATH, args, fileSizeLimit);
    }
};

TEST_F(ToolTest, MissingInputFailsWithOneLineOnStderr) {
    EXPECT_EQ(run("--from '" + (dir / "nowhere.png").string() + "' --out '" + (dir / "out").string() + "'"), 1);
    const std::vector<std::string> err = lines("stderr");
    ASSERT_EQ(err.size(), 1u);
    EXPECT_NE(err[0].find("nowhere.png"), std::string::npos);
    EXPECT_TRUE(lines("stdout").empty());
    EXPECT_FALSE(fs::exists(dir / "out" / "ZovoDiVuviMap.bmp"));
}

TEST_F(ToolTest, EveryUsageErrorExitsWithOneLineOnStderr) {
    for (const std::string& args : std::vector<std::string>{"--width 1", "--width 9000", "--frob", "--seed", "--force=yes"}) {
        EXPECT_EQ(run(args + " --out '" + (dir / "out").string() + "'"), 1) << args;
        EXPECT_EQ(lines("stderr").size(), 1u) << args;
        EXPECT_TRUE(lines("stdout").empty()) << args;
    }
}

TEST_F(ToolTest, HostileInputImagesAreRefusedQuicklyAndCheaply) {
    using testfiles::withStatedSize;
    const testfiles::Bytes jpeg = testfiles::jpegFile(64, 64);
    const testfiles::Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 0, 64, 0, 24, 0, 1, 2, 3};
    const std::vector<std::pair<testfiles::Bytes, std::string>> cases = {
        {withStatedSize(testfiles::pngFile(64, 64, 6, 8), 32768, 32768),
         "is 32768x32768 pixels; at most 67.1 million pixels in all can be read; scale it down"},
        {testfiles::Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2)),
         "is a JPEG file that cannot be decoded ("},
        {tga, "is not a BMP, PNG or JPEG file"},
        {{0x0a, 5, 1, 8, 0, 0, 0, 0, 63, 0, 63, 0}, "is not a BMP, PNG or JPEG file"},   // a cut PCX
        {withStatedSize(testfiles::bmpFile(4, 4, 24), 64, 64),
         "is a truncated BMP file: its header promises more pixels than it holds"},
    };
    for (const auto& [bytes, problem] : cases) {
        testfiles::writeFile(dir / "in", bytes);
        EXPECT_EQ(run("--from '" + (dir / "in").string() + "' --out '" + (dir / "out").string() + "'"), 1) << problem;
        EXPECT_LT(lastRun.peakBytes, testchild::kGibibyte);
        const std::vector<std::string> err = lines("stderr");
        ASSERT_EQ(err.size(), 1u) << problem;
        EXPECT_NE(err[0].find("'" + (dir / "in").string() + "' " + problem), std::string::npos) << err[0];
        EXPECT_FALSE(fs::exists(dir / "out" / "ZovoDiVuviMap.bmp"));
    }
}

TEST_F(ToolTest, OutputsAreWrittenTogetherAndReplaceNothingUnasked) {
    const std::string out = " --out '" + dir.string() + "'";
    const fs::path height = dir / "ZovoDiVuviMap.bmp", texture = dir / "zovodivuvi.jpg";
    testfiles::writeFile(dir / "mine.jpg", {1, 2, 3});
    fs::create_symlink(dir / "mine.jpg", texture);
    // Taken names are left alone without --force.
    EXPECT_EQ(run("--width 16" + out), 1);
    ASSERT_EQ(lines("stderr").size(), 1u);
    EXPECT_NE(lines("stderr")[0].find(texture.string() + "' already exists; pass --force"), std::string::npos);
    EXPECT_FALSE(fs::exists(height));
    // With --force the link is replaced, and the file it points to kept.
    ASSERT_EQ(run("--force --width 16" + out), 0);
    EXPECT_FALSE(fs::is_symlink(texture));
    EXPECT_EQ(load(texture).width, 64);
    EXPECT_EQ(testfiles::readFile(dir / "mine.jpg"), (testfiles::Bytes{1, 2, 3}));
    // A write that fails (here at a file size limit, as on a full disk) replaces neither file
    // and names the file and the cause.
    const testfiles::Bytes before = testfiles::readFile(height);
    EXPECT_EQ(run("--force --width 128" + out, 20'000), 1);
    ASSERT_EQ(lines("stderr").size(), 1u);
    EXPECT_NE(lines("stderr")[0].find("cannot write '" + height.string() + "' (File too large); nothing was replaced"),
              std::string::npos)
        << lines("stderr")[0];
    EXPECT_EQ(testfiles::readFile(height), before);
    EXPECT_EQ(load(texture).width, 64);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 5);   // no temporaries left
}

TEST_F(ToolTest, RasterIsTheLandscapeInMetresAndReplacesOnlyWhenAsked) {
    const fs::path raster = dir / "r.tif";
    ASSERT_EQ(run("--raster '" + raster.string() + "' --width 300 --seed 3"), 0);
    elevation::RasterSource source;
    ASSERT_EQ(source.open(raster.string(), 1), "");
    ASSERT_EQ(source.width(), 300);
    EXPECT_EQ(source.georeference().columnSpacing(), kRasterCellMetres);
    elevation::HeightGrid heights;
    elevation::HoleMask holes;
    ASSERT_EQ(source.read({0, 0, 300, 300, 3}, heights, holes), "");
    const auto [low, high] = std::minmax_element(heights.values.begin(), heights.values.end());
    EXPECT_GE(*low, 0.0f);
    EXPECT_LE(*high, kRasterReliefMetres);
    EXPECT_GT(*high - *low, kRasterReliefMetres / 2);   // mountains and a plain, not noise around one level
    // Its rows are the synthesised landscape's, as the fly-over's own files show it.
    const LandscapeRows rows(300, 3);
    std::vector<float> row(300);
    rows.row(150, row.data());
    EXPECT_EQ(heights.at(10, 50), std::lround(std::clamp(row[30], 0.0f, 1.0f) * kRasterReliefMetres));

    EXPECT_EQ(run("--raster '" + raster.string() + "' --width 5"), 1);
    EXPECT_EQ(lines("stderr").size(), 1u);
    ASSERT_EQ(run("--raster '" + raster.string() + "' --width 5 --force"), 0);
    ASSERT_EQ(source.open(raster.string(), 1), "");
    EXPECT_EQ(source.width(), 5);
    EXPECT_FALSE(fs::exists(dir / "r.tif.partial"));
}

TEST_F(ToolTest, HelpPrintsUsageWithAnExample) {
    EXPECT_EQ(run("--help"), 0);
    const std::vector<std::string> out = lines("stdout");
    ASSERT_FALSE(out.empty());
    EXPECT_NE(out[0].find("usage"), std::string::npos);
    EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](const std::string& l) { return l.find("example") != std::string::npos; }));
}

TEST_F(ToolTest, SynthesisWritesAGreyHeightImageRepeatably) {
    const std::string out = " --out '" + dir.string() + "'";
    ASSERT_EQ(run("--width 64 --seed 3" + out), 0);
    EXPECT_EQ(lines("stdout").size(), 2u);
    std::ifstream first(dir / "ZovoDiVuviMap.bmp", std::ios::binary);
    const std::string firstBytes((std::istreambuf_iterator<char>(first)), std::istreambuf_iterator<char>());

    const RgbImage height = load(dir / "ZovoDiVuviMap.bmp");
    EXPECT_EQ(height.width, 64);
    EXPECT_EQ(height.height, 64);
    for (const Rgb& c : height.pixels) {
        ASSERT_EQ(c.r, c.g);
        ASSERT_EQ(c.r, c.b);
    }
    const RgbImage texture = load(dir / "zovodivuvi.jpg");
    EXPECT_EQ(texture.width, 256);
    EXPECT_EQ(texture.height, 256);

    ASSERT_EQ(run("--width 64 --seed 3 --force" + out), 0);
    std::ifstream second(dir / "ZovoDiVuviMap.bmp", std::ios::binary);
    EXPECT_EQ(firstBytes, std::string((std::istreambuf_iterator<char>(second)), std::istreambuf_iterator<char>()));
}

TEST_F(ToolTest, ConvertsANonSquareImageIntoMatchingFiles) {
    // 30 x 20 grey image, dark on the left, bright on the right.
    RgbImage input{30, 20, {}};
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            const auto level = static_cast<std::uint8_t>(40 + 4 * x);
            input.pixels.push_back({level, level, level});
        }
    }
    testfiles::writeFile(dir / "in.bmp", elevation::encodeBmp(input));

    ASSERT_EQ(run("--from '" + (dir / "in.bmp").string() + "' --width 16 --out '" + dir.string() + "'"), 0);
    EXPECT_EQ(lines("stdout").size(), 2u);
    EXPECT_TRUE(lines("stderr").empty());

    const RgbImage height = load(dir / "ZovoDiVuviMap.bmp");
    ASSERT_EQ(height.width, 16);
    EXPECT_EQ(height.height, 16);
    EXPECT_EQ(height.at(0, 8).r, 0);     // the stretched range reaches both ends
    EXPECT_EQ(height.at(15, 8).r, 255);
    EXPECT_EQ(height.at(7, 3).r, height.at(7, 12).r);  // constant down columns

    const RgbImage texture = load(dir / "zovodivuvi.jpg");
    EXPECT_GE(texture.width, 16);
    EXPECT_EQ(texture.width, texture.height);
}
