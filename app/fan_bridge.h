// The fan-to-mesh bridge: the application's pair of fan callbacks, which turn the
// engine's triangle fans into an indexed triangle list in the frame's mesh buffer.
// The callbacks carry no context, so they work on the module-level state below.
#pragma once

#include <irrlicht.h>

#include <vector>

namespace flyover {

constexpr int kInitialGridSize = 256;
constexpr float kInitialCellSize = 1.0f;
constexpr float kHeightScale = 0.2f;
constexpr float kResolution = 1000.0f;

// Edge length of the sample grid: the height image's width until the terrain is
// built, then the engine's grid size S, which the vertex mapping uses.
extern int appGridSize;
// World distance between samples; rescaled by the terrain's construction.
extern float appCellSize;
extern float appHeightScale;
extern float appResolution;

// Template of every emitted vertex: normal (0, 1, 0) and opaque white are set once at
// start-up; the bridge rewrites only the position and texture coordinates.
extern irr::video::S3DVertex currentVertex;
// 16-bit indices address this many vertices; a frame with more continues in a new buffer.
constexpr irr::u32 kMaxVerticesPerBuffer = 65536;

// The mesh buffer of the frame being built; the callbacks append to it.
extern irr::scene::SMeshBuffer* frameMeshBuffer;
// Buffers of this frame that reached kMaxVerticesPerBuffer, in order; each holds one
// reference, which passes to the frame's mesh.
extern std::vector<irr::scene::SMeshBuffer*> frameFullBuffers;
extern int fanVertexCounter;   // 0 after a fan begins, saturates at 2
extern int fanStartIndex;      // index of the current fan's centre vertex

// FanBeginFn: a new fan starts.
void onFanBegin();
// FanVertexFn: appends the vertex of grid column i, elevation y (sample units) and
// grid row j; from the fan's third vertex on, also the triangle (centre, previous, this).
// When the buffer is full, the fan goes on in a new buffer with the same material.
void onFanVertex(float i, float y, float j);

}  // namespace flyover
