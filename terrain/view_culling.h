// The view test shared by refinement and fan emission: is a node's bounding box, seen
// from the eye, outside the near and far distances or the sides of the view?
#pragma once

#include <cmath>

#include "terrain/engine_state.h"

namespace kalde {

// Only nodes larger than this size are tested against the view (S >> cullDepth).
inline int cullThreshold(int size, int cullDepth) {
    constexpr int kIntBits = 31;
    return cullDepth >= kIntBits ? 0 : size >> cullDepth;   // a wider shift is undefined
}

inline float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

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
