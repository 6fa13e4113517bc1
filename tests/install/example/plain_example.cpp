// The README's example program (terrain/terrain.h) done again through the plain
// interface (terrain/kaldestub.h): the same figures, for the install test to compare.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <set>
#include <tuple>
#include <vector>

#include "terrain/kaldestub.h"

namespace {

constexpr float kHeightScale = 0.25f;
int gridSize = 100;
float cellSize = 1.0f;

long fans = 0, triangles = 0, inFan = 0;
float highest = -INFINITY;
std::set<std::tuple<float, float, float>> positions;

void onFan() {
    ++fans;
    inFan = 0;
}

// World coordinates as terrain/kalde.h gives them, for a map centred on the origin.
void onVertex(float i, float y, float j) {
    const float half = static_cast<float>(gridSize / 2);
    const float worldY = 0.0f + y * kHeightScale;
    positions.insert({0.0f + (i - half) * cellSize, worldY, 0.0f - (j - half) * cellSize});
    if (++inFan >= 3) ++triangles;
    highest = std::fmax(highest, worldY);
}

}  // namespace

int main() {
    const int n = gridSize;
    std::vector<std::int16_t> heights(n * n);
    for (int row = 0; row < n; ++row)
        for (int column = 0; column < n; ++column)
            heights[column + row * n] = std::int16_t(400 - (column - 50) * (column - 50) / 8);
    kalde::TerrainObject terrain(heights.data(), &gridSize, &cellSize, kHeightScale, 1.0f, onFan,
                                 onVertex, nullptr, nullptr, nullptr, 0, 0.0f, 0.0f, 0.0f,
                                 nullptr, nullptr, nullptr);
    // The View defaults: resolution 1000, up +y, 60 degrees, 4:3, near 1, far 1000.
    terrain.draw(1000.0f, 0.0f, 150.0f, 60.0f, 0.0f, -1.0f, -1.0f, 0.0f, 1.0f, 0.0f, 60.0f,
                 4.0f / 3.0f, 1.0f, 1000.0f, 1.0f);

    std::printf("grid %d, cell %.4f\n", gridSize, cellSize);
    std::printf("fans %ld, triangles %ld, highest %.3f\n", fans, triangles, highest);
    std::printf("mesh: %zu vertices, %ld triangles\n", positions.size(), triangles);
    std::printf("height at the centre %.3f\n", terrain.getHeight(0.0f, 0.0f));
    return 0;
}
