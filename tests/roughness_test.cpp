// Roughness: per-node values in the node map, rounded up, propagated to larger nodes.
#include <cmath>

#include "engine_test_support.h"
#include "terrain/node_map.h"
#include "terrain/roughness.h"

namespace kalde::test {
namespace {

template <class Sample>
class Roughness : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }
};
TYPED_TEST_SUITE(Roughness, SampleTypes);

constexpr float kUnit = 1.5259022e-05f;   // one step of stored roughness

template <class Sample>
unsigned stored(const BuiltMap<Sample>& m, int i, int j, int h) {
    return roughnessBits(m.nodeMap, i, j, h);
}

TYPED_TEST(Roughness, FlatAndPlanarMapsAreSmooth) {
    for (auto value : {+[](int, int) { return 42.0; }, +[](int i, int j) { return 3.0 * i + 2.0 * j; }}) {
        BuiltMap<TypeParam> m(gridFromMap<TypeParam>(17, value), 17);
        for (int a = 0; a < 16; ++a)
            for (int b = 0; b < 16; ++b) ASSERT_EQ(m.nodeMap[a][b], 0) << a << "," << b;
    }
}

TYPED_TEST(Roughness, ASpikeOnTheRootDiagonal) {
    // S = 3: only the diagonal through the centre bends: d = 100 * 0.2 * 2 = 40,
    // v = 40 / 2 / 1 / 100 = 0.2, stored rounded up as 13108 (0x3334).
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(3, [](int i, int j) {
                              return i == 1 && j == 1 ? 100.0 : 0.0;
                          }), 3, 1.0f, 0.2f);
    EXPECT_EQ(m.nodeMap[1][0], 51);
    EXPECT_EQ(m.nodeMap[0][1], 52);
    EXPECT_EQ(m.nodeMap[0][0], 0);
    EXPECT_EQ(m.nodeMap[1][1], 0);   // the weight: not subdivided
}

TYPED_TEST(Roughness, StoredValuesRoundUpAndNeverFall) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(3, [](int, int) { return 0.0; }), 3);
    raiseRoughness<TypeParam>(m.nodeMap, 0.0f, 1, 1, 1);
    EXPECT_EQ(stored(m, 1, 1, 1), 0u);
    raiseRoughness<TypeParam>(m.nodeMap, 1e-9f, 1, 1, 1);
    EXPECT_EQ(stored(m, 1, 1, 1), 1u);
    raiseRoughness<TypeParam>(m.nodeMap, 0.2f, 1, 1, 1);
    EXPECT_EQ(stored(m, 1, 1, 1), 13108u);
    EXPECT_LT(13107.0 * kUnit, 0.2f);   // q * k compares in double
    raiseRoughness<TypeParam>(m.nodeMap, 0.1f, 1, 1, 1);
    EXPECT_EQ(stored(m, 1, 1, 1), 13108u);
    raiseRoughness<TypeParam>(m.nodeMap, 0.5f, 1, 1, 1);
    EXPECT_EQ(m.nodeMap[1][0], 128);
    EXPECT_EQ(m.nodeMap[0][1], 0);
    raiseRoughness<TypeParam>(m.nodeMap, 1.0f, 1, 1, 1);
    EXPECT_EQ(stored(m, 1, 1, 1), 65535u);
}

TYPED_TEST(Roughness, SmallNodesHandTheirParentAGrowingShare) {
    // S = 5: the node of size 2 at (1, 1) bends on its diagonal; it propagates only to
    // the root (its other targets lie off the map), which lies sqrt(2) cells away.
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) {
                              return i == 1 && j == 1 ? 50.0 : 0.0;
                          }), 5);
    const unsigned child = stored(m, 1, 1, 1);
    EXPECT_EQ(child, 32768u);   // d = 100, v = 100 / 2 / 1 / 100 = 0.5
    const float share = 0.5f * (child * kUnit) * 36.0f / (36.0f - std::sqrt(2.0f));
    EXPECT_NEAR(share / (child * kUnit), 0.5204, 1e-4);
    const unsigned root = stored(m, 2, 2, 2);
    EXPECT_GE(double(root) * kUnit, share);
    EXPECT_LT(double(root - 1) * kUnit, share);
}

TYPED_TEST(Roughness, NeighbouringNodesAlternateDiagonals) {
    // The nodes of size 2 split along i = j at (1, 1) and (3, 3) and along i + j = 4 at
    // (3, 1) and (1, 3): a fold along either line is flat on every triangle drawn.
    for (auto fold : {+[](int i, int j) { return 10.0 * std::abs(i - j); },
                      +[](int i, int j) { return 10.0 * std::abs(i + j - 4); }}) {
        BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, fold), 5);
        for (auto [i, j] : {std::pair{1, 1}, {3, 1}, {1, 3}, {3, 3}})
            EXPECT_EQ(stored(m, i, j, 1), 0u) << i << "," << j;
    }
    // Across the diagonal a node does draw, the same kind of fold bends it.
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int i, int j) {
                              return 10.0 * std::abs(i + j - 2);
                          }), 5);
    EXPECT_GT(stored(m, 1, 1, 1), 0u);
}

TYPED_TEST(Roughness, AVeryRoughNodeSaturates) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(3, [](int i, int j) {
                              return i == 1 && j == 1 ? 1000.0 : 0.0;
                          }), 3);
    EXPECT_EQ(stored(m, 1, 1, 1), 65535u);
}

TYPED_TEST(Roughness, FatalChecks) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(9, [](int, int) { return 0.0; }), 9);
    EXPECT_EXIT(raiseRoughness<TypeParam>(m.nodeMap, 1.0001f, 1, 1, 1), ::testing::ExitedWithCode(1),
                engineFatal(Expected<TypeParam>::roughnessAboveOne));
    // A target as far away as the reach of the propagation.
    state<TypeParam>().params.minRefineFactor = 1.0f;
    m.nodeMap[1][0] = 200;
    EXPECT_EXIT(propagateRoughness<TypeParam>(m.map(), state<TypeParam>().params, 1, 1, 2, 5, 5), ::testing::ExitedWithCode(1),
                engineFatal(Expected<TypeParam>::propagationTooFar));
}

TYPED_TEST(Roughness, MinimalRefineFactorCanPushAShareAboveOne) {
    // Node (3, 1) of size 2 hands more than twice its value to node (6, 2) of size 4,
    // beside its parent.
    setRefinementParams<TypeParam>(1.0f, 100.0f, 0.5f, 8);
    EXPECT_EXIT(BuiltMap<TypeParam>(gridFromMap<TypeParam>(9, [](int i, int j) {
                                        return i == 3 && j == 1 ? 5000.0 : 0.0;
                                    }), 9),
                ::testing::ExitedWithCode(1),
                engineFatal(Expected<TypeParam>::roughnessAboveOne));
}

}  // namespace
}  // namespace kalde::test
