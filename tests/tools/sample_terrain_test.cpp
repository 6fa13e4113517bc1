// Tests for the sample-data generator: synthesis, shading, image conversion and the tool itself.

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/image_file_check.h"
#include "height_import.h"
#include "sample_terrain_options.h"
#include "terrain_shading.h"
#include "terrain_synthesis.h"
#include "tool_process.h"

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

// Headers of an uncompressed 24-bit BMP of the given size, pixel data right after them.
std::vector<std::uint8_t> bmpHeader(std::uint8_t width, std::uint8_t height) {
    std::vector<std::uint8_t> head(flyover::kBmpHeaderBytes, 0);
    head[0] = 'B', head[1] = 'M', head[10] = flyover::kBmpHeaderBytes, head[18] = width, head[22] = height, head[28] = 24;
    return head;
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

TEST(Shading, SteepSlopeLooksDifferentFromFlatGround) {
    constexpr int kSide = 33;
    const Rgb flat = centreColour(filled(kSide, [](float, float) { return 0.45f; }));
    // A cliff across the middle: the centre sits at the same height as the flat field.
    const Rgb cliff = centreColour(filled(kSide, [](float u, float) { return std::clamp(0.45f + 8.0f * (u - 0.5f), 0.0f, 1.0f); }));
    EXPECT_GT(colourDistance(flat, cliff), 60);
}

TEST(Shading, SlopesFacingTheLightAreBrighter) {
    constexpr int kSide = 33;
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
    GreyImage wide{8, 4, {}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) wide.values.push_back(x < 2 ? -100.0f : x >= 6 ? 900.0f : 10.0f + 5.0f * (x - 2));
    }
    const HeightField f = heightFieldFromImage(wide, 7);
    ASSERT_EQ(f.size, 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) EXPECT_NEAR(f.at(x, y), x / 6.0f, 1e-5f) << x << "," << y;
    }

    // The same in portrait: rows are cropped instead.
    GreyImage tall{2, 4, {500, 500, 0, 0, 3, 3, -500, -500}};
    const HeightField g = heightFieldFromImage(tall, 3);
    EXPECT_NEAR(g.at(1, 0), 0.0f, 1e-5f);
    EXPECT_NEAR(g.at(1, 1), 0.5f, 1e-5f);
    EXPECT_NEAR(g.at(1, 2), 1.0f, 1e-5f);
}

TEST(Import, LuminanceOfGreyIsItsLevelAndGreenWeighsMost) {
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
}

TEST(BmpCheck, RejectsHeadersThatPromiseMoreThanTheFileHolds) {
    std::vector<std::uint8_t> head = bmpHeader(4, 2);  // rows of 12 bytes
    EXPECT_EQ(flyover::checkBmpHeader(head, 54 + 24), "");
    EXPECT_NE(flyover::checkBmpHeader(head, 54 + 23), "");
    head[22] = 0xFE, head[23] = 0xFF, head[24] = 0xFF, head[25] = 0xFF;  // height -2: top-down rows
    EXPECT_NE(flyover::checkBmpHeader(head, 54 + 24), "");
    head[0] = 'P';  // not a BMP: left to the image readers
    EXPECT_EQ(flyover::checkBmpHeader(head, 10), "");
}

// The tool itself, run as a separate process.
class ToolTest : public ToolProcessTest {
protected:
    int run(const std::string& args) { return runTool(MAKE_SAMPLE_TERRAIN_PATH, args); }
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
    const std::vector<std::uint8_t> head = bmpHeader(64, 64);  // but no pixels follow
    std::ofstream(dir / "cut.bmp", std::ios::binary).write(reinterpret_cast<const char*>(head.data()), head.size());
    const std::string cut = "'" + (dir / "cut.bmp").string() + "'";
    for (const std::string& args : std::vector<std::string>{"--width 1", "--width 9000", "--frob", "--seed", "--from " + cut}) {
        EXPECT_EQ(run(args + " --out '" + (dir / "out").string() + "'"), 1) << args;
        EXPECT_EQ(lines("stderr").size(), 1u) << args;
        EXPECT_TRUE(lines("stdout").empty()) << args;
    }
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

    irr::video::IImage* height = load(dir / "ZovoDiVuviMap.bmp");
    ASSERT_NE(height, nullptr);
    EXPECT_EQ(height->getDimension(), (irr::core::dimension2d<irr::u32>(64, 64)));
    for (irr::u32 y = 0; y < 64; ++y) {
        for (irr::u32 x = 0; x < 64; ++x) {
            const irr::video::SColor c = height->getPixel(x, y);
            ASSERT_EQ(c.getRed(), c.getGreen());
            ASSERT_EQ(c.getRed(), c.getBlue());
        }
    }
    height->drop();
    irr::video::IImage* texture = load(dir / "zovodivuvi.jpg");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->getDimension(), (irr::core::dimension2d<irr::u32>(256, 256)));
    texture->drop();

    ASSERT_EQ(run("--width 64 --seed 3" + out), 0);
    std::ifstream second(dir / "ZovoDiVuviMap.bmp", std::ios::binary);
    EXPECT_EQ(firstBytes, std::string((std::istreambuf_iterator<char>(second)), std::istreambuf_iterator<char>()));
}

TEST_F(ToolTest, ConvertsANonSquareImageIntoMatchingFiles) {
    // 30 x 20 grey image, dark on the left, bright on the right.
    irr::video::IVideoDriver* driver = device->getVideoDriver();
    irr::video::IImage* input = driver->createImage(irr::video::ECF_R8G8B8, irr::core::dimension2d<irr::u32>(30, 20));
    for (irr::u32 y = 0; y < 20; ++y) {
        for (irr::u32 x = 0; x < 30; ++x) input->setPixel(x, y, irr::video::SColor(255, 40 + 4 * x, 40 + 4 * x, 40 + 4 * x));
    }
    ASSERT_TRUE(driver->writeImageToFile(input, (dir / "in.png").string().c_str()));
    input->drop();

    ASSERT_EQ(run("--from '" + (dir / "in.png").string() + "' --width 16 --out '" + dir.string() + "'"), 0);
    EXPECT_EQ(lines("stdout").size(), 2u);
    EXPECT_TRUE(lines("stderr").empty());

    irr::video::IImage* height = load(dir / "ZovoDiVuviMap.bmp");
    ASSERT_NE(height, nullptr);
    EXPECT_EQ(height->getDimension(), (irr::core::dimension2d<irr::u32>(16, 16)));
    EXPECT_EQ(height->getPixel(0, 8).getRed(), 0u);     // the stretched range reaches both ends
    EXPECT_EQ(height->getPixel(15, 8).getRed(), 255u);
    EXPECT_EQ(height->getPixel(7, 3).getRed(), height->getPixel(7, 12).getRed());  // constant down columns
    height->drop();

    irr::video::IImage* texture = load(dir / "zovodivuvi.jpg");
    ASSERT_NE(texture, nullptr);
    EXPECT_GE(texture->getDimension().Width, 16u);
    EXPECT_EQ(texture->getDimension().Width, texture->getDimension().Height);
    texture->drop();
}
