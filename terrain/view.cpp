// Setting up the view of a pass: everything that is constant for the frame is derived
// here once, so that the per-node tests stay a few multiply-adds.
#include <algorithm>
#include <cmath>

#include "terrain/fatal.h"
#include "terrain/view.h"

namespace kalde {

namespace {

// The single-precision value of pi/360: half a degree in radians.
constexpr float kHalfDegree = 0.008726647f;

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
void setUpPerspective(ViewState& view, const MapState<Sample>& map, const Vec3& right,
                      const Vec3& up, float fovy, float aspect, float lodWorldY) {
    const FatalLines& lines = fatalLines<Sample>();
    view.orthographic = 0;
    const float t = std::tan(fovy * kHalfDegree);
    // The pyramid's side vectors at unit distance: right scaled to t * aspect, up to t.
    const float k = length(right) / t / aspect;
    if (k == 0.0f) failEngineCheck(lines.perspectiveRight);
    const Vec3 r = scaled(right, k);
    const float kUp = length(up) / t;
    if (kUp == 0.0f) failEngineCheck(lines.perspectiveUp);
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
        if (n == 0.0f) failEngineCheck(lines.perspectivePlane[p]);
        view.planeNormal[p] = scaled(normals[p], n);
        extentsAlong(map, view.planeNormal[p], &view.planeExtentXZ[p], &view.planeExtentY[p]);
    }
    const float above = lodWorldY - heightAtClamped<Sample>(view.lodPos.x, view.lodPos.z);
    view.lodHeight2 = above * above;
}

template <class Sample>
void setUpOrthographic(ViewState& view, const MapState<Sample>& map, const Vec3& right,
                       const Vec3& up, float fovy, float aspect) {
    const FatalLines& lines = fatalLines<Sample>();
    view.orthographic = 1;
    const float rightLength = length(right);
    if (rightLength == 0.0f) failEngineCheck(lines.orthoRight);
    view.orthoRight = scaled(right, rightLength);
    const float upLength = length(up);
    if (upLength == 0.0f) failEngineCheck(lines.orthoUp);
    view.orthoUp = scaled(up, upLength);
    extentsAlong(map, view.orthoRight, &view.orthoRightExtentXZ, &view.orthoRightExtentY);
    extentsAlong(map, view.orthoUp, &view.orthoUpExtentXZ, &view.orthoUpExtentY);
    view.orthoHalfWidth = aspect * std::abs(fovy) * 0.5f;
    view.orthoHalfHeight = std::abs(fovy) * 0.5f;
}

}  // namespace

template <class Sample>
void setUpView(ViewState& view, float res, const Vec3& eye, const Vec3& lod, const Vec3& dir,
               const Vec3& up, float fovy, float aspect, float nearDist, float farDist) {
    const MapState<Sample>& map = state<Sample>().map;
    const float directionLength = std::sqrt(dir.x * dir.x + dir.y * dir.y + dir.z * dir.z);
    if (directionLength == 0.0f) failEngineCheck(fatalLines<Sample>().passViewDirection);

    view.viewDir = scaled(dir, directionLength);
    view.farDist = farDist;
    view.nearDist = nearDist;
    view.resFactor = std::sqrt(std::max(res, 1.0f));
    view.eyePos = {eye.x - map.centerX, eye.y - map.centerY, eye.z - map.centerZ};
    view.lodPos = {lod.x - map.centerX, lod.y - map.centerY, lod.z - map.centerZ};
    extentsAlong(map, view.viewDir, &view.dirExtentXZ, &view.dirExtentY);

    // Right and (downward) up vectors of the view.
    const Vec3 right = cross(up, view.viewDir);
    const Vec3 down = cross(right, view.viewDir);
    if (fovy > 0.0f)
        setUpPerspective(view, map, right, down, fovy, aspect, lod.y);
    else
        setUpOrthographic(view, map, right, down, fovy, aspect);
}

template <class Sample>
void Culling::setUp(const ViewState& view, float margin) {
    const MapState<Sample>& map = state<Sample>().map;
    // Only nodes larger than S >> cullDepth are tested; a shift by 31 or more is undefined.
    constexpr int kIntBits = 31;
    const int cullDepth = state<Sample>().params.cullDepth;
    const int cullAbove = cullDepth >= kIntBits ? 0 : map.size >> cullDepth;
    orthographic_ = view.orthographic != 0;
    const auto setAxis = [this](int a, const Vec3& n) {
        axes_[a][0] = splat(n.x);
        axes_[a][1] = splat(n.y);
        axes_[a][2] = splat(n.z);
    };
    setAxis(0, view.viewDir);
    if (orthographic_) {
        setAxis(1, view.orthoRight);
        setAxis(2, view.orthoUp);
    } else {
        for (int p = 0; p < 4; ++p) setAxis(1 + p, view.planeNormal[p]);
    }
    for (int k = 1, s = 2; s < map.size; ++k, s *= 2) {
        Level& level = levels_[k];
        level.tested = s > cullAbove;
        const float e = static_cast<float>(s / 2);
        const float m = static_cast<float>(map.maxDiff[s]);
        const float rad = (e * view.dirExtentXZ + m * view.dirExtentY) * margin;
        level.nearLimit = splat(view.nearDist - rad);
        level.farLimit = splat(view.farDist + rad);
        if (orthographic_) {
            const float right = e * view.orthoRightExtentXZ + m * view.orthoRightExtentY;
            const float up = e * view.orthoUpExtentXZ + m * view.orthoUpExtentY;
            level.bound[0] = splat(right * margin + view.orthoHalfWidth);
            level.bound[1] = splat(up * margin + view.orthoHalfHeight);
        } else {
            for (int p = 0; p < 4; ++p) {
                const float side = e * view.planeExtentXZ[p] + m * view.planeExtentY[p];
                level.bound[p] = splat(side * margin);
            }
        }
    }
}

#define KALDE_INSTANTIATE(Sample)                                                             \
    template void setUpView<Sample>(ViewState&, float, const Vec3&, const Vec3&, const Vec3&, \
                                    const Vec3&, float, float, float, float);                 \
    template void Culling::setUp<Sample>(const ViewState&, float);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
