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

}  // namespace flyover
