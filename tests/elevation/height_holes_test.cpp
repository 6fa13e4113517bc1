// Samples without a height: telling them from heights, and filling them.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "elevation/height_holes.h"
#include "raster_files.h"

namespace elevation {
namespace {

using testfiles::heightGrid;
using testfiles::kNaN;
using testfiles::kNoData;
using testfiles::kVoid;

HoleMask holesWhere(const HeightGrid& image, const std::function<bool(int, int)>& hole) {
    HoleMask holes(image.values.size(), 0);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) holes[static_cast<std::size_t>(y) * image.width + x] = hole(x, y);
    }
    return holes;
}

TEST(HeightHoles, DecodeSampleTellsHolesFromHeights) {
    const BandEncoding plain;
    BandEncoding declared;
    declared.hasNoData = true;
    declared.noData = kNoData;
    float h = 0.0f;
    EXPECT_FALSE(decodeSample(kNaN, plain, h));
    EXPECT_FALSE(decodeSample(std::numeric_limits<double>::infinity(), plain, h));
    EXPECT_FALSE(decodeSample(1e39, plain, h));  // no float holds it
    EXPECT_FALSE(decodeSample(kNoData, declared, h));
    ASSERT_TRUE(decodeSample(kNoData + 1.0, declared, h));
    EXPECT_EQ(h, -9998.0f);
    // Undeclared markers and heights above any metre bound pass here; markStrayExtremes decides.
    EXPECT_TRUE(decodeSample(kVoid, plain, h));
    ASSERT_TRUE(decodeSample(43798.0, plain, h));
    EXPECT_EQ(h, 43798.0f);

    // A float sample against a no-data value declared with more digits than a float holds.
    BandEncoding tenth;
    tenth.hasNoData = true;
    tenth.noData = 0.1;
    EXPECT_FALSE(decodeSample(static_cast<double>(0.1f), tenth, h));

    BandEncoding decimetres;
    decimetres.scale = 0.1;
    decimetres.offset = 5.0;
    ASSERT_TRUE(decodeSample(100.0, decimetres, h));
    EXPECT_NEAR(h, 15.0f, 1e-5f);
}

TEST(HeightHoles, UndeclaredMarkersBecomeHolesButRealExtremesStay) {
    // Heights 173..965 with voids, a -9999 marker and a float-max marker on top.
    HeightGrid tile = heightGrid(10, 10, [](int x, int y) { return 173.0f + 8.0f * static_cast<float>(10 * y + x); });
    tile.values[5] = tile.values[6] = static_cast<float>(kVoid);
    tile.values[50] = static_cast<float>(kNoData);
    tile.values[99] = std::numeric_limits<float>::max();
    HoleMask holes(tile.values.size(), 0);
    EXPECT_EQ(markStrayExtremes(tile, holes), 4u);
    EXPECT_TRUE(holes[5] && holes[6] && holes[50] && holes[99]);

    // Decimetres up to a 4380 m peak, with a sea held at the lowest value: nothing is stray.
    const HeightGrid coast = heightGrid(32, 32, [](int x, int y) { return x < 10 ? 0.0f : 43798.0f * static_cast<float>(x + y) / 62.0f; });
    HoleMask none(coast.values.size(), 0);
    EXPECT_EQ(markStrayExtremes(coast, none), 0u);

    // A terraced image with a few uneven levels is left alone.
    const HeightGrid terraces = heightGrid(8, 8, [](int x, int) { return x < 2 ? 0.0f : x < 4 ? 10.0f : x < 6 ? 20.0f : 1000.0f; });
    HoleMask kept(terraces.values.size(), 0);
    EXPECT_EQ(markStrayExtremes(terraces, kept), 0u);
}

TEST(HeightHoles, FilledSamplesStayWithinTheirValidNeighboursAndFollowTheSlope) {
    auto plane = [](int x, int y) { return 3.0f * static_cast<float>(x) + 2.0f * static_cast<float>(y); };
    HeightGrid image = heightGrid(20, 20, plane);
    const auto inBlock = [](int x, int y) { return x >= 5 && x <= 9 && y >= 6 && y <= 12; };
    const HoleMask holes = holesWhere(image, [&](int x, int y) { return inBlock(x, y) || (x == 0 && y == 0); });
    for (std::size_t i = 0; i < image.values.size(); ++i) {
        if (holes[i]) image.values[i] = static_cast<float>(kVoid);
    }
    ASSERT_TRUE(fillHoles(image, holes));

    // The block's valid ring spans plane(4, 5) .. plane(10, 13).
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const float v = image.at(x, y);
            if (inBlock(x, y)) {
                EXPECT_GE(v, plane(4, 5)) << x << "," << y;
                EXPECT_LE(v, plane(10, 13)) << x << "," << y;
                EXPECT_NEAR(v, plane(x, y), 6.0f) << x << "," << y;
            } else if (x == 0 && y == 0) {
                EXPECT_GE(v, plane(1, 0));
                EXPECT_LE(v, plane(1, 1));
            } else {
                EXPECT_EQ(v, plane(x, y)) << x << "," << y;  // valid samples are untouched
            }
        }
    }

    HeightGrid empty = heightGrid(3, 3, [](int, int) { return 7.0f; });
    EXPECT_FALSE(fillHoles(empty, HoleMask(9, 1)));
}

TEST(HeightHoles, RepairTakesTheRangeOfTheValidHeightsAndFillsTheRest) {
    HeightGrid heights = heightGrid(20, 20, [](int x, int y) { return -100.0f + 10.0f * static_cast<float>(x + y); });
    heights.values[0] = static_cast<float>(kVoid);  // an undeclared marker
    HoleMask holes(heights.values.size(), 0);
    holes[399] = 1;  // a declared hole at the highest corner
    HeightSummary summary;
    std::string problem;
    ASSERT_TRUE(repairHeights(heights, holes, summary, problem));
    EXPECT_EQ(summary.lowest, -90.0f);
    EXPECT_EQ(summary.highest, 270.0f);
    EXPECT_EQ(summary.holes, 2u);
    EXPECT_EQ(summary.strayMarkers, 1u);
    EXPECT_TRUE(summary.wholeNumbers);
    EXPECT_GT(heights.values[0], -90.0f);
    EXPECT_LT(heights.values[399], 270.0f);

    heights.values[5] = 0.5f;
    ASSERT_TRUE(repairHeights(heights, holes, summary, problem));
    EXPECT_FALSE(summary.wholeNumbers);

    HoleMask allHoles(400, 1);
    EXPECT_FALSE(repairHeights(heights, allHoles, summary, problem));
    EXPECT_NE(problem.find("only no-data"), std::string::npos);
}

}  // namespace
}  // namespace elevation
