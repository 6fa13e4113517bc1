// Template part of screen_error.h.
#pragma once

#include <cmath>

#include "stats.h"

namespace bench {

namespace detail {

struct Projector {
    float ex, ey, ez;
    float fx, fy, fz;   // forward
    float rx, ry, rz;   // right
    float ux, uy, uz;   // up
    float sx, sy;       // pixels per unit of tangent
    float halfW, halfH;
    float nearDist, farDist;

    explicit Projector(const ScreenCamera& c) {
        const CameraPose& p = c.pose;
        ex = p.ex, ey = p.ey, ez = p.ez;
        fx = p.dx, fy = p.dy, fz = p.dz;
        // Right = world up x forward (left-handed, as the fly-over's camera), up = forward x right.
        rx = fz, ry = 0.0f, rz = -fx;
        const float rl = std::sqrt(rx * rx + rz * rz);
        rx /= rl, rz /= rl;
        ux = fy * rz - fz * ry, uy = fz * rx - fx * rz, uz = fx * ry - fy * rx;
        const float tanHalf = std::tan(c.fovyRadians * 0.5f);
        halfW = 0.5f * static_cast<float>(c.widthPixels);
        halfH = 0.5f * static_cast<float>(c.heightPixels);
        sy = halfH / tanHalf;
        sx = halfW / (tanHalf * c.aspect);
        nearDist = c.nearDist, farDist = c.farDist;
    }
    // Screen position in pixels from the centre; false when behind the near plane.
    bool project(float x, float y, float z, float* px, float* py, float* depth) const {
        const float vx = x - ex, vy = y - ey, vz = z - ez;
        *depth = vx * fx + vy * fy + vz * fz;
        if (*depth < nearDist) return false;
        *px = (vx * rx + vy * ry + vz * rz) / *depth * sx;
        *py = (vx * ux + vy * uy + vz * uz) / *depth * sy;
        return true;
    }
};

}  // namespace detail

template <class TrueHeight>
ScreenError screenError(const SampleRaster& drawn, const GridPlacement& grid,
                        const ScreenCamera& camera, TrueHeight trueHeight) {
    const detail::Projector proj(camera);
    ScreenError result;
    std::vector<double> errors;
    for (int j = 0; j < grid.size; ++j) {
        const float z = grid.worldZ(j);
        for (int i = 0; i < grid.size; ++i) {
            const float x = grid.worldX(i);
            const float y = trueHeight(i, j);
            float px, py, depth;
            if (!proj.project(x, y, z, &px, &py, &depth) || depth > proj.farDist) continue;
            if (std::abs(px) > proj.halfW || std::abs(py) > proj.halfH) continue;
            ++result.samplesInView;
            if (!drawn.covered(i, j)) {
                ++result.uncoveredInView;
                continue;
            }
            float qx, qy, qdepth;
            const float drawnY = drawn.height(i, j);
            double pixels;
            if (proj.project(x, drawnY, z, &qx, &qy, &qdepth))
                pixels = std::hypot(static_cast<double>(qx - px), static_cast<double>(qy - py));
            else
                pixels = proj.halfH;   // the drawn point lies behind the eye
            errors.push_back(pixels);
        }
    }
    if (!errors.empty()) {
        result.maxPixels = quantile(errors, 1.0);
        result.p99Pixels = quantile(errors, 0.99);
    }
    return result;
}

}  // namespace bench
