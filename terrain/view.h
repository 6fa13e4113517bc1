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

// The view test of a pass for the nodes of every size of the current map, four nodes of
// one size at a time. A node's box is centred on its centre sample with half-sizes
// h * cellX, maxDiff[s] * heightScale and h * cellZ, enlarged by a margin; it lies
// outside the view when its centre c, seen from the eye, has viewDir . c below
// nearDist - rad or above farDist + rad, or when c lies beyond a side:
// planeNormal[p] . c above the plane's bound in perspective, |orthoRight . c| or
// |orthoUp . c| above the slab's bound (half width or height included) in an
// orthographic view.
class Culling {
public:
    // Works out the bounds of every node size; only sizes above S >> cullDepth are tested.
    template <class Sample> void setUp(const ViewState& view, float margin);

    bool tested(int k) const { return levels_[k].tested; }

    // Whether four nodes of size 2^k whose centres lie (cx, cy, cz) from the eye are
    // outside the view.
    Ints4 outside(int k, Floats4 cx, Floats4 cy, Floats4 cz) const {
        const Level& level = levels_[k];
        const auto along = [&](const Floats4(&n)[3]) { return n[0] * cx + n[1] * cy + n[2] * cz; };
        const Floats4 dist = along(axes_[0]);
        const Ints4 outside = (dist < level.nearLimit) | (dist > level.farLimit);
        if (orthographic_)
            return outside | (magnitude(along(axes_[1])) > level.bound[0]) |
                   (magnitude(along(axes_[2])) > level.bound[1]);
        return outside | (along(axes_[1]) > level.bound[0]) | (along(axes_[2]) > level.bound[1]) |
               (along(axes_[3]) > level.bound[2]) | (along(axes_[4]) > level.bound[3]);
    }

private:
    struct Level {
        bool tested = false;
        Floats4 nearLimit{}, farLimit{};
        Floats4 bound[4] = {};
    };
    Level levels_[kMaxLevels];
    bool orthographic_ = false;
    // viewDir, then the four plane normals or orthoRight and orthoUp, by component.
    Floats4 axes_[5][3] = {};
};

}  // namespace kalde
