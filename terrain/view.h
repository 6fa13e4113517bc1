// The view of the current pass and its culling test: derived once per pass from the
// camera, read by refinement, emission and the prism phase. Internal to the library.
#pragma once

#include "terrain/four_lanes.h"
#include "terrain/map_state.h"

namespace kalde {

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

inline float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Per-pass view quantities; positions are relative to the map centre. Fields of the
// other projection keep the values of an earlier pass.
struct ViewState {
    Vec3 viewDir;
    float nearDist = 0.0f;
    float farDist = 0.0f;
    float resFactor = 0.0f;
    Vec3 eyePos;                 // world coordinates after the built-in prism phase
    Vec3 lodPos;
    unsigned char orthographic = 0;
    // A node box's half-thickness along a direction, per unit of half-size (XZ) and
    // per unit of sample height (Y).
    float dirExtentXZ = 0.0f;
    float dirExtentY = 0.0f;
    // perspective
    Vec3 planeNormal[4];         // outward: +right, -right, +up, -up sides
    float planeExtentXZ[4] = {};
    float planeExtentY[4] = {};
    float lodHeight2 = 0.0f;     // squared height of the viewpoint above the ground
    // orthographic
    Vec3 orthoRight;
    Vec3 orthoUp;
    float orthoRightExtentXZ = 0.0f;
    float orthoRightExtentY = 0.0f;
    float orthoUpExtentXZ = 0.0f;
    float orthoUpExtentY = 0.0f;
    float orthoHalfWidth = 0.0f;
    float orthoHalfHeight = 0.0f;
};

// The view of a sample type's last pass.
template <class Sample>
ViewState& viewState() {
    static ViewState view;
    return view;
}

// Derives the view from the pass's arguments (positions in world coordinates) for the
// current map. Fatal for a zero direction and for degenerate views.
template <class Sample>
void setUpView(ViewState& view, float res, const Vec3& eye, const Vec3& lod, const Vec3& dir,
               const Vec3& up, float fovy, float aspect, float nearDist, float farDist);

// Node sizes are powers of two below 2^kMaxLevels; level k holds the nodes of size 2^k.
constexpr int kMaxLevels = 32;

// The view test of the nodes of one size, worked out once per pass. A node's box is
// centred on its centre sample with half-sizes h * cellX, maxDiff[s] * heightScale and
// h * cellZ, enlarged by a margin; it lies outside the view when its centre c, seen from
// the eye, has viewDir . c below nearLimit or above farLimit, or when c lies beyond a
// bound: planeNormal[p] . c > bound[p] in perspective, |orthoRight . c| > bound[0] or
// |orthoUp . c| > bound[1] in an orthographic view.
struct CullLevel {
    bool tested = false;   // only nodes larger than S >> cullDepth are tested
    float nearLimit = 0.0f;
    float farLimit = 0.0f;
    float bound[4] = {};
};

// The test of every node size of the current map, its boxes enlarged by margin.
template <class Sample>
void setUpCulling(const ViewState& view, float margin, CullLevel (&levels)[kMaxLevels]);

// Whether nodes of one level whose centres lie (cx, cy, cz) from the eye are outside the
// view: one node as floats, or four at once as Floats4.
template <class V>
auto outsideView(const ViewState& view, const CullLevel& level, V cx, V cy, V cz) {
    const auto along = [&](const Vec3& n) { return n.x * cx + n.y * cy + n.z * cz; };
    const V dist = along(view.viewDir);
    auto outside = (dist < level.nearLimit) | (dist > level.farLimit);
    if (view.orthographic)
        return outside | (magnitude(along(view.orthoRight)) > level.bound[0]) |
               (magnitude(along(view.orthoUp)) > level.bound[1]);
    for (int p = 0; p < 4; ++p) outside = outside | (along(view.planeNormal[p]) > level.bound[p]);
    return outside;
}

}  // namespace kalde
