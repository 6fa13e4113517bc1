// The fan-to-mesh bridge: the application's pair of fan callbacks, which turn the
// engine's triangle fans into an indexed triangle list in the frame's mesh buffer.
#pragma once

#include <irrlicht.h>

#include <vector>

namespace flyover {

constexpr int kInitialGridSize = 256;
constexpr float kInitialCellSize = 1.0f;
constexpr float kHeightScale = 0.2f;
constexpr float kResolution = 1000.0f;

// 16-bit indices address this many vertices; a frame with more continues in a new buffer.
constexpr irr::u32 kMaxVerticesPerBuffer = 65536;

// How a map flown at true scale lies in the world: the engine's own placement (column i at
// x = (i - half) * cellX, row j at z = (half - j) * cellZ, half = S / 2) and its texture
// stretched over the raster's columns and rows only, north up, so that the padding that
// makes the map square is left out.
struct GroundMapping {
    int half = 0;
    float cellX = 1.0f, cellZ = 1.0f;
    float heightScale = 1.0f;
    float rasterColumns = 2.0f, rasterRows = 2.0f;   // of the map, at least 2
};

// How a tile of a world lies: its grid column i at level-0 pixel firstColumn + i * step,
// placed at x = x0 + pixel * cellX (row j likewise, z = z0 - pixel * cellZ). Placed in
// double from whole pixels, so that tiles meeting at a border put it in the same place.
// The tile's texture spans its grid.
struct TileMapping {
    double x0 = 0.0, z0 = 0.0, cellX = 1.0, cellZ = 1.0;
    double firstColumn = 0.0, firstRow = 0.0, step = 1.0;
    float heightScale = 1.0f;
    float lastIndex = 1.0f;   // T - 1
};

// What the callbacks work on.
struct FanBridge {
    // Edge length of the sample grid: the height image's width until the terrain is
    // built, then the engine's grid size S, which the vertex mapping uses.
    int gridSize = kInitialGridSize;
    // World distance between samples; rescaled by the terrain's construction.
    float cellSize = kInitialCellSize;
    float heightScale = kHeightScale;
    float resolution = kResolution;
    // Template of every emitted vertex: normal (0, 1, 0) and opaque white; the bridge
    // rewrites only the position and texture coordinates.
    irr::video::S3DVertex currentVertex{0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f,
                                        irr::video::SColor(0xFFFFFFFF), 0.0f, 0.0f};
    // The mesh buffer of the frame being built; the callbacks append to it.
    irr::scene::SMeshBuffer* frameMeshBuffer = nullptr;
    // Buffers of this frame that reached kMaxVerticesPerBuffer, in order; each holds one
    // reference, which passes to the frame's mesh.
    std::vector<irr::scene::SMeshBuffer*> frameFullBuffers;
    int fanVertexCounter = -1;   // 0 after a fan begins, saturates at 2
    int fanStartIndex = 0;       // index of the current fan's centre vertex
    GroundMapping ground;        // placement of true-scale flight's map
    TileMapping tile;            // placement of the world tile being drawn
};
// The callbacks carry no context, so the one bridge is module-level.
extern FanBridge bridge;

// FanBeginFn: a new fan starts.
void onFanBegin();
// FanVertexFn: appends the vertex of grid column i, elevation y (sample units) and
// grid row j; from the fan's third vertex on, also the triangle (centre, previous, this).
// When the buffer is full, the fan goes on in a new buffer with the same material.
void onFanVertex(float i, float y, float j);

// FanVertexFn of true-scale flight: as onFanVertex, placed by bridge.ground.
void onGroundFanVertex(float i, float y, float j);

// FanVertexFn of a world's tiles: as onFanVertex, placed by bridge.tile.
void onTileFanVertex(float i, float y, float j);

}  // namespace flyover
