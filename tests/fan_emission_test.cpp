// Fan emission: the fans of hand-set node maps, vertex by vertex.
#include <algorithm>

#include "landscape_test_support.h"

namespace kalde::test {
namespace {

template <class Sample>
class FanEmission : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }

    // Emits the weights the test has set (tessellation only), with nothing culled.
    static void emit() {
        state<Sample>().params.cullDepth = 0;
        runPass<Sample>(View{}, 2);
    }
};
TYPED_TEST_SUITE(FanEmission, SampleTypes);

using Fan = std::vector<FanVertex>;

// Heights with a cross term, so that the two diagonals of a node have different sums.
float numbered(int i, int j) { return static_cast<float>(100 * i + j * j + i * j + 1); }
template <class Sample>
BuiltMap<Sample> numberedMap(int n) {
    return BuiltMap<Sample>(gridFromMap<Sample>(n, numbered), n);
}
FanVertex at(int i, int j) { return {float(i), numbered(i, j), float(j)}; }

// The elevations of every vertex the last pass emitted at grid point (i, j).
std::vector<float> elevationsAt(int i, int j) {
    std::vector<float> out;
    for (const Fan& fan : passLog().fans)
        for (const FanVertex& v : fan)
            if (v.i == float(i) && v.j == float(j)) out.push_back(v.y);
    return out;
}

TYPED_TEST(FanEmission, AnUnsubdividedRootIsOneFanOfItsCorners) {
    BuiltMap<TypeParam> m = numberedMap<TypeParam>(3);
    this->emit();
    // (i + j) / s = 1 at the root: its centre is the mean of the NE and SW corners.
    const float centre = (numbered(2, 2) + numbered(0, 0)) * 255.0f * 0.0019607844f;
    ASSERT_EQ(passLog().fans.size(), 1u);
    EXPECT_EQ(passLog().fans[0], (Fan{{1, centre, 1}, at(2, 2), at(0, 2), at(0, 0), at(2, 0),
                                      at(2, 2)}));
}

TYPED_TEST(FanEmission, AFullyWeightedNodeIncludesItsMidpointsAtTrueHeights) {
    BuiltMap<TypeParam> m = numberedMap<TypeParam>(3);
    m.nodeMap[1][1] = 255;
    this->emit();
    ASSERT_EQ(passLog().fans.size(), 1u);
    EXPECT_EQ(passLog().fans[0], (Fan{at(1, 1), at(2, 1), at(2, 2), at(1, 2), at(0, 2), at(0, 1),
                                      at(0, 0), at(1, 0), at(2, 0), at(2, 1)}));
}

TYPED_TEST(FanEmission, AMidpointBlendsWithTheSmallerWeightOfItsTwoNodes) {
    BuiltMap<TypeParam> m = numberedMap<TypeParam>(5);
    m.nodeMap[2][2] = 255;
    m.nodeMap[1][1] = 128;
    m.nodeMap[3][1] = 40;
    this->emit();
    // The east midpoint of node (1, 1) weighs 40 between corners (2, 2) and (2, 0).
    const float expected =
        ((numbered(2, 2) + numbered(2, 0)) * 215.0f + 80.0f * numbered(2, 1)) * 0.0019607844f;
    // Node (1, 1)'s fan starts and closes there; node (3, 1)'s passes it once.
    EXPECT_EQ(elevationsAt(2, 1), std::vector<float>(3, expected));
}

TYPED_TEST(FanEmission, AFullySubdividedNodeLeavesItsAreaToItsQuadrants) {
    BuiltMap<TypeParam> m = numberedMap<TypeParam>(5);
    setAllWeights(m.nodeMap, 5, 255);
    this->emit();
    std::vector<std::pair<float, float>> centres;
    for (const Fan& fan : passLog().fans) centres.emplace_back(fan[0].i, fan[0].j);
    EXPECT_EQ(centres, (std::vector<std::pair<float, float>>{{3, 3}, {1, 3}, {1, 1}, {3, 1}}));
}

TYPED_TEST(FanEmission, OneSubdividedQuadrantLeavesOneFanForTheRest) {
    BuiltMap<TypeParam> m = numberedMap<TypeParam>(5);
    m.nodeMap[2][2] = 255;
    m.nodeMap[3][3] = 255;
    this->emit();
    ASSERT_EQ(passLog().fans.size(), 2u);
    EXPECT_EQ(passLog().fans[0][0], at(3, 3));   // the quadrant first
    EXPECT_EQ(passLog().fans[1], (Fan{at(2, 2), at(2, 4), at(0, 4), at(0, 2), at(0, 0), at(2, 0),
                                      at(4, 0), at(4, 2)}));
}

TYPED_TEST(FanEmission, NotifyPrecedesEachVisibleNodesOutput) {
    BuiltMap<TypeParam> m = numberedMap<TypeParam>(5);
    m.nodeMap[2][2] = 255;
    m.nodeMap[1][3] = 255;
    this->emit();
    const std::vector<std::string>& events = passLog().events;
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0], "notify 2 2 4");
    const auto quadrant = std::find(events.begin(), events.end(), "notify 1 3 2");
    ASSERT_NE(quadrant, events.end());
    EXPECT_EQ(*(quadrant + 1), "begin");
    EXPECT_EQ(*(quadrant + 2), "vertex 1 3");
}

TYPED_TEST(FanEmission, ACoarserNeighbourMapHidesMidpointsOfSmallNodes) {
    // East of this map (S = 9) lies a map of size 5: two of our cells per cell of it.
    BuiltMap<TypeParam> m = numberedMap<TypeParam>(9);
    setAllWeights(m.nodeMap, 9, 255);
    unsigned char neighbourColumns[4][4] = {};
    unsigned char* neighbour[4] = {neighbourColumns[0], neighbourColumns[1], neighbourColumns[2],
                                   neighbourColumns[3]};
    neighbourColumns[2][2] = 255;   // the neighbour's root
    neighbourColumns[1][1] = 77;    // and its node of size 2 at (1, 1)
    const NodeMap maps[4] = {nullptr, neighbour, nullptr, nullptr};
    const int sizes[4] = {0, 5, 0, 0};
    bindMapState<TypeParam>(m.columns, m.nodeMap, 9, 1.0f, 1.0f, 0, 0, 0, 1.0f, 0.0f, 0.0f, 0.0f,
                            maps, sizes, nullptr, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f);
    this->emit();
    // Our node (6, 2) of size 4 meets the neighbour's node (1, 1): its east midpoint
    // (8, 2) blends with weight 77; the midpoints of our size-2 nodes stay out.
    const float corners = numbered(8, 4) + numbered(8, 0);
    const float expected = (corners * 178.0f + 154.0f * numbered(8, 2)) * 0.0019607844f;
    EXPECT_TRUE(elevationsAt(8, 1).empty());
    EXPECT_TRUE(elevationsAt(8, 3).empty());
    const std::vector<float> shared = elevationsAt(8, 2);
    EXPECT_FALSE(shared.empty());
    for (float y : shared) EXPECT_EQ(y, expected);
}

TYPED_TEST(FanEmission, ACulledMapEmitsNothing) {
    BuiltMap<TypeParam> m = numberedMap<TypeParam>(9);
    setAllWeights(m.nodeMap, 9, 255);
    View away;
    away.ex = -50.0f, away.ey = 5.0f;
    away.dx = -1.0f, away.dy = 0.0f, away.dz = 0.0f;
    runPass<TypeParam>(away, 2);
    EXPECT_TRUE(passLog().events.empty());
}

}  // namespace
}  // namespace kalde::test
