// Elevation queries: the full-resolution surface, its normals, edges and misses.
#include <cmath>
#include <limits>

#include "engine_test_support.h"

namespace kalde::test {
namespace {

template <class Sample>
class Queries : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }

    // Rebinds the current map with another centre (and fog map).
    static void recentre(float x, float y, float z, FogMap fog = nullptr, float fogScale = 0.0f) {
        auto& m = state<Sample>().map;
        bindMapState<Sample>(m.columns, m.nodeMap, m.size, m.cellX, m.heightScale, 0, 0, 0,
                             m.cellZ / m.cellX, x, y, z, nullptr, nullptr, fog, fogScale, 0.0f,
                             0.0f, 1.0f, 1.0f, 1.0f);
    }
};
TYPED_TEST_SUITE(Queries, SampleTypes);

// S = 5 with unit cells: sample (i, j) lies at world x = i - 2, z = 2 - j.
float worldX(float column) { return column - 2.0f; }
float worldZ(float row) { return 2.0f - row; }

TYPED_TEST(Queries, HeightAtASampleIsTheScaledSamplePlusTheCentreHeight) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) { return i * 7 - j * 3; }), 5,
                          1.0f, 0.5f);
    this->recentre(0.0f, 10.0f, 0.0f);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            EXPECT_EQ(heightAt<TypeParam>(worldX(i), worldZ(j)), (i * 7 - j * 3) * 0.5f + 10.0f)
                << i << "," << j;
            EXPECT_EQ(sampleHeightAt<TypeParam>(i, j), (i * 7 - j * 3) * 0.5f);
        }
}

TYPED_TEST(Queries, CellsSplitAlongAlternatingDiagonals) {
    // A corner whose column and row sum is even lies on the diagonals of all four of
    // its cells, so their centres take half its height; an odd corner lies on none.
    const auto centreOf = [](int column, int row) {
        return heightAt<TypeParam>(worldX(column + 0.5f), worldZ(row + 0.5f));
    };
    {
        BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) {
                                  return i == 2 && j == 2 ? 8 : 0;
                              }), 5);
        EXPECT_EQ(centreOf(1, 1), 4.0f);
        EXPECT_EQ(centreOf(2, 1), 4.0f);
        EXPECT_EQ(centreOf(1, 2), 4.0f);
        EXPECT_EQ(centreOf(2, 2), 4.0f);
    }
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) {
                              return i == 2 && j == 1 ? 8 : 0;
                          }), 5);
    EXPECT_EQ(centreOf(1, 0), 0.0f);
    EXPECT_EQ(centreOf(2, 0), 0.0f);
    EXPECT_EQ(centreOf(1, 1), 0.0f);
    EXPECT_EQ(centreOf(2, 1), 0.0f);
    // Cell (1, 1) is split from (1, 1) to (2, 2): near (2, 1) the surface rises to it,
    // on the other side of the diagonal it stays flat.
    EXPECT_FLOAT_EQ(heightAt<TypeParam>(worldX(1.75f), worldZ(1.25f)), 4.0f);
    EXPECT_EQ(heightAt<TypeParam>(worldX(1.25f), worldZ(1.75f)), 0.0f);
}

TYPED_TEST(Queries, FarEdgeUsesTheLastCell) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) { return i * i + j; }), 5);
    EXPECT_EQ(heightAt<TypeParam>(2.0f, worldZ(2)), 18.0f);
    EXPECT_EQ(heightAt<TypeParam>(worldX(2), -2.0f), 8.0f);
    EXPECT_EQ(heightAt<TypeParam>(2.0f, -2.0f), 20.0f);
}

TYPED_TEST(Queries, PointsAHairOutsideAnEdgeSnapOntoIt) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int) { return i + 1; }), 5);
    this->recentre(2.0f, 0.0f, 2.0f);   // the near edges now lie at x = 0 and z = 0
    EXPECT_EQ(heightAt<TypeParam>(-5e-7f, 1.0f), 1.0f);
    EXPECT_EQ(heightAt<TypeParam>(-2e-6f, 1.0f), kAbsent);
    EXPECT_EQ(heightAt<TypeParam>(1.0f, -5e-7f), 2.0f);
    EXPECT_EQ(heightAt<TypeParam>(1.0f, -2e-6f), kAbsent);
}

TYPED_TEST(Queries, OutsideTheMapThereIsNoSurface) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) { return i + j; }), 5);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (auto [x, z] : {std::pair{2.01f, 0.0f}, {0.0f, -2.01f}, {-100.0f, 100.0f}, {nan, 0.0f},
                        {0.0f, nan}, {inf, 0.0f}}) {
        EXPECT_EQ(heightAt<TypeParam>(x, z), kAbsent);
        float nx = 5, ny = 5, nz = 5;
        normalAt<TypeParam>(x, z, &nx, &ny, &nz);
        EXPECT_EQ(nx, 0.0f);
        EXPECT_EQ(ny, 0.0f);
        EXPECT_EQ(nz, 0.0f);
    }
    EXPECT_EQ(fogThicknessAt<TypeParam>(0.0f, 0.0f), kAbsent);   // no fog map
}

TYPED_TEST(Queries, NormalsFollowTheSlope) {
    {
        BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int, int) { return 3; }), 5);
        for (float x : {-2.0f, -0.3f, 1.7f, 2.0f}) {
            float nx, ny, nz;
            normalAt<TypeParam>(x, x * 0.5f, &nx, &ny, &nz);
            EXPECT_EQ(nx, 0.0f);
            EXPECT_EQ(ny, 1.0f);
            EXPECT_EQ(nz, 0.0f);
        }
    }
    const float r = 1.0f / std::sqrt(2.0f);
    {   // rising along +x: the normal leans to -x
        BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int) { return i; }), 5);
        for (float x : {-1.9f, -0.6f, 0.2f, 1.5f}) {
            float nx, ny, nz;
            normalAt<TypeParam>(x, 0.3f - x * 0.5f, &nx, &ny, &nz);
            EXPECT_FLOAT_EQ(nx, -r);
            EXPECT_FLOAT_EQ(ny, r);
            EXPECT_EQ(nz, 0.0f);
        }
    }
    // rising with the row, that is towards -z: the normal leans to +z
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int, int j) { return j; }), 5);
    for (float x : {-1.9f, -0.6f, 0.2f, 1.5f}) {
        float nx, ny, nz;
        normalAt<TypeParam>(x, x * 0.7f, &nx, &ny, &nz);
        EXPECT_EQ(nx, 0.0f);
        EXPECT_FLOAT_EQ(ny, r);
        EXPECT_FLOAT_EQ(nz, r);
    }
}

TYPED_TEST(Queries, FogThicknessReadsTheFogMap) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int, int) { return 100; }), 5);
    unsigned char columns[5][5] = {};
    unsigned char* fog[5];
    for (int i = 0; i < 5; ++i) {
        fog[i] = columns[i];
        for (int j = 0; j < 5; ++j) columns[i][j] = static_cast<unsigned char>(10 * i + j);
    }
    this->recentre(0.0f, 1.0f, 0.0f, fog, 0.5f);
    // Thickness only: neither the ground nor a fog offset is added, the centre is.
    EXPECT_EQ(fogThicknessAt<TypeParam>(worldX(3), worldZ(2)), 32 * 0.5f + 1.0f);
    EXPECT_EQ(fogThicknessAt<TypeParam>(worldX(3.5f), worldZ(2)), 37 * 0.5f + 1.0f);
    EXPECT_EQ(fogThicknessAt<TypeParam>(5.0f, 0.0f), kAbsent);
    this->recentre(0.0f, 0.0f, 0.0f);   // the release must not free the test's fog
}

TYPED_TEST(Queries, ClampedHeightTakesTheNearestPointOfTheMap) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) { return i * 10 + j; }), 5);
    EXPECT_EQ(heightAtClamped<TypeParam>(1000.0f, -1000.0f), 44.0f);
    EXPECT_EQ(heightAtClamped<TypeParam>(-1000.0f, 1000.0f), 0.0f);
    EXPECT_EQ(heightAtClamped<TypeParam>(1.0f, 1000.0f), 30.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(heightAtClamped<TypeParam>(nan, nan), 4.0f);   // NaN goes to the low edges
    this->recentre(50.0f, 0.0f, -50.0f);
    EXPECT_EQ(heightAtClamped<TypeParam>(0.0f, 0.0f), 22.0f);   // relative to the centre
}

TYPED_TEST(Queries, ClampedHeightStaysOnAMapFarFromTheOrigin) {
    // Adding a centre 10^4 away to the clamped offset and taking it away again rounds by
    // more than the edge snap; the clamp must still land on the map (found by fuzzing).
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) { return i * 10 + j; }), 5,
                          480.39f, 1.0f, 3.85294f);
    this->recentre(9925.23047f, 0.0f, 1483.78418f);
    const float far = 1e9f;
    EXPECT_EQ(heightAtClamped<TypeParam>(-far, -far), 4.0f);
    EXPECT_EQ(heightAtClamped<TypeParam>(far, far), 40.0f);
    EXPECT_EQ(heightAtClamped<TypeParam>(-far, far), 0.0f);
    EXPECT_EQ(heightAtClamped<TypeParam>(far, -far), 44.0f);
}

TYPED_TEST(Queries, SampleIndicesMustLieInTheMap) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) { return i + j; }), 5);
    EXPECT_EQ(sampleHeightAt<TypeParam>(4, 4), 8.0f);
    const std::string line = engineFatal(Expected<TypeParam>::sampleHeightRange);
    EXPECT_EXIT(sampleHeightAt<TypeParam>(5, 0), ::testing::ExitedWithCode(1), line);
    EXPECT_EXIT(sampleHeightAt<TypeParam>(0, -1), ::testing::ExitedWithCode(1), line);
}

TYPED_TEST(Queries, EveryQueryNeedsACurrentMap) {
    using E = Expected<TypeParam>;
    float nx, ny, nz;
    EXPECT_EXIT(sampleHeightAt<TypeParam>(0, 0), ::testing::ExitedWithCode(1),
                engineFatal(E::sampleHeightNoMap));
    EXPECT_EXIT(heightAt<TypeParam>(0, 0), ::testing::ExitedWithCode(1),
                engineFatal(E::heightNoMap));
    EXPECT_EXIT(heightAtClamped<TypeParam>(0, 0), ::testing::ExitedWithCode(1),
                engineFatal(E::heightNoMap));
    EXPECT_EXIT(fogThicknessAt<TypeParam>(0, 0), ::testing::ExitedWithCode(1),
                engineFatal(E::fogThicknessNoMap));
    EXPECT_EXIT(normalAt<TypeParam>(0, 0, &nx, &ny, &nz), ::testing::ExitedWithCode(1),
                engineFatal(E::normalNoMap));
    EXPECT_EXIT(releaseMap<TypeParam>(), ::testing::ExitedWithCode(1),
                engineFatal(E::releaseNoMap));
}

TYPED_TEST(Queries, ANormalTooSmallForSinglePrecisionIsFatal) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int, int) { return 0; }), 5, 1e-30f);
    float nx, ny, nz;
    EXPECT_EXIT(normalAt<TypeParam>(0.0f, 0.0f, &nx, &ny, &nz), ::testing::ExitedWithCode(1),
                engineFatal(Expected<TypeParam>::normalZeroLength));
}

TYPED_TEST(Queries, AFlatCellAspectHasNoSurfaceToRead) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int, int) { return 1; }), 5, 1.0f, 1.0f,
                          0.0f);
    EXPECT_EQ(heightAt<TypeParam>(0.0f, 0.0f), kAbsent);
}

}  // namespace
}  // namespace kalde::test
