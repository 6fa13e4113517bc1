// Refinement: distance against roughness decides each node's weight, frame to frame.
#include "landscape_test_support.h"

namespace kalde::test {
namespace {

template <class Sample>
class Refinement : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }
};
TYPED_TEST_SUITE(Refinement, SampleTypes);

// Weights of all node centres of a map, smallest nodes first.
std::vector<int> weights(NodeMap nodeMap, int S) {
    std::vector<int> out;
    for (int s = 2; s < S; s *= 2)
        for (int i = s / 2; i < S; i += s)
            for (int j = s / 2; j < S; j += s) out.push_back(nodeMap[i][j]);
    return out;
}

TYPED_TEST(Refinement, WeightFallsWithTheCriterion) {
    // S = 3, flat at 0, unit cells: the root's criterion is (distance^2) / (2 * 9)^2.
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(3, [](int, int) { return 0.0; }), 3);
    const struct {
        float x, y;
        int weight;
    } cases[] = {{9.0f, 0.0f, 255},    // f = 81 / 324 = 0.25
                 {9.0f, 9.0f, 170},    // f = 0.5: 340 - 170
                 {18.0f, 0.0f, 0},     // f = 1: not subdivided
                 {17.9f, 0.0f, 4}};    // f = 0.98892: 340 - 336
    for (const auto& c : cases) {
        View v;
        v.ex = c.x, v.ey = c.y;
        runPass<TypeParam>(v, 1);
        EXPECT_EQ(m.nodeMap[1][1], c.weight) << c.x << "," << c.y;
    }
}

TYPED_TEST(Refinement, RoughnessCountsOnlyAboveResolutionOne) {
    // A spike makes the root rough; at res 1 only the distance decides.
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(3, [](int i, int j) {
                              return i == 1 && j == 1 ? 40.0 : 0.0;
                          }), 3);
    View v;
    v.ex = 30.0f, v.ey = 0.0f;   // f = 900 / 324 without roughness
    v.res = 1.0f;
    runPass<TypeParam>(v, 1);
    EXPECT_EQ(m.nodeMap[1][1], 0);
    v.res = 1000.0f;
    runPass<TypeParam>(v, 1);
    EXPECT_NE(m.nodeMap[1][1], 0);
}

TYPED_TEST(Refinement, OrthographicWeightsDoNotDependOnTheCamera) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(33, [](int i, int j) {
                              return (i * 7919 + j * 104729) % 61 * 3.0;
                          }), 33);
    state<TypeParam>().params.cullDepth = 0;   // nothing culled
    View v;
    v.fovy = -40.0f;
    v.res = 1000.0f;
    runPass<TypeParam>(v, 1);
    const std::vector<int> first = weights(m.nodeMap, 33);
    v.ex = -300.0f, v.ey = 5.0f, v.ez = 77.0f;
    v.dx = 1.0f, v.dy = 0.0f, v.dz = 0.0f;
    runPass<TypeParam>(v, 1);
    EXPECT_EQ(weights(m.nodeMap, 33), first);
    EXPECT_EQ(m.nodeMap[16][16], 255);   // the root: (16 / (32 * 9))^2 is tiny
}

TYPED_TEST(Refinement, AnUnsubdividedNodeLosesItsWholeSubtree) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(17, [](int, int) { return 0.0; }), 17);
    state<TypeParam>().params.cullDepth = 0;   // nothing culled
    View near;
    near.ey = 2.0f;
    runPass<TypeParam>(near, 1);
    for (int w : weights(m.nodeMap, 17)) ASSERT_GT(w, 0);
    const unsigned char roughnessByte = m.nodeMap[8][0];
    View far;
    far.ey = 1e4f;
    runPass<TypeParam>(far, 1);
    for (int w : weights(m.nodeMap, 17)) EXPECT_EQ(w, 0);
    EXPECT_EQ(m.nodeMap[8][0], roughnessByte);   // roughness cells are not weights
}

TYPED_TEST(Refinement, NodesBelowACulledNodeKeepTheirWeights) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(17, [](int, int) { return 0.0; }), 17);
    View looking;
    looking.ex = -60.0f, looking.ey = 10.0f;
    looking.dx = 1.0f, looking.dy = -0.1f, looking.dz = 0.0f;
    runPass<TypeParam>(looking, 1);
    const std::vector<int> seen = weights(m.nodeMap, 17);
    ASSERT_GT(m.nodeMap[12][12], 0);
    // Turned away from the map (now behind the eye), a little farther off: the root
    // gets a new weight, its culled subtree keeps the old ones.
    View away = looking;
    away.ex = -100.0f;
    away.dx = -1.0f;
    runPass<TypeParam>(away, 1);
    std::vector<int> now = weights(m.nodeMap, 17);
    EXPECT_NE(now.back(), seen.back());
    now.pop_back();
    std::vector<int> before = seen;
    before.pop_back();
    EXPECT_EQ(now, before);
}

}  // namespace
}  // namespace kalde::test
