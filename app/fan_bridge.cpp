#include "app/fan_bridge.h"

namespace flyover {

int appGridSize = kInitialGridSize;
float appCellSize = kInitialCellSize;
float appHeightScale = kHeightScale;
float appResolution = kResolution;

irr::video::S3DVertex currentVertex;
irr::scene::SMeshBuffer* frameMeshBuffer = nullptr;
std::vector<irr::scene::SMeshBuffer*> frameFullBuffers;
int fanVertexCounter = -1;
int fanStartIndex = 0;
GroundMapping groundMapping;
TileMapping tileMapping;

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
    irr::scene::SMeshBuffer* full = frameMeshBuffer;
    auto* next = new irr::scene::SMeshBuffer();
    next->Material = full->Material;
    if (fanVertexCounter >= 1) appendGrowing(next->Vertices, full->Vertices[fanStartIndex]);
    if (fanVertexCounter >= 2) appendGrowing(next->Vertices, full->Vertices.getLast());
    frameFullBuffers.push_back(full);
    frameMeshBuffer = next;
    fanStartIndex = 0;
}

// Appends currentVertex and, from the fan's third vertex on, its triangle.
void appendFanVertex() {
    if (frameMeshBuffer->Vertices.size() == kMaxVerticesPerBuffer) continueInNewBuffer();
    appendGrowing(frameMeshBuffer->Vertices, currentVertex);

    if (fanVertexCounter == 2) {
        const int n = static_cast<int>(frameMeshBuffer->Vertices.size());
        auto& indices = frameMeshBuffer->Indices;
        appendGrowing(indices, static_cast<irr::u16>(fanStartIndex));
        appendGrowing(indices, static_cast<irr::u16>(n - 2));
        appendGrowing(indices, static_cast<irr::u16>(n - 1));
    } else {
        ++fanVertexCounter;
    }
}

}  // namespace

void onFanBegin() {
    fanVertexCounter = 0;
    fanStartIndex = static_cast<int>(frameMeshBuffer->getVertexCount());
}

void onFanVertex(float i, float y, float j) {
    const int half = appGridSize / 2;
    const float c = appCellSize;
    const float last = static_cast<float>(appGridSize - 1);
    // Column i runs along +x, row j along -z; the map is centred on the origin.
    currentVertex.Pos.set(c * i - static_cast<float>(half) * c, appHeightScale * y,
                          static_cast<float>(half) * c - c * j);
    currentVertex.TCoords.set(1.0f - i / last, 1.0f - j / last);
    appendFanVertex();
}

void onGroundFanVertex(float i, float y, float j) {
    const GroundMapping& m = groundMapping;
    const float half = static_cast<float>(m.half);
    currentVertex.Pos.set(m.cellX * (i - half), m.heightScale * y, m.cellZ * (half - j));
    currentVertex.TCoords.set(i / (m.rasterColumns - 1.0f), j / (m.rasterRows - 1.0f));
    appendFanVertex();
}

void onTileFanVertex(float i, float y, float j) {
    const TileMapping& m = tileMapping;
    const double column = m.firstColumn + i * m.step, row = m.firstRow + j * m.step;
    currentVertex.Pos.set(static_cast<float>(m.x0 + column * m.cellX), m.heightScale * y,
                          static_cast<float>(m.z0 - row * m.cellZ));
    currentVertex.TCoords.set(i / m.lastIndex, j / m.lastIndex);
    appendFanVertex();
}

}  // namespace flyover
