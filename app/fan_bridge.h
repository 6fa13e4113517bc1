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
};
// The callbacks carry no context, so the one bridge is module-level.
extern FanBridge bridge;

// FanBeginFn: a new fan starts.
void onFanBegin();
// FanVertexFn: appends the vertex of grid column i, elevation y (sample units) and
// grid row j; from the fan's third vertex on, also the triangle (centre, previous, this).
// When the buffer is full, the fan goes on in a new buffer with the same material.
void onFanVertex(float i, float y, float j);

}  // namespace flyover
