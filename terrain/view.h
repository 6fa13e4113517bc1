// The view of the current pass and its culling test: derived once per pass from the
// camera, read by refinement, emission and the prism phase. Internal to the library.
#pragma once

#include <cmath>

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

// Only nodes larger than this size are tested against the view (S >> cullDepth).
inline int cullThreshold(int size, int cullDepth) {
    constexpr int kIntBits = 31;
    return cullDepth >= kIntBits ? 0 : size >> cullDepth;   // a wider shift is undefined
}

// c: node centre minus the eye; e: the node's half-size in cells; m: its height bound
// in sample units. The box is centred on the centre sample with half-sizes e * cellX,
// m * heightScale and e * cellZ, enlarged by margin.
inline bool nodeOutsideView(const ViewState& view, const Vec3& c, float e, float m,
                            float margin) {
    const float rad = (e * view.dirExtentXZ + m * view.dirExtentY) * margin;
    const float dist = dot(view.viewDir, c);
    if (dist < view.nearDist - rad) return true;
    if (dist > view.farDist + rad) return true;
    if (!view.orthographic) {
        for (int k = 0; k < 4; ++k)
            if (dot(view.planeNormal[k], c) >
                (e * view.planeExtentXZ[k] + m * view.planeExtentY[k]) * margin)
                return true;
        return false;
    }
    if (std::abs(dot(view.orthoRight, c)) >
        (e * view.orthoRightExtentXZ + m * view.orthoRightExtentY) * margin + view.orthoHalfWidth)
        return true;
    return std::abs(dot(view.orthoUp, c)) >
           (e * view.orthoUpExtentXZ + m * view.orthoUpExtentY) * margin + view.orthoHalfHeight;
}

}  // namespace kalde
