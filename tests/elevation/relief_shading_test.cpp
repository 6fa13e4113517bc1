// Heights made into colours: tints by absolute height, north up, lit from the north-west.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "elevation/progress.h"
#include "elevation/relief_shading.h"

namespace elevation {
namespace {

HeightGrid gridOf(int width, int height, float (*value)(int, int)) {
    HeightGrid grid{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) grid.values.push_back(value(x, y));
    return grid;
}

int brightness(Rgb c) { return c.r + c.g + c.b; }

TEST(ReliefShading, TintsFollowAbsoluteHeightNorthUp) {
    // Snow-high in the north, sea in the south, lowland between.
    const HeightGrid heights = gridOf(9, 9, [](int, int y) { return y < 3 ? 4000.0f : y < 6 ? 100.0f : -50.0f; });
    const RgbImage image = shadeRelief(heights, ReliefLook(), 18, 27);
    ASSERT_EQ(image.width, 18);
    ASSERT_EQ(image.height, 27);
    const Rgb snow = image.at(9, 2), land = image.at(9, 13), sea = image.at(9, 25);
    EXPECT_GT(snow.r, 220);
    EXPECT_GT(snow.b, 220);
    EXPECT_GT(land.g, land.r);
    EXPECT_GT(land.g, land.b);
    EXPECT_GT(sea.b, sea.r + 40);

    // Heights in another unit are tinted by their metres.
    const HeightGrid unit = gridOf(4, 4, [](int, int) { return 1.0f; });
    ReliefLook look;
    look.metresPerUnit = kSnowHeight;
    EXPECT_GT(shadeRelief(unit, look, 4, 4).at(1, 1).b, 220);
}

TEST(ReliefShading, SlopesFacingTheNorthWestAreLitAndTheOthersShaded) {
    // A ridge from the south-west corner to the north-east one: its north-west face against
    // its south-east one.
    const HeightGrid ridge = gridOf(21, 21, [](int x, int y) { return 500.0f - 4.0f * std::abs(x + y - 20); });
    ReliefLook look;
    look.columnSpacing = look.rowSpacing = 30.0;
    const RgbImage image = shadeRelief(ridge, look, 21, 21);
    const int lit = brightness(image.at(5, 5)), shaded = brightness(image.at(15, 15));
    EXPECT_GT(lit, shaded + 60) << lit << " against " << shaded;
    // Exaggerated relief is lit more steeply.
    look.exaggeration = 3.0;
    EXPECT_LT(brightness(shadeRelief(ridge, look, 21, 21).at(15, 15)), shaded);
}

TEST(Progress, SpeaksOnlyForTasksLongerThanItsInterval) {
    std::ostringstream quick, slow;
    { Progress progress(quick, "quick task", std::chrono::milliseconds(200)); }
    EXPECT_EQ(quick.str(), "");
    {
        Progress progress(slow, "slow task", std::chrono::milliseconds(20));
        progress.advance(1, 4);
        std::this_thread::sleep_for(std::chrono::milliseconds(70));
    }
    const std::string said = slow.str();
    EXPECT_EQ(said.rfind("slow task: 25%\n", 0), 0u) << said;
    EXPECT_NE(said.find("slow task: done in 0."), std::string::npos) << said;
    // What is written after it keeps the stream's own number format.
    slow << 1234.5;
    EXPECT_EQ(slow.str().substr(said.size()), "1234.5");
}

}  // namespace
}  // namespace elevation
