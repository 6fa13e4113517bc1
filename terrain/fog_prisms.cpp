// The prism phase: the fog prisms collected during fan emission go to the caller's
// PrismEdgeFn as vertical edges, or through the render hooks, where the near plane's
// cut through each prism is computed tetrahedron by tetrahedron.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "terrain/fog_fan_emission.h"
#include "terrain/fog_prisms.h"
#include "terrain/render_hooks.h"

namespace kalde {

namespace {

// The tested plane lies 0.01 % beyond the near plane.
constexpr float kNearPlaneMargin = 1.0001f;

// Which tetrahedron codes a routine hands to the section hooks: bit c stands for code c
// (bit k of a code set when point k lies on the eye's side of the plane).
constexpr unsigned codes(std::initializer_list<int> list) {
    unsigned mask = 0;
    for (int c : list) mask |= 1u << c;
    return mask;
}
constexpr unsigned kQuadCodesByDepth = codes({6, 9, 10, 12});
constexpr unsigned kQuadCodesBySlicing = codes({3, 5, 6, 9, 10, 12});
constexpr unsigned kTriangleCodesBySlicing = codes({1, 2, 4, 7, 8});

struct PrismPoint {
    float x, y, z, attribute;
};

float depth(const ViewState& view, const PrismPoint& p) {
    return dot(view.viewDir, Vec3{p.x - view.eyePos.x, p.y - view.eyePos.y, p.z - view.eyePos.z});
}

// Hands the part of a tetrahedron that the near plane cuts to the section hooks: a
// quad (two points on each side: the near ones first) or a triangle (the lone point
// first), each list in ascending point order.
void sectionTetrahedron(const ViewState& view, const PrismPoint (&p)[4], unsigned quadCodes,
                        unsigned triangleCodes, bool withAttribute) {
    const float plane = view.nearDist * kNearPlaneMargin;
    float d[4];
    unsigned code = 0;
    for (int k = 0; k < 4; ++k) {
        d[k] = depth(view, p[k]) - plane;
        if (d[k] < 0.0f) code |= 1u << k;   // a point on the plane counts as far
    }
    const auto section = [&](int k) {
        return SectionPoint{p[k].x, p[k].y, p[k].z, std::abs(d[k]),
                            withAttribute ? p[k].attribute : 0.0f};
    };
    SectionPoint points[4];
    int n = 0;
    if (quadCodes & (1u << code)) {
        for (bool nearSide : {true, false})
            for (int k = 0; k < 4; ++k)
                if (((code >> k) & 1u) == nearSide) points[n++] = section(k);
        renderHooks().sectionQuad(points, withAttribute);
    } else if (triangleCodes & (1u << code)) {
        // One near point (codes 1, 2, 4, 8) is alone; otherwise the one far point is.
        const bool oneNear = code == 1 || code == 2 || code == 4 || code == 8;
        const unsigned lone = oneNear ? code : (~code & 0xFu);
        for (int k = 0; k < 4; ++k)
            if ((lone >> k) & 1u) points[n++] = section(k);
        for (int k = 0; k < 4; ++k)
            if (!((lone >> k) & 1u)) points[n++] = section(k);
        renderHooks().sectionTriangle(points);
    }
}

// The six points of a prism: bottoms b0..b2 (corners A, B, C on the prism floor),
// then tops t0..t2, with the fog attributes of variant B.
template <class Sample>
void prismPoints(const MapState<Sample>& map, const FogPrism& prism, bool attributes,
                 PrismPoint (&out)[6]) {
    const float full = map.fogScale * kMaxFogValue;
    const float fa = attributes ? (prism.aTop - prism.ay) / full : 0.0f;
    const float fb = attributes ? (prism.bTop - prism.by) / full : 0.0f;
    const float fc = attributes ? (prism.cTop - prism.cy) / full : 0.0f;
    // With a texture the fraction rides on the floor, without one on the roof.
    const bool onFloor = map.textureId != 0;
    out[0] = {prism.ax, prism.ay, prism.az, onFloor ? fa : 0.0f};
    out[1] = {prism.bx, prism.by, prism.bz, onFloor ? fb : 0.0f};
    out[2] = {prism.cx, prism.cy, prism.cz, onFloor ? fc : 0.0f};
    out[3] = {prism.ax, prism.aTop, prism.az, onFloor ? 0.0f : fa};
    out[4] = {prism.bx, prism.bTop, prism.bz, onFloor ? 0.0f : fb};
    out[5] = {prism.cx, prism.cTop, prism.cz, onFloor ? 0.0f : fc};
}

// The prism as three tetrahedra: (b0, b1, b2, t0), (b1, b2, t0, t1), (b2, t0, t1, t2).
void tetrahedra(const PrismPoint (&p)[6], PrismPoint (&out)[3][4]) {
    const int corners[3][4] = {{0, 1, 2, 3}, {1, 2, 3, 4}, {2, 3, 4, 5}};
    for (int t = 0; t < 3; ++t)
        for (int k = 0; k < 4; ++k) out[t][k] = p[corners[t][k]];
}

}  // namespace

template <class Sample>
void drawFogPrisms(ViewState& view, PrismEdgeFn prismEdge) {
    PrismList& list = prismList<Sample>();
    if (prismEdge) {
        for (int k = 0; k < list.count; ++k) {
            const FogPrism& p = list.prisms[k];
            prismEdge(p.ax, p.ay, p.aTop, p.az);
            prismEdge(p.bx, p.by, p.bTop, p.bz);
            prismEdge(p.cx, p.cy, p.cTop, p.cz);
        }
        list.count = 0;
        return;
    }
    // The built-in drawing works in world coordinates from here to the end of the pass.
    const MapState<Sample>& map = state<Sample>().map;
    view.eyePos = {view.eyePos.x + map.centerX, view.eyePos.y + map.centerY,
                   view.eyePos.z + map.centerZ};
    const RenderHooks& hooks = renderHooks();
    hooks.beginLandscape();
    hooks.beginFog();
    if (map.prismDrawParam > 0.0f)
        drawPrismsByDepth<Sample>(view);
    else
        drawPrismsBySlicing<Sample>(view);
    list.count = 0;
    hooks.endFog();
    hooks.endLandscape();
}

template <class Sample>
void drawPrismsByDepth(const ViewState& view) {
    const PrismList& list = prismList<Sample>();
    const RenderHooks& hooks = renderHooks();
    for (int k = 0; k < list.count; ++k) {
        hooks.beginPrism();
        PrismPoint points[6];
        prismPoints(state<Sample>().map, list.prisms[k], false, points);
        float nearest = depth(view, points[0]), farthest = nearest;
        for (int p = 1; p < 6; ++p) {
            const float d = depth(view, points[p]);
            nearest = std::min(nearest, d);
            farthest = std::max(farthest, d);
        }
        if (!(farthest > view.nearDist)) continue;   // wholly on the eye's side
        hooks.beginPrimitives();
        hooks.endPrimitives();
        hooks.beginPrismClip();
        hooks.beginPrimitives();
        hooks.endPrimitives();
        if (nearest < view.nearDist) {   // the near plane cuts the prism
            hooks.beginSection();
            hooks.beginPrimitives();
            PrismPoint tetra[3][4];
            tetrahedra(points, tetra);
            for (const auto& t : tetra) sectionTetrahedron(view, t, kQuadCodesByDepth, 0, false);
            hooks.endPrimitives();
            hooks.endSection();
        }
        hooks.endPrismClip();
        hooks.endPrism();
        hooks.beginPrimitives();
        hooks.endPrimitives();
        hooks.endPrismBatch();
    }
}

template <class Sample>
void drawPrismsBySlicing(const ViewState& view) {
    const PrismList& list = prismList<Sample>();
    const RenderHooks& hooks = renderHooks();
    hooks.beginPrismBatch();
    hooks.beginPrimitives();
    for (int k = 0; k < list.count; ++k) {
        PrismPoint points[6];
        prismPoints(state<Sample>().map, list.prisms[k], true, points);
        PrismPoint tetra[3][4];
        tetrahedra(points, tetra);
        sectionTetrahedron(view, tetra[0], kQuadCodesBySlicing, kTriangleCodesBySlicing, true);
        sectionTetrahedron(view, tetra[1], kQuadCodesBySlicing, kTriangleCodesBySlicing, true);
        sectionTetrahedron(view, tetra[2], kQuadCodesBySlicing, 0, true);
    }
    hooks.endPrimitives();
    hooks.endPrismBatch();
}

#define KALDE_INSTANTIATE(Sample)                                       \
    template void drawFogPrisms<Sample>(ViewState&, PrismEdgeFn);       \
    template void drawPrismsByDepth<Sample>(const ViewState&);          \
    template void drawPrismsBySlicing<Sample>(const ViewState&);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
