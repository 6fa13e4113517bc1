// Elevation queries on the current map. They read the full-resolution surface: every
// cell is split into two triangles along a diagonal that alternates in a checkerboard,
// independent of the current level of detail. Constant time, no allocation.
#include <algorithm>
#include <cmath>

#include "terrain/fatal.h"
#include "terrain/kalde.h"
#include "terrain/map_state.h"

namespace kalde {

namespace {

// Points this close outside an edge count as on it, so that positions computed from
// the map's own extent do not fall off it by a rounding step.
constexpr float kEdgeSnap = 1e-6f;

// The cell under a point and the point's place in it. Corners are named by their
// offset along world +x and +z: c00 at the minimum of both.
struct CellHit {
    int ci, ck;      // cell index along world x and world z
    float fx, fz;    // position inside the cell, 0..1
    int i0, i1;      // columns of the cell's x = 0 and x = 1 sides
    int jz0, jz1;    // rows of its z = 0 and z = 1 sides
    bool evenDiagonal;
};

// The cell under a point given in cells from the map's minimum corner, cx and cz
// within 0..S-1.
CellHit cellAt(int S, float cx, float cz) {
    CellHit hit;
    hit.ci = static_cast<int>(std::floor(cx));
    hit.ck = static_cast<int>(std::floor(cz));
    hit.fx = cx - static_cast<float>(hit.ci);
    hit.fz = cz - static_cast<float>(hit.ck);
    if (hit.ci == S - 1) {
        hit.ci = S - 2;
        hit.fx = 1.0f;
    }
    if (hit.ck == S - 1) {
        hit.ck = S - 2;
        hit.fz = 1.0f;
    }
    hit.i0 = hit.ci;
    hit.i1 = hit.ci + 1;
    hit.jz0 = S - 1 - hit.ck;   // world z grows as the row falls
    hit.jz1 = S - 2 - hit.ck;
    hit.evenDiagonal = (hit.ci + hit.ck) % 2 == 0;
    return hit;
}

template <class Sample>
bool locateCell(const MapState<Sample>& map, float x, float z, CellHit* hit) {
    const int S = map.size;
    const int h = S / 2;
    float u = x - (map.centerX - static_cast<float>(h) * map.cellX);
    float w = z - (map.centerZ - static_cast<float>(S - 1 - h) * map.cellZ);
    const float lx = static_cast<float>(S - 1) * map.cellX;
    const float lz = static_cast<float>(S - 1) * map.cellZ;
    if (-kEdgeSnap < u && u < 0.0f) u = 0.0f;
    if (lx < u && u < lx + kEdgeSnap) u = lx;
    if (-kEdgeSnap < w && w < 0.0f) w = 0.0f;
    if (lz < w && w < lz + kEdgeSnap) w = lz;
    if (!(u >= 0.0f && u <= lx && w >= 0.0f && w <= lz)) return false;   // NaN too

    const float cx = u / map.cellX;
    const float cz = w / map.cellZ;
    // A degenerate cell size (zero, or a zero-length map) leaves no cell to read.
    if (!(cx >= 0.0f && cx <= static_cast<float>(S - 1) && cz >= 0.0f &&
          cz <= static_cast<float>(S - 1)))
        return false;
    *hit = cellAt(S, cx, cz);
    return true;
}

// The four corner values of a cell, already scaled to world units.
struct Corners {
    double a00, a10, a01, a11;
};

template <class Value>
Corners cornersOf(Value* const* columns, const CellHit& c, float scale) {
    const double k = scale;
    return {columns[c.i0][c.jz0] * k, columns[c.i1][c.jz0] * k, columns[c.i0][c.jz1] * k,
            columns[c.i1][c.jz1] * k};
}

// Height on the cell's triangle under the point, in double so that the interpolation
// adds no rounding of its own before the one rounding to float.
double interpolate(const Corners& a, const CellHit& c) {
    const double fx = c.fx, fz = c.fz;
    if (c.evenDiagonal) {
        if (fx > fz) return a.a00 + fx * (a.a10 - a.a00) + fz * (a.a11 - a.a10);
        return a.a00 + fz * (a.a01 - a.a00) + fx * (a.a11 - a.a01);
    }
    if (fx + fz < 1.0) return a.a00 + fx * (a.a10 - a.a00) + fz * (a.a01 - a.a00);
    return a.a11 + (1.0 - fx) * (a.a01 - a.a11) + (1.0 - fz) * (a.a10 - a.a11);
}

}  // namespace

template <class Sample>
float sampleHeightAt(int i, int j) {
    const auto& map = state<Sample>().map;
    const FatalLines& lines = fatalLines<Sample>();
    if (map.size == 0) failEngineCheck(lines.sampleHeightNoMap);
    if (i < 0 || i >= map.size || j < 0 || j >= map.size)
        failEngineCheck(lines.sampleHeightRange);
    return static_cast<float>(map.columns[i][j]) * map.heightScale;
}

template <class Sample>
float heightAt(float x, float z) {
    const auto& map = state<Sample>().map;
    if (map.size == 0) failEngineCheck(fatalLines<Sample>().heightNoMap);
    CellHit hit;
    if (!locateCell(map, x, z, &hit)) return kAbsent;
    const Corners a = cornersOf(map.columns, hit, map.heightScale);
    return static_cast<float>(interpolate(a, hit) + map.centerY);
}

template <class Sample>
float fogThicknessAt(float x, float z) {
    const auto& map = state<Sample>().map;
    if (map.size == 0) failEngineCheck(fatalLines<Sample>().fogThicknessNoMap);
    if (!map.fogMap) return kAbsent;
    CellHit hit;
    if (!locateCell(map, x, z, &hit)) return kAbsent;
    const Corners a = cornersOf(map.fogMap, hit, map.fogScale);
    return static_cast<float>(interpolate(a, hit) + map.centerY);
}

template <class Sample>
void normalAt(float x, float z, float* nx, float* ny, float* nz) {
    const auto& map = state<Sample>().map;
    const FatalLines& lines = fatalLines<Sample>();
    if (map.size == 0) failEngineCheck(lines.normalNoMap);
    *nx = *ny = *nz = 0.0f;
    CellHit hit;
    if (!locateCell(map, x, z, &hit)) return;
    const Corners a = cornersOf(map.columns, hit, map.heightScale);
    // Height steps of the triangle under the point along one cell in +x and +z.
    double dX, dZ;
    if (hit.evenDiagonal) {
        if (hit.fx > hit.fz) {
            dX = a.a10 - a.a00;
            dZ = a.a11 - a.a10;
        } else {
            dX = a.a11 - a.a01;
            dZ = a.a01 - a.a00;
        }
    } else if (hit.fx + hit.fz < 1.0f) {
        dX = a.a10 - a.a00;
        dZ = a.a01 - a.a00;
    } else {
        dX = a.a11 - a.a01;
        dZ = a.a11 - a.a10;
    }
    const float x0 = static_cast<float>(-dX * map.cellZ);
    const float y0 = map.cellX * map.cellZ;
    const float z0 = static_cast<float>(-dZ * map.cellX);
    const float length = std::sqrt(x0 * x0 + y0 * y0 + z0 * z0);
    if (length == 0.0f) failEngineCheck(lines.normalZeroLength);
    *nx = x0 / length;
    *ny = y0 / length;
    *nz = z0 / length;
}

template <class Sample>
float heightAtClamped(float dx, float dz) {
    const auto& map = state<Sample>().map;
    if (map.size == 0) failEngineCheck(fatalLines<Sample>().heightNoMap);
    if (!(map.cellX > 0.0f && map.cellZ > 0.0f)) return kAbsent;   // no surface, as in heightAt
    // Clamped in cells from the map's minimum corner rather than through world
    // coordinates: adding and removing a centre far from the origin could round the
    // clamped point off the map. NaN goes to the low edges.
    const int S = map.size;
    const float last = static_cast<float>(S - 1);
    const auto onMap = [last](float c) { return c >= 0.0f ? std::min(c, last) : 0.0f; };
    const CellHit hit = cellAt(S, onMap(dx / map.cellX + static_cast<float>(S / 2)),
                               onMap(dz / map.cellZ + static_cast<float>(S - 1 - S / 2)));
    const Corners a = cornersOf(map.columns, hit, map.heightScale);
    return static_cast<float>(interpolate(a, hit) + map.centerY);
}

#define KALDE_INSTANTIATE(Sample)                                              \
    template float sampleHeightAt<Sample>(int, int);                           \
    template float heightAt<Sample>(float, float);                             \
    template float fogThicknessAt<Sample>(float, float);                       \
    template void normalAt<Sample>(float, float, float*, float*, float*);      \
    template float heightAtClamped<Sample>(float, float);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
