#include "app/fan_bridge.h"

namespace flyover {

FanBridge bridge;

namespace {

// Appends with the growth rule capacity = 2 * used + 1 when full, so that a frame's
// arrays grow geometrically from empty whatever the array's own strategy is.
template <class T>
void appendGrowing(irr::core::array<T>& values, const T& value) {
    if (values.size() + 1 > values.allocated_size()) values.reallocate(2 * values.size() + 1);
    values.push_back(value);
}

// Moves on to a new buffer. The fan continues there from copies of its centre and its
// last vertex, which are all its next triangles need; those already made stay behind.
void continueInNewBuffer() {
    irr::scene::SMeshBuffer* full = bridge.frameMeshBuffer;
    auto* next = new irr::scene::SMeshBuffer();
    next->Material = full->Material;
    if (bridge.fanVertexCounter >= 1) appendGrowing(next->Vertices, full->Vertices[bridge.fanStartIndex]);
    if (bridge.fanVertexCounter >= 2) appendGrowing(next->Vertices, full->Vertices.getLast());
    bridge.frameFullBuffers.push_back(full);
    bridge.frameMeshBuffer = next;
    bridge.fanStartIndex = 0;
}

// Appends bridge.currentVertex and, from the fan's third vertex on, its triangle.
void appendFanVertex() {
    if (bridge.frameMeshBuffer->Vertices.size() == kMaxVerticesPerBuffer) continueInNewBuffer();
    appendGrowing(bridge.frameMeshBuffer->Vertices, bridge.currentVertex);

    if (bridge.fanVertexCounter == 2) {
        const int n = static_cast<int>(bridge.frameMeshBuffer->Vertices.size());
        auto& indices = bridge.frameMeshBuffer->Indices;
        appendGrowing(indices, static_cast<irr::u16>(bridge.fanStartIndex));
        appendGrowing(indices, static_cast<irr::u16>(n - 2));
        appendGrowing(indices, static_cast<irr::u16>(n - 1));
    } else {
        ++bridge.fanVertexCounter;
    }
}

}  // namespace

void onFanBegin() {
    bridge.fanVertexCounter = 0;
    bridge.fanStartIndex = static_cast<int>(bridge.frameMeshBuffer->getVertexCount());
}

void onFanVertex(float i, float y, float j) {
    const int half = bridge.gridSize / 2;
    const float c = bridge.cellSize;
    const float last = static_cast<float>(bridge.gridSize - 1);
    // Column i runs along +x, row j along -z; the map is centred on the origin.
    bridge.currentVertex.Pos.set(c * i - static_cast<float>(half) * c, bridge.heightScale * y,
                          static_cast<float>(half) * c - c * j);
    bridge.currentVertex.TCoords.set(1.0f - i / last, 1.0f - j / last);
    appendFanVertex();
}

void onGroundFanVertex(float i, float y, float j) {
    const GroundMapping& m = bridge.ground;
    const float half = static_cast<float>(m.half);
    bridge.currentVertex.Pos.set(m.cellX * (i - half), m.heightScale * y, m.cellZ * (half - j));
    bridge.currentVertex.TCoords.set(i / (m.rasterColumns - 1.0f), j / (m.rasterRows - 1.0f));
    appendFanVertex();
}

void onTileFanVertex(float i, float y, float j) {
    const TileMapping& m = bridge.tile;
    const double column = m.firstColumn + i * m.step, row = m.firstRow + j * m.step;
    bridge.currentVertex.Pos.set(static_cast<float>(m.x0 + column * m.cellX), m.heightScale * y,
                          static_cast<float>(m.z0 - row * m.cellZ));
    bridge.currentVertex.TCoords.set(i / m.lastIndex, j / m.lastIndex);
    appendFanVertex();
}

}  // namespace flyover
