// Fog-aware emission and the prism phase: the same fans, a prism per foggy triangle,
// and the prisms handed out as edges or sectioned at the near plane.
#include <array>
#include <cstdio>

#include "landscape_test_support.h"
#include "terrain/heap.h"
#include "terrain/render_hooks.h"

namespace kalde::test {
namespace {

std::vector<std::array<float, 4>>& edgeLog() {
    static std::vector<std::array<float, 4>> log;
    return log;
}
void logPrismEdge(float x, float y, float yTop, float z) { edgeLog().push_back({x, y, yTop, z}); }

template <class Sample>
class FogEmission : public ::testing::Test {
protected:
    void SetUp() override {
        resetEngine<Sample>();
        edgeLog().clear();
    }
};
TYPED_TEST_SUITE(FogEmission, SampleTypes);

template <class Sample>
BuiltMap<Sample> roughMap(int n) {
    return BuiltMap<Sample>(gridFromMap<Sample>(n, [](int i, int j) { return (i * 31 + j * 17) % 23; }),
                            n, 2.0f, 0.5f);
}

// Fog image in map coordinates (map row j is image row n-1-j).
std::vector<unsigned char> fogFromMap(int n, int (*value)(int, int)) {
    std::vector<unsigned char> image(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) image[i + (n - 1 - j) * n] = static_cast<unsigned char>(value(i, j));
    return image;
}

template <class Sample>
std::vector<std::vector<FanVertex>> fansOf(const View& v, int phase) {
    runPass<Sample>(v, phase);
    return passLog().fans;
}

TYPED_TEST(FogEmission, FogFreeMapsEmitTheSameFansAndNoPrisms) {
    View v;
    v.ey = 20.0f;
    std::vector<std::vector<FanVertex>> plain, foggy;
    {
        BuiltMap<TypeParam> m = roughMap<TypeParam>(17);
        state<TypeParam>().params.cullDepth = 0;   // the fog's taller boxes cull differently
        plain = fansOf<TypeParam>(v, 0);
    }
    BuiltMap<TypeParam> m = roughMap<TypeParam>(17);
    const auto none = fogFromMap(17, [](int, int) { return 0; });
    buildFogMap<TypeParam>(none.data(), 17, 1.0f, 3.0f, 0.0f, 1.0f, 1, 1, 1);
    state<TypeParam>().params.cullDepth = 0;
    runPass<TypeParam>(v, 1);
    foggy = fansOf<TypeParam>(v, 2);
    EXPECT_EQ(foggy, plain);
    EXPECT_EQ(prismList<TypeParam>().count, 0);
}

TYPED_TEST(FogEmission, EveryFoggyTriangleBecomesAPrismInFanOrder) {
    BuiltMap<TypeParam> m = roughMap<TypeParam>(17);
    // Fog in a band: some triangles have it at every corner, some at one, some at none.
    const auto band = fogFromMap(17, [](int i, int j) { return i >= 6 && i <= 9 ? 10 * (i + j) : 0; });
    const float fogScale = 0.5f, fogOffset = 2.0f;
    buildFogMap<TypeParam>(band.data(), 17, fogScale, fogOffset, 0.0f, 1.0f, 1, 1, 1);
    bindMapState<TypeParam>(m.columns, m.nodeMap, 17, 2.0f, 0.5f, 0, 0, 0, 1.0f, 100.0f, 10.0f,
                            -50.0f, nullptr, nullptr, m.map().fogMap, fogScale, fogOffset, 0.0f, 1,
                            1, 1);
    // Every node subdivided: each vertex carries its true fog sample.
    setAllWeights(m.nodeMap, 17, 255);
    state<TypeParam>().params.cullDepth = 0;
    View v;
    runPass<TypeParam>(v, 2);   // collect without handing out
    const PrismList& list = prismList<TypeParam>();
    const FogMap fog = m.map().fogMap;
    const auto fogAt = [&](const FanVertex& p) { return float(fog[int(p.i)][int(p.j)]); };
    std::vector<Triangle> foggy;
    for (const Triangle& t : passLog().triangles())
        if (fogAt(t.a) > 0 || fogAt(t.b) > 0 || fogAt(t.c) > 0) foggy.push_back(t);
    ASSERT_GT(foggy.size(), 0u);
    ASSERT_LT(foggy.size(), passLog().triangles().size());
    ASSERT_EQ(list.count, static_cast<int>(foggy.size()));
    for (std::size_t k = 0; k < foggy.size(); ++k) {
        const FogPrism& p = list.prisms[k];
        const Triangle& t = foggy[k];
        const float corners[3][4] = {{p.ax, p.ay, p.aTop, p.az}, {p.bx, p.by, p.bTop, p.bz},
                                     {p.cx, p.cy, p.cTop, p.cz}};
        const FanVertex* vertices[3] = {&t.a, &t.b, &t.c};
        for (int c = 0; c < 3; ++c) {
            const FanVertex& q = *vertices[c];
            EXPECT_FLOAT_EQ(corners[c][0], 100.0f + (q.i - 8) * 2.0f);
            EXPECT_FLOAT_EQ(corners[c][3], -50.0f - (q.j - 8) * 2.0f);
            EXPECT_FLOAT_EQ(corners[c][1], 0.5f * q.y + 10.0f + fogOffset);
            EXPECT_FLOAT_EQ(corners[c][2], corners[c][1] + fogScale * fogAt(q));
        }
    }
    // Without a prism phase in between, a second fan phase appends the same again.
    runPass<TypeParam>(v, 2);
    EXPECT_EQ(list.count, static_cast<int>(2 * foggy.size()));
}

TYPED_TEST(FogEmission, ARepairedMidpointCarriesTheMeanFogOfItsEdge) {
    // Node (2, 2) is subdivided but its east neighbour (6, 2) is not, so their shared
    // midpoint (4, 2) is absent; the subdivided quadrant (3, 3) needs it as a corner.
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(9, [](int, int) { return 0.0; }), 9);
    const auto fogImage = fogFromMap(9, [](int i, int j) {
        return i == 4 && j == 4 ? 100 : i == 4 && j == 0 ? 50 : 0;
    });
    buildFogMap<TypeParam>(fogImage.data(), 9, 0.5f, 0.0f, 0.0f, 0.0f, 1, 1, 1);
    m.nodeMap[4][4] = 255;
    m.nodeMap[2][2] = 255;
    m.nodeMap[3][3] = 255;
    state<TypeParam>().params.cullDepth = 0;
    runPass<TypeParam>(View{}, 2);
    const PrismList& list = prismList<TypeParam>();
    int seen = 0;
    for (int k = 0; k < list.count; ++k) {
        const FogPrism& p = list.prisms[k];
        const float corners[3][4] = {{p.ax, p.ay, p.aTop, p.az}, {p.bx, p.by, p.bTop, p.bz},
                                     {p.cx, p.cy, p.cTop, p.cz}};
        for (const auto& c : corners)
            if (c[0] == 0.0f && c[3] == 2.0f) {   // grid (4, 2)
                EXPECT_EQ(c[2] - c[1], 0.5f * 75.0f);
                ++seen;
            }
    }
    EXPECT_GT(seen, 0);
}

TYPED_TEST(FogEmission, TheListGrowsKeepingItsRecords) {
    BuiltMap<TypeParam> m = roughMap<TypeParam>(129);
    const auto everywhere = fogFromMap(129, [](int i, int j) { return 1 + (i + j) % 200; });
    buildFogMap<TypeParam>(everywhere.data(), 129, 1.0f, 0.0f, 0.0f, 0.0f, 1, 1, 1);
    setAllWeights(m.nodeMap, 129, 255);
    state<TypeParam>().params.cullDepth = 0;
    runPass<TypeParam>(View{}, 2);
    const PrismList& list = prismList<TypeParam>();
    const int triangles = static_cast<int>(passLog().triangles().size());
    EXPECT_EQ(triangles, 2 * 128 * 128);
    ASSERT_EQ(list.count, triangles);   // 32768 records: grown three times
    EXPECT_EQ(list.capacity, 40000);
    const std::vector<Triangle> all = passLog().triangles();
    for (int k : {0, 9998, 9999, 10000, 19999, 32767}) {
        EXPECT_FLOAT_EQ(list.prisms[k].ax, (all[k].a.i - 64) * 2.0f) << k;
        EXPECT_FLOAT_EQ(list.prisms[k].cz, -(all[k].c.j - 64) * 2.0f) << k;
    }
}

TYPED_TEST(FogEmission, PrismEdgesGoOutCornerByCornerAndEmptyTheList) {
    BuiltMap<TypeParam> m = roughMap<TypeParam>(9);
    const auto band = fogFromMap(9, [](int i, int) { return i == 4 ? 100 : 0; });
    buildFogMap<TypeParam>(band.data(), 9, 1.0f, 0.0f, 0.0f, 0.0f, 1, 1, 1);
    View v;
    runPass<TypeParam>(v, 1);
    runPass<TypeParam>(v, 2);
    const PrismList& list = prismList<TypeParam>();
    const std::vector<FogPrism> prisms(list.prisms, list.prisms + list.count);
    ASSERT_FALSE(prisms.empty());
    runLandscapePass<TypeParam>(v.res, v.ex, v.ey, v.ez, v.ex, v.ey, v.ez, v.dx, v.dy, v.dz, v.ux,
                                v.uy, v.uz, v.fovy, v.aspect, v.nearDist, v.farDist, logFanBegin,
                                logFanVertex, nullptr, logPrismEdge, 3);
    ASSERT_EQ(edgeLog().size(), 3 * prisms.size());
    for (std::size_t k = 0; k < prisms.size(); ++k) {
        const FogPrism& p = prisms[k];
        EXPECT_EQ(edgeLog()[3 * k], (std::array<float, 4>{p.ax, p.ay, p.aTop, p.az}));
        EXPECT_EQ(edgeLog()[3 * k + 1], (std::array<float, 4>{p.bx, p.by, p.bTop, p.bz}));
        EXPECT_EQ(edgeLog()[3 * k + 2], (std::array<float, 4>{p.cx, p.cy, p.cTop, p.cz}));
    }
    EXPECT_EQ(list.count, 0);
    EXPECT_NE(list.prisms, nullptr);   // kept for the next frame
}

TYPED_TEST(FogEmission, FailingToAllocateOrGrowTheListIsFatal) {
    BuiltMap<TypeParam> m = roughMap<TypeParam>(129);
    const auto everywhere = fogFromMap(129, [](int, int) { return 5; });
    buildFogMap<TypeParam>(everywhere.data(), 129, 1.0f, 0.0f, 0.0f, 0.0f, 1, 1, 1);
    setAllWeights(m.nodeMap, 129, 255);
    state<TypeParam>().params.cullDepth = 0;
    EXPECT_EXIT(
        {
            testing::failAllocationAfter(0);
            runPass<TypeParam>(View{}, 2);
        },
        ::testing::ExitedWithCode(1), engineFatal(Expected<TypeParam>::prismListAlloc));
    EXPECT_EXIT(
        {
            testing::failAllocationAfter(1);
            runPass<TypeParam>(View{}, 2);
        },
        ::testing::ExitedWithCode(1), engineFatal(Expected<TypeParam>::prismListGrow));
}

}  // namespace
}  // namespace kalde::test
