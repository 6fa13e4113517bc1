// The landscape pass: view checks, the per-frame view set-up and the phase selector.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "landscape_test_support.h"
#include "terrain/render_hooks.h"

namespace kalde::test {
namespace {

template <class Sample>
class LandscapePass : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }
};
TYPED_TEST_SUITE(LandscapePass, SampleTypes);

template <class Sample>
BuiltMap<Sample> flatMap(int n, double value = 0.0) {
    return BuiltMap<Sample>(gridFromMap<Sample>(n, [value](int, int) { return value; }), n);
}

TYPED_TEST(LandscapePass, RefusesBadViews) {
    using L = Expected<TypeParam>;
    const auto fails = [](const View& v, int line) {
        EXPECT_EXIT(runPass<TypeParam>(v), ::testing::ExitedWithCode(1), engineFatal(line));
    };
    fails(View{}, L::passNoMap);
    BuiltMap<TypeParam> m = flatMap<TypeParam>(5);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float fovy : {0.0f, 180.0f, nan}) {
        View v;
        v.fovy = fovy;
        fails(v, L::passView);
    }
    View v;
    v.aspect = 0.0f;
    fails(v, L::passView);
    v = View{};
    v.nearDist = -0.5f;
    fails(v, L::passView);
    v = View{};
    v.farDist = v.nearDist;
    fails(v, L::passView);
    v = View{};
    v.dx = v.dy = v.dz = 0.0f;
    fails(v, L::passViewDirection);
    // An up vector along the view direction leaves no "right".
    v = View{};
    v.ux = v.dx, v.uy = v.dy, v.uz = v.dz;
    fails(v, L::perspectiveRight);
    v.fovy = -50.0f;
    fails(v, L::orthoRight);
    // An up vector just off the view direction: "right" is the smallest number that
    // squares to a non-zero length, and "up", half as long in each component, is not.
    v = View{};
    v.dx = 0.0f, v.dy = 1.0f, v.dz = -1.0f;
    v.ux = 0.0f, v.uy = 3.7433927e-23f, v.uz = 0.0f;
    fails(v, L::perspectiveUp);
    v.fovy = -50.0f;
    fails(v, L::orthoUp);
    // A field of view so narrow that the pyramid's corner directions all round to the
    // view direction.
    v = View{};
    v.fovy = 1e-20f;
    fails(v, L::perspectivePlane[0]);
    // Views where one pair of corner directions rounds to the same vector: a side of
    // the pyramid (or its height) vanishes against the view direction in single
    // precision. Found by searching views of extreme aspect.
    const struct {
        float dx, dy, dz, ux, uy, uz, fovy, aspect;
    } sliver[3] = {
        {-0x1.8228fp-4f, 0x1.84774p-1f, -0x1.5bc018p-1f, 0x1.282304p-1f, 0x1.dcd31p-2f,
         -0x1.b0d678p-2f, 0x1.d2021ap-23f, 0x1.2e7cc6p+32f},
        {0x1.b5c4dp-1f, -0x1.1c233p-2f, -0x1.37c688p-2f, 0x1.22d9ep-3f, 0x1.00d4e4p-1f,
         0x1.1a4ap-2f, 0x1.66p+7f, 0x1.27984ap-30f},
        {-0x1.0087f4p-2f, 0x1.d4788p-5f, 0x1.7edf6cp-1f, 0x1.f5d438p-2f, -0x1.41d53p-4f,
         -0x1.2e3268p-2f, 0x1.66p+7f, 0x1.0b3a9ep-28f},
    };
    for (int p = 1; p < 4; ++p) {
        const auto& c = sliver[p - 1];
        v = View{};
        v.dx = c.dx, v.dy = c.dy, v.dz = c.dz, v.ux = c.ux, v.uy = c.uy, v.uz = c.uz;
        v.fovy = c.fovy, v.aspect = c.aspect;
        fails(v, L::perspectivePlane[p]);
    }
}

TYPED_TEST(LandscapePass, AcceptsTheEdgesOfTheViewRanges) {
    BuiltMap<TypeParam> m = flatMap<TypeParam>(5);
    View v;
    v.nearDist = 0.0f;
    v.fovy = 179.9f;
    runPass<TypeParam>(v);
    v.fovy = -200.0f;   // orthographic, 200 units high
    v.aspect = 1.5f;
    runPass<TypeParam>(v);
    const ViewState& view = viewState<TypeParam>();
    EXPECT_EQ(view.orthographic, 1);
    EXPECT_EQ(view.orthoHalfHeight, 100.0f);
    EXPECT_EQ(view.orthoHalfWidth, 150.0f);
}

TYPED_TEST(LandscapePass, APhaseOutOfRangeChangesNothing) {
    BuiltMap<TypeParam> m = flatMap<TypeParam>(9);
    runPass<TypeParam>(View{});
    const ViewState before = viewState<TypeParam>();
    std::vector<unsigned char> weights;
    for (int a = 0; a < 8; ++a) weights.insert(weights.end(), m.nodeMap[a], m.nodeMap[a] + 8);
    View far;
    far.ex = 1e5f;
    for (int phase : {4, -1}) {
        runPass<TypeParam>(far, phase);
        EXPECT_TRUE(passLog().events.empty());
    }
    EXPECT_EQ(std::memcmp(&before, &viewState<TypeParam>(), sizeof(ViewState)), 0);
    for (int a = 0; a < 8; ++a)
        EXPECT_TRUE(std::equal(m.nodeMap[a], m.nodeMap[a] + 8, weights.begin() + 8 * a));
}

TYPED_TEST(LandscapePass, SetsUpThePerspectiveView) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(5, [](int, int) { return 10.0; }), 5, 2.0f, 0.5f);
    View v;
    v.res = 0.5f;   // acts as 1
    v.ex = 3.0f, v.ey = 20.0f, v.ez = -1.0f;
    v.dx = 0.0f, v.dy = 0.0f, v.dz = -4.0f;
    runPass<TypeParam>(v);
    const ViewState& view = viewState<TypeParam>();
    EXPECT_EQ(view.resFactor, 1.0f);
    EXPECT_EQ(view.viewDir.z, -1.0f);
    EXPECT_EQ(view.orthographic, 0);
    EXPECT_EQ(view.lodHeight2, 15.0f * 15.0f);   // 20 above ground at 10 * 0.5
    EXPECT_EQ(view.dirExtentXZ, 2.0f);
    // A 90-degree pyramid looking down -z: the side planes lean out at 45 degrees.
    const float r = 1.0f / std::sqrt(2.0f);
    // "Right" is up x view direction, -x here.
    EXPECT_FLOAT_EQ(view.planeNormal[0].x, -r);
    EXPECT_FLOAT_EQ(view.planeNormal[0].z, r);
    EXPECT_FLOAT_EQ(view.planeNormal[1].x, r);
    EXPECT_FLOAT_EQ(std::abs(view.planeNormal[2].y), r);
    EXPECT_FLOAT_EQ(view.planeNormal[2].y, -view.planeNormal[3].y);
    for (int k = 0; k < 4; ++k) {
        // The eye's view direction lies inside every plane.
        const Vec3& n = view.planeNormal[k];
        EXPECT_LT(n.x * view.viewDir.x + n.y * view.viewDir.y + n.z * view.viewDir.z, 0.0f);
    }
}

struct HookLog {
    static inline std::vector<std::string> calls;
    static void add(const std::string& call) { calls.push_back(call); }
    static std::string number(float x) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", x);
        return text;
    }
};

RenderHooks recordingHooks() {
    RenderHooks hooks = emptyRenderHooks();
    hooks.beginLandscape = [] { HookLog::add("beginLandscape"); };
    hooks.endLandscape = [] { HookLog::add("endLandscape"); };
    hooks.bindTexture = [](int id, int w, int h, int s) {
        HookLog::add("bindTexture " + std::to_string(id) + " " + std::to_string(w) + " " +
                     std::to_string(h) + " " + std::to_string(s));
    };
    hooks.pushTransform = [] { HookLog::add("pushTransform"); };
    hooks.popTransform = [] { HookLog::add("popTransform"); };
    hooks.translateTransform = [](float x, float y, float z) {
        HookLog::add("translate " + HookLog::number(x) + " " + HookLog::number(y) + " " +
                     HookLog::number(z));
    };
    hooks.scaleTransform = [](float x, float y, float z) {
        HookLog::add("scale " + HookLog::number(x) + " " + HookLog::number(y) + " " +
                     HookLog::number(z));
    };
    hooks.beginPrimitives = [] { HookLog::add("beginPrimitives"); };
    hooks.endPrimitives = [] { HookLog::add("endPrimitives"); };
    return hooks;
}

TYPED_TEST(LandscapePass, WithoutAVertexCallbackTheBuiltInRendererRuns) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(9, [](int i, int) { return i; }), 9, 1.5f, 0.25f,
                          2.0f);
    auto& map = m.map();
    bindMapState<TypeParam>(m.columns, m.nodeMap, 9, 1.5f, 0.25f, 0, 0, 0, 2.0f, 10.0f, 20.0f,
                            30.0f, nullptr, nullptr, nullptr, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f);
    HookLog::calls.clear();
    renderHooks() = recordingHooks();
    passLog().clear();
    View v;
    runLandscapePass<TypeParam>(v.res, v.ex, v.ey, v.ez, v.ex, v.ey, v.ez, v.dx, v.dy, v.dz, v.ux,
                                v.uy, v.uz, v.fovy, v.aspect, v.nearDist, v.farDist, logFanBegin,
                                nullptr, logNotify, nullptr, 0);
    renderHooks() = emptyRenderHooks();
    EXPECT_TRUE(passLog().events.empty());   // neither fan begin nor notify
    EXPECT_EQ(HookLog::calls,
              (std::vector<std::string>{"beginLandscape", "bindTexture 0 0 0 9", "pushTransform",
                                        "translate 10 20 30", "scale 1.5 0.25 -3",
                                        "translate -4 0 -4", "beginPrimitives", "endPrimitives",
                                        "popTransform", "bindTexture 0 0 0 0", "endLandscape"}));
    // The built-in path refines like the callback path.
    EXPECT_NE(map.nodeMap[4][4], 0);
}

TYPED_TEST(LandscapePass, PhasesRunSeparately) {
    BuiltMap<TypeParam> m = flatMap<TypeParam>(9);
    View near;
    near.ey = 5.0f;
    runPass<TypeParam>(near, 2);   // tessellation only: the weights are still 0
    EXPECT_EQ(passLog().fans.size(), 1u);
    runPass<TypeParam>(near, 1);   // refinement only: nothing emitted
    EXPECT_TRUE(passLog().events.empty());
    EXPECT_NE(m.nodeMap[4][4], 0);
    View far;
    far.ey = 1e5f;
    runPass<TypeParam>(far, 2);   // emits what the earlier refinement left
    EXPECT_GT(passLog().fans.size(), 1u);
    runPass<TypeParam>(far, 3);   // no fog map: nothing
    EXPECT_TRUE(passLog().events.empty());
}

}  // namespace
}  // namespace kalde::test
