// Fog map construction: the resampled fog layer, raised height bounds, fog roughness.
#include <limits>

#include "engine_test_support.h"
#include "terrain/node_map.h"
#include "terrain/heap.h"

namespace kalde::test {
namespace {

template <class Sample>
class FogBuild : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }
};
TYPED_TEST_SUITE(FogBuild, SampleTypes);

template <class Sample>
BuiltMap<Sample> hillMap(int n, float heightScale) {
    return BuiltMap<Sample>(gridFromMap<Sample>(n, [](int i, int j) { return (i * j) % 7; }), n,
                            1.0f, heightScale);
}

std::vector<unsigned char> fogImage(int n, unsigned char (*value)(int, int)) {
    std::vector<unsigned char> image(static_cast<std::size_t>(n) * n);
    for (int c = 0; c < n; ++c)
        for (int r = 0; r < n; ++r) image[c + r * n] = value(c, r);
    return image;
}

TYPED_TEST(FogBuild, CopiesAnImageOfTheMapsSizeWithItsRowsReversed) {
    BuiltMap<TypeParam> m = hillMap<TypeParam>(5, 1.0f);
    const auto image = fogImage(5, [](int c, int r) { return static_cast<unsigned char>(c * 10 + r); });
    FogMap fog = buildFogMap<TypeParam>(image.data(), 5, 1.0f, 0.0f, 0.0f, 0.0f, 1, 1, 1);
    ASSERT_NE(fog, nullptr);
    EXPECT_EQ(m.map().fogMap, fog);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) EXPECT_EQ(fog[i][j], i * 10 + (4 - j)) << i << "," << j;
}

TYPED_TEST(FogBuild, ResamplesOtherSizesLikeTheSamples) {
    BuiltMap<TypeParam> m = hillMap<TypeParam>(9, 1.0f);
    const unsigned char image[4] = {0, 100, 200, 255};   // rows (0, 100) and (200, 255)
    FogMap fog = buildFogMap<TypeParam>(image, 2, 1.0f, 0.0f, 0.0f, 0.0f, 1, 1, 1);
    EXPECT_EQ(fog[0][0], 200);   // the image's last row becomes row 0
    EXPECT_EQ(fog[8][8], 100);
    EXPECT_EQ(fog[4][4], 139);   // mean 138.75, rounded
}

TYPED_TEST(FogBuild, HeightBoundsGrowByTheHighestFogRoof) {
    const unsigned char flat[4] = {9, 9, 9, 9};
    {
        BuiltMap<TypeParam> m = hillMap<TypeParam>(9, 0.25f);
        std::vector<TypeParam> before(m.map().maxDiff, m.map().maxDiff + 9);
        buildFogMap<TypeParam>(flat, 2, 1.0f, 0.0f, 0.0f, 0.0f, 1, 1, 1);
        // 255 * 1 / 0.25 = 1020 sample units of fog above the highest ground.
        const double growth = std::is_integral_v<TypeParam> ? 1021.0 : 1020.0;
        for (int s : {8, 4, 2}) EXPECT_EQ(double(m.map().maxDiff[s]), double(before[s]) + growth);
        for (int s : {0, 1, 3, 5, 6, 7}) EXPECT_EQ(m.map().maxDiff[s], before[s]);
    }
    BuiltMap<TypeParam> m = hillMap<TypeParam>(9, 0.2f);
    std::vector<TypeParam> before(m.map().maxDiff, m.map().maxDiff + 9);
    buildFogMap<TypeParam>(flat, 2, 1.0f, 0.0f, 0.0f, 0.0f, 1, 1, 1);
    // 255 / 0.2 is just under 1275 in single precision.
    for (int s : {8, 4, 2}) {
        if constexpr (std::is_integral_v<TypeParam>)
            EXPECT_EQ(m.map().maxDiff[s], before[s] + 1275);
        else
            EXPECT_EQ(m.map().maxDiff[s], before[s] + 255.0f / 0.2f);
    }
}

TYPED_TEST(FogBuild, OnlyVaryingFogAddsRoughness) {
    BuiltMap<TypeParam> m = hillMap<TypeParam>(9, 1.0f);
    const auto copy = [&] {
        std::vector<unsigned char> bytes;
        for (int a = 0; a < 8; ++a) bytes.insert(bytes.end(), m.nodeMap[a], m.nodeMap[a] + 8);
        return bytes;
    };
    const std::vector<unsigned char> terrainOnly = copy();
    const auto uniform = fogImage(9, [](int, int) -> unsigned char { return 200; });
    buildFogMap<TypeParam>(uniform.data(), 9, 1.0f, 0.0f, 0.0f, 5.0f, 1, 1, 1);
    EXPECT_EQ(copy(), terrainOnly);
    const unsigned terrainRoughness = roughnessBits(m.nodeMap, 3, 5, 1);
    releaseMap<TypeParam>();

    BuiltMap<TypeParam> again = hillMap<TypeParam>(9, 1.0f);
    const auto bump = fogImage(9, [](int c, int r) -> unsigned char { return c == 3 && r == 3 ? 250 : 0; });
    buildFogMap<TypeParam>(bump.data(), 9, 1.0f, 0.0f, 0.0f, 1.0f, 1, 1, 1);
    // Image (3, 3) is map sample (3, 5): the centre of node (3, 5) of size 2.
    EXPECT_GT(roughnessBits(again.nodeMap, 3, 5, 1), terrainRoughness);
}

TYPED_TEST(FogBuild, ANullImageChangesNothing) {
    BuiltMap<TypeParam> m = hillMap<TypeParam>(5, 1.0f);
    const TypeParam bound = m.map().maxDiff[4];
    EXPECT_EQ(buildFogMap<TypeParam>(nullptr, -3, -1.0f, -1.0f, -1.0f, -1.0f, 1, 1, 1), nullptr);
    EXPECT_EQ(m.map().maxDiff[4], bound);
    EXPECT_EQ(m.map().fogMap, nullptr);
    EXPECT_EQ(m.map().fogScale, 0.0f);
}

TYPED_TEST(FogBuild, FatalChecks) {
    using L = Expected<TypeParam>;
    const unsigned char image[4] = {1, 2, 3, 4};
    const auto fails = [&](auto call, int line) {
        EXPECT_EXIT(call(), ::testing::ExitedWithCode(1), engineFatal(line));
    };
    fails([&] { buildFogMap<TypeParam>(image, 2, 1, 0, 0, 0, 1, 1, 1); }, L::fogNoMap);
    BuiltMap<TypeParam> m = hillMap<TypeParam>(5, 1.0f);
    fails([&] { buildFogMap<TypeParam>(image, 1, 1, 0, 0, 0, 1, 1, 1); }, L::fogImageSize);
    fails([&] { buildFogMap<TypeParam>(image, 2, 0, 0, 0, 0, 1, 1, 1); }, L::fogParameters);
    fails([&] { buildFogMap<TypeParam>(image, 2, 1, -1, 0, 0, 1, 1, 1); }, L::fogParameters);
    fails([&] { buildFogMap<TypeParam>(image, 2, 1, 0, -1, 0, 1, 1, 1); }, L::fogParameters);
    fails([&] { buildFogMap<TypeParam>(image, 2, 1, 0, 0, -1, 1, 1, 1); }, L::fogWeight);
    fails([&] {
        testing::failAllocationAfter(0);
        buildFogMap<TypeParam>(image, 2, 1, 0, 0, 0, 1, 1, 1);
    }, L::fogArrayAlloc);
    fails([&] {
        testing::failAllocationAfter(3);
        buildFogMap<TypeParam>(image, 2, 1, 0, 0, 0, 1, 1, 1);
    }, L::fogColumnAlloc);
    buildFogMap<TypeParam>(image, 2, 1, 0, 0, 0, 1, 1, 1);
    fails([&] { buildFogMap<TypeParam>(image, 2, 1, 0, 0, 0, 1, 1, 1); }, L::fogAlreadyBuilt);
}

TYPED_TEST(FogBuild, NeedsHeightsToMeasureTheFogIn) {
    BuiltMap<TypeParam> m = hillMap<TypeParam>(5, 0.0f);
    const unsigned char image[4] = {1, 2, 3, 4};
    EXPECT_EXIT(
        {
            buildFogMap<TypeParam>(image, 2, 1, 0, 0, 0, 1, 1, 1);
            std::exit(0);   // not reached: the check follows the filled fog map
        },
        ::testing::ExitedWithCode(1), engineFatal(Expected<TypeParam>::fogHeightScaleZero));
}

TEST(FogBuild16, RaisedBoundsMustStayBelow32767) {
    resetEngine<std::int16_t>();
    BuiltMap<std::int16_t> m = hillMap<std::int16_t>(5, 0.5f);
    const unsigned char image[4] = {1, 2, 3, 4};
    // 255 * 100 / 0.5 = 51000 sample units.
    EXPECT_EXIT(buildFogMap<std::int16_t>(image, 2, 100.0f, 0, 0, 0, 1, 1, 1),
                ::testing::ExitedWithCode(1), engineFatal(Expected<std::int16_t>::fogBoundOverflow));
}

TEST(FogBuildFloat, RaisedBoundsHaveNoLimit) {
    resetEngine<float>();
    BuiltMap<float> m = hillMap<float>(5, 0.5f);
    const unsigned char image[4] = {1, 2, 3, 4};
    const float before = m.map().maxDiff[4];
    buildFogMap<float>(image, 2, 100.0f, 0, 0, 0, 1, 1, 1);
    EXPECT_EQ(m.map().maxDiff[4], before + 51000.0f);
}

}  // namespace
}  // namespace kalde::test
