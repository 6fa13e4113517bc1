// The per-frame landscape pass: checks the view, derives everything that is constant
// for the frame (so the per-node tests stay a few multiply-adds), then runs the
// refinement, tessellation and fog prism phases.
#include <algorithm>
#include <cmath>

#include "terrain/engine_internal.h"
#include "terrain/fatal.h"
#include "terrain/kalde.h"
#include "terrain/render_hooks.h"

namespace kalde {

namespace {

constexpr float kMaxFovy = 180.0f;
// The single-precision value of pi/360: half a degree in radians.
constexpr float kHalfDegree = 0.008726647f;

enum Phase { kAllPhases = 0, kRefinement = 1, kTessellation = 2, kFogPrisms = 3 };

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
Vec3 scaled(const Vec3& v, float divisor) { return {v.x / divisor, v.y / divisor, v.z / divisor}; }
Vec3 combine(const Vec3& a, const Vec3& b, const Vec3& c, float sb, float sc) {
    return {a.x + sb * b.x + sc * c.x, a.y + sb * b.y + sc * c.y, a.z + sb * b.z + sc * c.z};
}

// Half-thickness along unit vector n of a node's box per unit of half-size (XZ) and
// per unit of sample height (Y).
template <class Sample>
void extentsAlong(const MapState<Sample>& map, const Vec3& n, float* xz, float* y) {
    *xz = map.cellX * std::abs(n.x) + map.cellZ * std::abs(n.z);
    *y = map.heightScale * std::abs(n.y);
}

template <class Sample>
void setUpPerspective(EngineState<Sample>& st, const Vec3& right, const Vec3& up, float fovy,
                      float aspect, float lodWorldY) {
    const FatalLines& lines = fatalLines<Sample>();
    ViewState& view = st.view;
    view.orthographic = 0;
    const float t = std::tan(fovy * kHalfDegree);
    // The pyramid's side vectors at unit distance: right scaled to t * aspect, up to t.
    const float k = length(right) / t / aspect;
    if (k == 0.0f) fatalError(kEngineModule, lines.perspectiveRight);
    const Vec3 r = scaled(right, k);
    const float kUp = length(up) / t;
    if (kUp == 0.0f) fatalError(kEngineModule, lines.perspectiveUp);
    const Vec3 v = scaled(up, kUp);
    const Vec3& d = view.viewDir;
    const Vec3 c1 = combine(d, r, v, 1.0f, 1.0f);
    const Vec3 c2 = combine(d, r, v, 1.0f, -1.0f);
    const Vec3 c3 = combine(d, r, v, -1.0f, 1.0f);
    const Vec3 c4 = combine(d, r, v, -1.0f, -1.0f);
    // Outward normals of the +R, -R, +V and -V sides.
    const Vec3 normals[4] = {cross(c2, c1), cross(c3, c4), cross(c1, c3), cross(c4, c2)};
    for (int p = 0; p < 4; ++p) {
        const float n = length(normals[p]);
        if (n == 0.0f) fatalError(kEngineModule, lines.perspectivePlane[p]);
        view.planeNormal[p] = scaled(normals[p], n);
        extentsAlong(st.map, view.planeNormal[p], &view.planeExtentXZ[p], &view.planeExtentY[p]);
    }
    const float above = lodWorldY - heightAtClamped<Sample>(view.lodPos.x, view.lodPos.z);
    view.lodHeight2 = above * above;
}

template <class Sample>
void setUpOrthographic(EngineState<Sample>& st, const Vec3& right, const Vec3& up, float fovy,
                       float aspect) {
    const FatalLines& lines = fatalLines<Sample>();
    ViewState& view = st.view;
    view.orthographic = 1;
    const float rightLength = length(right);
    if (rightLength == 0.0f) fatalError(kEngineModule, lines.orthoRight);
    view.orthoRight = scaled(right, rightLength);
    const float upLength = length(up);
    if (upLength == 0.0f) fatalError(kEngineModule, lines.orthoUp);
    view.orthoUp = scaled(up, upLength);
    extentsAlong(st.map, view.orthoRight, &view.orthoRightExtentXZ, &view.orthoRightExtentY);
    extentsAlong(st.map, view.orthoUp, &view.orthoUpExtentXZ, &view.orthoUpExtentY);
    view.orthoHalfWidth = aspect * std::abs(fovy) * 0.5f;
    view.orthoHalfHeight = std::abs(fovy) * 0.5f;
}

// Emits the refined map through the callbacks, or walks it for the built-in renderer
// between the hooks that place it in the world.
template <class Sample>
void tessellate(EngineState<Sample>& st, FanBeginFn fanBegin, FanVertexFn fanVertex,
                NotifyFn notify) {
    const MapState<Sample>& map = st.map;
    const int S = map.size;
    const int half = S / 2;
    Sample* const* columns = map.columns;
    // Corners NE, NW, SW, SE.
    const float e1 = static_cast<float>(columns[S - 1][S - 1]);
    const float e2 = static_cast<float>(columns[0][S - 1]);
    const float e3 = static_cast<float>(columns[0][0]);
    const float e4 = static_cast<float>(columns[S - 1][0]);
    const FogMap fog = map.fogMap;
    const auto fogAt = [fog](int i, int j) { return static_cast<float>(fog[i][j]); };
    const auto walk = [&](auto plain, auto foggy) {
        if (fog)
            foggy(half, half, S - 1, e1, e2, e3, e4, fogAt(S - 1, S - 1), fogAt(0, S - 1),
                  fogAt(0, 0), fogAt(S - 1, 0));
        else
            plain(half, half, S - 1, e1, e2, e3, e4);
    };
    if (fanBegin && fanVertex) {
        st.view.storedFanVertex = fanVertex;
        st.view.storedNotify = notify;
        st.view.storedFanBegin = fanBegin;
        walk(emitFans<Sample>, emitFogFans<Sample>);
        return;
    }
    // The built-in renderer: grid (i, y, j) to world through the transform hooks.
    const RenderHooks& hooks = renderHooks();
    hooks.beginLandscape();
    hooks.bindTexture(map.textureId, map.textureWidth, map.textureHeight, S);
    hooks.pushTransform();
    hooks.translateTransform(map.centerX, map.centerY, map.centerZ);
    hooks.scaleTransform(map.cellX, map.heightScale, -map.cellZ);
    hooks.translateTransform(-static_cast<float>(half), 0.0f, -static_cast<float>(half));
    hooks.beginPrimitives();
    walk(renderFans<Sample>, renderFogFans<Sample>);
    hooks.endPrimitives();
    hooks.popTransform();
    hooks.bindTexture(0, 0, 0, 0);
    hooks.endLandscape();
}

// Hands the collected fog prisms on and empties the list (keeping its memory).
template <class Sample>
void drawFogPrisms(EngineState<Sample>& st, PrismEdgeFn prismEdge) {
    if (prismEdge) {
        st.view.storedPrismEdge = prismEdge;
        emitPrismEdges<Sample>();
        st.prismCount = 0;
        return;
    }
    // The built-in drawing works in world coordinates from here to the end of the pass.
    const MapState<Sample>& map = st.map;
    st.view.eyePos = {st.view.eyePos.x + map.centerX, st.view.eyePos.y + map.centerY,
                      st.view.eyePos.z + map.centerZ};
    const RenderHooks& hooks = renderHooks();
    hooks.beginLandscape();
    hooks.beginFog();
    if (map.prismDrawParam > 0.0f)
        drawPrismsByDepth<Sample>();
    else
        drawPrismsBySlicing<Sample>();
    st.prismCount = 0;
    hooks.endFog();
    hooks.endLandscape();
}

}  // namespace

template <class Sample>
void runLandscapePass(float res, float ex, float ey, float ez, float lx, float ly, float lz,
                      float dx, float dy, float dz, float ux, float uy, float uz, float fovy,
                      float aspect, float nearDist, float farDist, FanBeginFn fanBegin,
                      FanVertexFn fanVertex, NotifyFn notify, PrismEdgeFn prismEdge, int phase) {
    auto& st = state<Sample>();
    const MapState<Sample>& map = st.map;
    const FatalLines& lines = fatalLines<Sample>();
    if (map.size == 0) fatalError(kEngineModule, lines.passNoMap);
    if (!(fovy != 0.0f && fovy < kMaxFovy && aspect > 0.0f && nearDist >= 0.0f &&
          farDist > nearDist))
        fatalError(kEngineModule, lines.passView);
    if (phase < kAllPhases || phase > kFogPrisms) return;
    const float directionLength = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (directionLength == 0.0f) fatalError(kEngineModule, lines.passViewDirection);

    ViewState& view = st.view;
    view.viewDir = {dx / directionLength, dy / directionLength, dz / directionLength};
    view.farDist = farDist;
    view.nearDist = nearDist;
    view.resFactor = std::sqrt(std::max(res, 1.0f));
    view.eyePos = {ex - map.centerX, ey - map.centerY, ez - map.centerZ};
    view.lodPos = {lx - map.centerX, ly - map.centerY, lz - map.centerZ};
    extentsAlong(map, view.viewDir, &view.dirExtentXZ, &view.dirExtentY);

    // Right and (downward) up vectors of the view.
    const Vec3 up{ux, uy, uz};
    const Vec3 right = cross(up, view.viewDir);
    const Vec3 down = cross(right, view.viewDir);
    if (fovy > 0.0f)
        setUpPerspective(st, right, down, fovy, aspect, ly);
    else
        setUpOrthographic(st, right, down, fovy, aspect);

    const int S = map.size;
    if (phase == kAllPhases || phase == kRefinement) refineNode<Sample>(S / 2, S / 2, S - 1);
    if (phase == kAllPhases || phase == kTessellation) tessellate(st, fanBegin, fanVertex, notify);
    if ((phase == kAllPhases || phase == kFogPrisms) && map.fogMap) drawFogPrisms(st, prismEdge);
}

#define KALDE_INSTANTIATE(Sample)                                                              \
    template void runLandscapePass<Sample>(float, float, float, float, float, float, float,    \
                                           float, float, float, float, float, float, float,    \
                                           float, float, float, FanBeginFn, FanVertexFn,       \
                                           NotifyFn, PrismEdgeFn, int);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
