#include "screen_error.h"

#include <algorithm>
#include <cmath>

namespace bench {

SampleRaster::SampleRaster(int size)
    : size_(size),
      height_(static_cast<std::size_t>(size) * size),
      covered_(static_cast<std::size_t>(size) * size) {}

void SampleRaster::clear() { std::fill(covered_.begin(), covered_.end(), 0); }

void SampleRaster::addTriangle(float i0, float y0, float j0, float i1, float y1, float j1,
                               float i2, float y2, float j2) {
    // Points on an edge belong to the triangle: neighbours agree there anyway.
    constexpr float kEdgeSlack = 1e-4f;
    const float area = (i1 - i0) * (j2 - j0) - (j1 - j0) * (i2 - i0);
    if (area == 0.0f) return;
    const int iMin = std::max(0, static_cast<int>(std::ceil(std::min({i0, i1, i2}) - kEdgeSlack)));
    const int iMax = std::min(size_ - 1, static_cast<int>(std::floor(std::max({i0, i1, i2}) + kEdgeSlack)));
    const int jMin = std::max(0, static_cast<int>(std::ceil(std::min({j0, j1, j2}) - kEdgeSlack)));
    const int jMax = std::min(size_ - 1, static_cast<int>(std::floor(std::max({j0, j1, j2}) + kEdgeSlack)));
    for (int j = jMin; j <= jMax; ++j)
        for (int i = iMin; i <= iMax; ++i) {
            const float fi = static_cast<float>(i), fj = static_cast<float>(j);
            const float w0 = ((i1 - fi) * (j2 - fj) - (j1 - fj) * (i2 - fi)) / area;
            const float w1 = ((i2 - fi) * (j0 - fj) - (j2 - fj) * (i0 - fi)) / area;
            const float w2 = 1.0f - w0 - w1;
            if (w0 < -kEdgeSlack || w1 < -kEdgeSlack || w2 < -kEdgeSlack) continue;
            const std::size_t at = index(i, j);
            height_[at] = w0 * y0 + w1 * y1 + w2 * y2;
            covered_[at] = 1;
        }
}

}  // namespace bench
