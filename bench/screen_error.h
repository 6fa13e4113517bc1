// Image quality of a drawn terrain: for every grid sample in view, the vertical distance
// between the drawn surface and the true height, projected to pixels.
#pragma once

#include <vector>

#include "camera_path.h"

namespace bench {

// The grid's world placement: sample (i, j) at x = (i - S/2) * cell, z = (S/2 - j) * cell.
struct GridPlacement {
    int size = 0;
    float cell = 1.0f;
    float gridI(float x) const { return x / cell + static_cast<float>(size / 2); }
    float gridJ(float z) const { return static_cast<float>(size / 2) - z / cell; }
    float worldX(int i) const { return static_cast<float>(i - size / 2) * cell; }
    float worldZ(int j) const { return static_cast<float>(size / 2 - j) * cell; }
};

// The drawn surface's height at each grid sample: triangles given in grid coordinates
// (i, j) with world heights are rasterized onto the sample lattice.
class SampleRaster {
public:
    explicit SampleRaster(int size);
    void clear();
    void addTriangle(float i0, float y0, float j0, float i1, float y1, float j1, float i2, float y2,
                     float j2);
    bool covered(int i, int j) const { return covered_[index(i, j)] != 0; }
    float height(int i, int j) const { return height_[index(i, j)]; }

private:
    std::size_t index(int i, int j) const { return static_cast<std::size_t>(j) * size_ + i; }
    int size_;
    std::vector<float> height_;
    std::vector<unsigned char> covered_;
};

struct ScreenCamera {
    CameraPose pose;
    float fovyRadians;
    float aspect;
    float nearDist, farDist;
    int widthPixels, heightPixels;
};

struct ScreenError {
    double maxPixels = 0.0;
    double p99Pixels = 0.0;
    long samplesInView = 0;
    long uncoveredInView = 0;   // in view, but the method drew nothing there
};

// trueHeight(i, j): the world height of sample (i, j).
template <class TrueHeight>
ScreenError screenError(const SampleRaster& drawn, const GridPlacement& grid,
                        const ScreenCamera& camera, TrueHeight trueHeight);

}  // namespace bench

#include "screen_error_impl.h"
