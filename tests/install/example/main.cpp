// Embedding the engine: a terrain from an elevation callback, one view drawn through
// the fan callbacks, and a height query.
#include <cstdio>

#include "terrain/kaldestub.h"

namespace {

long fans = 0, vertices = 0;
void onFan() { ++fans; }
void onVertex(float, float, float) { ++vertices; }

// A ridge along the rows, in sample units.
short ridge(int i, int, int S) { return static_cast<short>(100 - (i - S / 2) * (i - S / 2) / 8); }

}  // namespace

int main() {
    int size = 64;         // becomes the engine's grid size, 65
    float cellSize = 1.0f;
    kalde::TerrainObject terrain(static_cast<const short*>(nullptr), &size, &cellSize, 0.5f, 1.0f,
                                 onFan, onVertex, nullptr, ridge, nullptr, 0, 0.0f, 0.0f, 0.0f,
                                 nullptr, nullptr, nullptr);
    // Eye 60 units above the middle, looking ahead and down; 90 degrees, 4:3.
    terrain.draw(1000.0f, 0.0f, 60.0f, 0.0f, 0.0f, -1.0f, -1.0f, 0.0f, 1.0f, 0.0f, 90.0f,
                 4.0f / 3.0f, 1.0f, 1000.0f, 1.0f);
    std::printf("grid %d, cell %.4f\n", size, cellSize);
    std::printf("fans %ld, triangles %ld\n", fans, vertices - 2 * fans);
    std::printf("height at centre %.2f\n", terrain.getHeight(0.0f, 0.0f));
    return fans > 0 ? 0 : 1;
}
