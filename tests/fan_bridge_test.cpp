// The fan-to-mesh bridge: fans become indexed triangles at the mapped positions.
#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

#include "app/fan_bridge.h"

namespace flyover {
namespace {

class Bridge : public ::testing::Test {
protected:
    void SetUp() override {
        bridge.gridSize = 257;
        bridge.cellSize = 255.0f / 256.0f;
        bridge.heightScale = 0.2f;
        bridge.frameMeshBuffer = new irr::scene::SMeshBuffer();
    }
    void TearDown() override {
        for (irr::scene::SMeshBuffer* full : bridge.frameFullBuffers) full->drop();
        bridge.frameFullBuffers.clear();
        bridge.frameMeshBuffer->drop();
        bridge.frameMeshBuffer = nullptr;
    }
    static std::vector<int> indices() {
        const auto& in = bridge.frameMeshBuffer->Indices;
        return std::vector<int>(in.const_pointer(), in.const_pointer() + in.size());
    }
    static void fan(int vertices) {
        onFanBegin();
        for (int k = 0; k < vertices; ++k) onFanVertex(float(k), 0.0f, 0.0f);
    }
};

TEST_F(Bridge, EveryVertexAfterTheSecondClosesATriangleWithTheCentre) {
    fan(5);   // A B C D E
    EXPECT_EQ(bridge.frameMeshBuffer->getVertexCount(), 5u);
    EXPECT_EQ(indices(), (std::vector<int>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
}

TEST_F(Bridge, ShortFansAddVerticesButNoTriangle) {
    fan(2);
    fan(1);
    EXPECT_EQ(bridge.frameMeshBuffer->getVertexCount(), 3u);
    EXPECT_TRUE(indices().empty());
}

TEST_F(Bridge, LaterFansContinueTheIndices) {
    fan(4);
    fan(3);
    EXPECT_EQ(indices(), (std::vector<int>{0, 1, 2, 0, 2, 3, 4, 5, 6}));
}

TEST_F(Bridge, MapsGridPointsToTheCentredWorldAndTheTexture) {
    onFanBegin();
    onFanVertex(0.0f, 100.0f, 256.0f);
    onFanVertex(256.0f, -5.0f, 0.0f);
    onFanVertex(128.0f, 0.0f, 64.0f);
    const irr::video::S3DVertex* v = static_cast<const irr::video::S3DVertex*>(
        bridge.frameMeshBuffer->getVertices());
    EXPECT_EQ(v[0].Pos, irr::core::vector3df(-127.5f, 20.0f, -127.5f));
    EXPECT_EQ(v[0].TCoords, irr::core::vector2df(1.0f, 0.0f));
    EXPECT_EQ(v[1].Pos, irr::core::vector3df(127.5f, -1.0f, 127.5f));
    EXPECT_EQ(v[1].TCoords, irr::core::vector2df(0.0f, 1.0f));
    EXPECT_EQ(v[2].Pos, irr::core::vector3df(0.0f, 0.0f, 63.75f));
    EXPECT_EQ(v[2].TCoords, irr::core::vector2df(0.5f, 0.75f));
}

TEST_F(Bridge, VerticesCopyTheTemplateNormalAndColour) {
    fan(3);
    const auto* v = static_cast<const irr::video::S3DVertex*>(bridge.frameMeshBuffer->getVertices());
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(v[k].Normal, irr::core::vector3df(0.0f, 1.0f, 0.0f));
        EXPECT_EQ(v[k].Color.color, 0xFFFFFFFFu);
    }
}

TEST_F(Bridge, ArraysGrowGeometricallyFromEmpty) {
    std::vector<irr::u32> capacities{bridge.frameMeshBuffer->Vertices.allocated_size()};
    onFanBegin();
    for (int k = 0; k < 15; ++k) {
        onFanVertex(0.0f, 0.0f, 0.0f);
        if (capacities.back() != bridge.frameMeshBuffer->Vertices.allocated_size())
            capacities.push_back(bridge.frameMeshBuffer->Vertices.allocated_size());
    }
    EXPECT_EQ(capacities, (std::vector<irr::u32>{0, 1, 3, 7, 15}));
    EXPECT_EQ(bridge.frameMeshBuffer->Indices.allocated_size(), 63u);   // 39 indices: 0,1,3,7,15,31,63
}

// Fans whose vertices encode (fan, vertex) as grid (i, j); returns every triangle of
// every buffer of the frame as those pairs, in buffer order.
using Corner = std::pair<int, int>;
std::vector<std::array<Corner, 3>> frameTriangles() {
    std::vector<irr::scene::SMeshBuffer*> buffers = bridge.frameFullBuffers;
    buffers.push_back(bridge.frameMeshBuffer);
    std::vector<std::array<Corner, 3>> out;
    for (irr::scene::SMeshBuffer* buffer : buffers) {
        EXPECT_LE(buffer->getVertexCount(), kMaxVerticesPerBuffer);
        const auto* v = static_cast<const irr::video::S3DVertex*>(buffer->getVertices());
        const irr::u16* index = buffer->getIndices();
        for (irr::u32 k = 0; k < buffer->getIndexCount(); k += 3) {
            std::array<Corner, 3> t;
            for (int c = 0; c < 3; ++c) {
                const irr::core::vector3df& p = v[index[k + c]].Pos;   // x = i - 1, z = 1 - j
                t[c] = {static_cast<int>(p.X + 1.0f), static_cast<int>(1.0f - p.Z)};
            }
            out.push_back(t);
        }
    }
    return out;
}

TEST_F(Bridge, FramesBeyondSixteenBitIndicesContinueInNewBuffers) {
    bridge.gridSize = 3;   // unit cells: vertex (i, j) lands at x = i - 1, z = 1 - j
    bridge.cellSize = 1.0f;
    bridge.frameMeshBuffer->Material.Wireframe = true;
    std::vector<std::array<Corner, 3>> expected;
    // Short fans across the first boundary, then one fan longer than a whole buffer.
    std::vector<int> lengths(7000, 10);
    lengths.push_back(70000);
    for (int f = 0; f < static_cast<int>(lengths.size()); ++f) {
        onFanBegin();
        for (int k = 0; k < lengths[f]; ++k) {
            onFanVertex(static_cast<float>(f), 0.0f, static_cast<float>(k));
            if (k >= 2) expected.push_back({Corner{f, 0}, Corner{f, k - 1}, Corner{f, k}});
        }
    }
    ASSERT_EQ(bridge.frameFullBuffers.size(), 2u);
    EXPECT_EQ(bridge.frameFullBuffers[0]->getVertexCount(), kMaxVerticesPerBuffer);
    EXPECT_TRUE(bridge.frameMeshBuffer->Material.Wireframe);   // the same material throughout
    EXPECT_EQ(frameTriangles(), expected);
}

}  // namespace
}  // namespace flyover
