// The built-in prism drawing: the hook sequence of both variants on hand-made prisms,
// and where the near plane cuts them.
#include <cstdio>
#include <string>

#include "landscape_test_support.h"
#include "terrain/fog_prisms.h"
#include "terrain/heap.h"
#include "terrain/render_hooks.h"

namespace kalde::test {
namespace {

std::vector<std::string>& hookLog() {
    static std::vector<std::string> log;
    return log;
}

std::string describe(const SectionPoint& p, bool withAttribute) {
    char text[96];
    if (withAttribute)
        std::snprintf(text, sizeof text, "(%g %g %g |%g| %g)", p.x, p.y, p.z, p.distance,
                      p.attribute);
    else
        std::snprintf(text, sizeof text, "(%g %g %g |%g|)", p.x, p.y, p.z, p.distance);
    return text;
}

RenderHooks recordingHooks() {
    RenderHooks h = emptyRenderHooks();
#define RECORD(name) h.name = [] { hookLog().push_back(#name); }
    RECORD(beginLandscape);
    RECORD(endLandscape);
    RECORD(beginPrimitives);
    RECORD(endPrimitives);
    RECORD(beginFog);
    RECORD(endFog);
    RECORD(beginPrism);
    RECORD(endPrism);
    RECORD(beginPrismClip);
    RECORD(endPrismClip);
    RECORD(beginSection);
    RECORD(endSection);
    RECORD(beginPrismBatch);
    RECORD(endPrismBatch);
#undef RECORD
    h.sectionQuad = [](const SectionPoint* p, bool withAttribute) {
        std::string call = "quad";
        for (int k = 0; k < 4; ++k) call += " " + describe(p[k], withAttribute);
        hookLog().push_back(call);
    };
    h.sectionTriangle = [](const SectionPoint* p) {
        std::string call = "triangle";
        for (int k = 0; k < 4; ++k) call += " " + describe(p[k], true);
        hookLog().push_back(call);
    };
    return h;
}

template <class Sample>
class PrismSection : public ::testing::Test {
protected:
    void SetUp() override {
        resetEngine<Sample>();
        hookLog().clear();
        renderHooks() = recordingHooks();
        // Looking down -z from the origin with the near plane at 1: a point's depth is
        // -z, and it lies on the eye's side of the tested plane below depth 1.0001.
        ViewState& view = viewState<Sample>();
        view.viewDir = {0.0f, 0.0f, -1.0f};
        view.eyePos = {0.0f, 0.0f, 0.0f};
        view.nearDist = 1.0f;
        state<Sample>().map.fogScale = 1.0f / 255.0f;   // a fog roof 1 high is full fog
    }
    void TearDown() override {
        renderHooks() = emptyRenderHooks();
        resetEngine<Sample>();
    }

    // A prism over corners at depths da, db, dc, with roofs ha, hb, hc above y = 0.
    static void addPrism(float da, float db, float dc, float ha = 1.0f, float hb = 0.5f,
                         float hc = 0.0f) {
        PrismList& list = prismList<Sample>();
        if (!list.prisms) {
            list.prisms = static_cast<FogPrism*>(allocateBlock(8, sizeof(FogPrism)));
            list.capacity = 8;
        }
        list.prisms[list.count++] = {1.0f, 0.0f, ha, 0.0f - da, 2.0f, 0.0f, hb, 0.0f - db,
                                         3.0f, 0.0f, hc, 0.0f - dc};
    }
};
TYPED_TEST_SUITE(PrismSection, SampleTypes);

using Calls = std::vector<std::string>;

TYPED_TEST(PrismSection, ByDepthSkipsPrismsOnTheEyesSideAndSectionsOnlyCutOnes) {
    this->addPrism(1.0f, 0.5f, 0.0f);   // deepest point exactly at the near distance
    this->addPrism(2.0f, 3.0f, 4.0f);   // wholly beyond
    this->addPrism(0.0f, 3.0f, 3.0f);   // cut: corner A before the plane
    drawPrismsByDepth<TypeParam>(viewState<TypeParam>());
    const Calls beyondOpen = {"beginPrism",  "beginPrimitives", "endPrimitives",
                              "beginPrismClip", "beginPrimitives", "endPrimitives"};
    const Calls beyondClose = {"endPrismClip", "endPrism", "beginPrimitives", "endPrimitives",
                               "endPrismBatch"};
    Calls expected = {"beginPrism"};
    expected.insert(expected.end(), beyondOpen.begin(), beyondOpen.end());
    expected.insert(expected.end(), beyondClose.begin(), beyondClose.end());
    expected.insert(expected.end(), beyondOpen.begin(), beyondOpen.end());
    // Tetrahedron (b0, b1, b2, t0) has b0 and t0 on the eye's side: code 9, a quad of
    // the near points, then the far ones. The other two (codes 4 and 2) are not drawn.
    expected.insert(expected.end(),
                    {"beginSection", "beginPrimitives",
                     "quad (1 0 0 |1.0001|) (1 1 0 |1.0001|) (2 0 -3 |1.9999|) (3 0 -3 |1.9999|)",
                     "endPrimitives", "endSection"});
    expected.insert(expected.end(), beyondClose.begin(), beyondClose.end());
    EXPECT_EQ(hookLog(), expected);
}

TYPED_TEST(PrismSection, BySlicingSectionsEveryPrismWithFogAttributes) {
    this->addPrism(0.0f, 3.0f, 3.0f);
    drawPrismsBySlicing<TypeParam>(viewState<TypeParam>());
    // Without a texture the fog fraction rides on the roof: A's is 1, B's 0.5, C's 0.
    EXPECT_EQ(hookLog(),
              (Calls{"beginPrismBatch", "beginPrimitives",
                     "quad (1 0 0 |1.0001| 0) (1 1 0 |1.0001| 1) (2 0 -3 |1.9999| 0) "
                     "(3 0 -3 |1.9999| 0)",
                     // (b1, b2, t0, t1): t0 alone on the eye's side, code 4
                     "triangle (1 1 0 |1.0001| 1) (2 0 -3 |1.9999| 0) (3 0 -3 |1.9999| 0) "
                     "(2 0.5 -3 |1.9999| 0.5)",
                     // (b2, t0, t1, t2): code 2 is not forwarded for the last tetrahedron
                     "endPrimitives", "endPrismBatch"}));
}

TYPED_TEST(PrismSection, WithATextureTheFogFractionRidesOnTheFloor) {
    state<TypeParam>().map.textureId = 5;
    this->addPrism(0.0f, 3.0f, 3.0f);
    drawPrismsBySlicing<TypeParam>(viewState<TypeParam>());
    ASSERT_GE(hookLog().size(), 3u);
    EXPECT_EQ(hookLog()[2],
              "quad (1 0 0 |1.0001| 1) (1 1 0 |1.0001| 0) (2 0 -3 |1.9999| 0.5) "
              "(3 0 -3 |1.9999| 0)");
}

TYPED_TEST(PrismSection, TetrahedronCodesPickTheirPointOrder) {
    // Corners B and C before the plane, A beyond: each tetrahedron has its own code.
    this->addPrism(3.0f, 0.0f, 0.0f);
    drawPrismsBySlicing<TypeParam>(viewState<TypeParam>());
    EXPECT_EQ(hookLog(),
              (Calls{"beginPrismBatch", "beginPrimitives",
                     // (b0, b1, b2, t0): b1 and b2 near, code 6: near ones first
                     "quad (2 0 0 |1.0001| 0) (3 0 0 |1.0001| 0) (1 0 -3 |1.9999| 0) "
                     "(1 1 -3 |1.9999| 1)",
                     // (b1, b2, t0, t1): three near, t0 alone beyond, code 11: not forwarded
                     // (b2, t0, t1, t2): b2, t1, t2 near, code 13: not forwarded
                     "endPrimitives", "endPrismBatch"}));
}

TYPED_TEST(PrismSection, APointOnThePlaneCountsAsBeyondIt) {
    // Corner B lies exactly on the tested plane; everything else beyond.
    this->addPrism(3.0f, 1.0001f, 3.0f);
    drawPrismsBySlicing<TypeParam>(viewState<TypeParam>());
    EXPECT_EQ(hookLog(), (Calls{"beginPrismBatch", "beginPrimitives", "endPrimitives",
                                "endPrismBatch"}));
}

TYPED_TEST(PrismSection, ThePrismPhaseChoosesTheVariantAndWorksInWorldCoordinates) {
    BuiltMap<TypeParam> m(gridFromMap<TypeParam>(3, [](int, int) { return 0.0; }), 3);
    const unsigned char noFog[4] = {};
    FogMap fog = buildFogMap<TypeParam>(noFog, 2, 1.0f, 0.0f, 0.0f, 0.0f, 1, 1, 1);
    for (float drawParam : {0.0f, 2.0f}) {
        bindMapState<TypeParam>(m.columns, m.nodeMap, 3, 1.0f, 1.0f, 0, 0, 0, 1.0f, 7.0f, 8.0f,
                                9.0f, nullptr, nullptr, fog, 1.0f, 0.0f, drawParam, 1, 1, 1);
        hookLog().clear();
        View v;
        runLandscapePass<TypeParam>(v.res, v.ex, v.ey, v.ez, v.ex, v.ey, v.ez, v.dx, v.dy, v.dz,
                                    v.ux, v.uy, v.uz, v.fovy, v.aspect, v.nearDist, v.farDist,
                                    nullptr, nullptr, nullptr, nullptr, 3);
        const Calls bySlicing = {"beginLandscape", "beginFog", "beginPrismBatch",
                                 "beginPrimitives", "endPrimitives", "endPrismBatch",
                                 "endFog", "endLandscape"};
        const Calls byDepth = {"beginLandscape", "beginFog", "endFog", "endLandscape"};
        EXPECT_EQ(hookLog(), drawParam > 0.0f ? byDepth : bySlicing);
        const Vec3& eye = viewState<TypeParam>().eyePos;
        EXPECT_EQ(eye.x, v.ex);   // the centre (7, 8, 9) is added back
        EXPECT_EQ(eye.y, v.ey);
        EXPECT_EQ(eye.z, v.ez);
    }
}

}  // namespace
}  // namespace kalde::test
