// The fly-over's frame on a device without a window: ground following, the per-frame
// mesh life cycle and the caption.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "app/fan_bridge.h"
#include "app/flyover_frame.h"
#include "terrain/kalde.h"

namespace flyover {
namespace {

TEST(GroundFollowing, KeepsTenNearDistancesAboveTheGround) {
    EXPECT_EQ(groundFollowHeight(5.0f, 1.0f), 15.0f);
    EXPECT_EQ(groundFollowHeight(-9.5f, 1.0f), 0.5f);
    EXPECT_EQ(groundFollowHeight(-10.5f, 1.0f), 100.0f);   // below zero: no ground
    EXPECT_EQ(groundFollowHeight(kalde::kAbsent, 1.0f), 100.0f);
    EXPECT_EQ(groundFollowHeight(std::numeric_limits<float>::quiet_NaN(), 1.0f), 100.0f);
}

TEST(ViewDirection, IsTheTargetOffsetUnlessTheEngineCouldNotNormaliseIt) {
    using irr::core::vector3df;
    EXPECT_EQ(viewDirection({1, 2, 3}, {1, 2, 1}), vector3df(0, 0, -2));   // as it stands
    EXPECT_EQ(viewDirection({5, 5, 5}, {5, 5, 5}), vector3df(0, 0, -1));   // none at all
    // Far out, a unit step rounds away.
    EXPECT_EQ(viewDirection({1e30f, 0, 1e30f}, {1e30f, 0, 1e30f - 1}), vector3df(0, 0, -1));
    // Too long or too short to square in single precision: normalised in double.
    const vector3df longest = viewDirection({-3e20f, 0, 0}, {3e20f, 0, 8e20f});
    EXPECT_FLOAT_EQ(longest.X, 0.6f);
    EXPECT_FLOAT_EQ(longest.Z, 0.8f);
    EXPECT_EQ(viewDirection({0, 0, 0}, {0, -1e-30f, 0}), vector3df(0, -1, 0));
    EXPECT_EQ(viewDirection({0, 0, 0}, {std::nanf(""), 0, 0}), vector3df(0, 0, -1));
}

TEST(Caption, IsRewrittenOnlyWhenTheFrameRateChanges) {
    wchar_t caption[kCaptionCapacity] = {};
    int lastFps = -1;
    EXPECT_TRUE(refreshCaption(60, 1234, &lastFps, caption));
    EXPECT_STREQ(caption,
                 L"Vellorin: Terrainengine-libkalde and Irrlicht Engine (fps:60) Triangles:1234");
    EXPECT_EQ(lastFps, 60);
    EXPECT_FALSE(refreshCaption(60, 99, &lastFps, caption));
    EXPECT_STREQ(caption,
                 L"Vellorin: Terrainengine-libkalde and Irrlicht Engine (fps:60) Triangles:1234");
    EXPECT_TRUE(refreshCaption(0, 0, &lastFps, caption));
    EXPECT_STREQ(caption, L"Vellorin: Terrainengine-libkalde and Irrlicht Engine (fps:0) Triangles:0");
}

TEST(FrameMesh, AnEmptyFrameGetsBoxesAtTheOrigin) {
    auto* buffer = new irr::scene::SMeshBuffer();
    buffer->BoundingBox.reset(irr::core::vector3df(5, 5, 5));
    bridge.frameMeshBuffer = buffer;
    irr::scene::SMesh* mesh = nullptr;
    irr::scene::SAnimatedMesh* animated = wrapFrameBuffers(&mesh);
    const irr::core::aabbox3df origin(0, 0, 0, 0, 0, 0);
    EXPECT_EQ(buffer->getBoundingBox(), origin);
    EXPECT_EQ(mesh->getBoundingBox(), origin);
    EXPECT_EQ(animated->getBoundingBox(), origin);
    EXPECT_EQ(buffer->getReferenceCount(), 1);   // held by the mesh only
    EXPECT_EQ(mesh->getReferenceCount(), 2);     // ours and the animated mesh's
    mesh->drop();
    animated->drop();
}

TEST(FrameMesh, BoxesSpanTheFramesVertices) {
    auto* buffer = new irr::scene::SMeshBuffer();
    irr::video::S3DVertex v;
    v.Pos.set(-3, 1, 2);
    buffer->Vertices.push_back(v);
    v.Pos.set(4, -2, 7);
    buffer->Vertices.push_back(v);
    auto* full = new irr::scene::SMeshBuffer();   // an earlier, full buffer of the frame
    v.Pos.set(0, 9, 0);
    full->Vertices.push_back(v);
    bridge.frameFullBuffers.push_back(full);
    bridge.frameMeshBuffer = buffer;
    irr::scene::SMesh* mesh = nullptr;
    irr::scene::SAnimatedMesh* animated = wrapFrameBuffers(&mesh);
    EXPECT_EQ(mesh->getMeshBufferCount(), 2u);
    EXPECT_EQ(mesh->getMeshBuffer(0), full);
    EXPECT_EQ(animated->getBoundingBox(), irr::core::aabbox3df(-3, -2, 0, 4, 9, 7));
    EXPECT_TRUE(bridge.frameFullBuffers.empty());
    mesh->drop();
    animated->drop();
}

// A whole frame on the null driver with a real terrain.
class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        device = irr::createDevice(irr::video::EDT_NULL);
        ASSERT_NE(device, nullptr);
        device->getLogger()->setLogLevel(irr::ELL_NONE);
        bridge.gridSize = 9;
        bridge.cellSize = 1.0f;
        grid.assign(9 * 9, 50);   // 10 units high at height scale 0.2
        terrain = new kalde::TerrainObject(grid.data(), &bridge.gridSize, &bridge.cellSize,
                                           bridge.heightScale, 1.0f, onFanBegin, onFanVertex,
                                           nullptr, nullptr, nullptr, 0, 0.0f, 0.0f, 0.0f,
                                           nullptr, nullptr, nullptr);
        scene.device = device;
        scene.driver = device->getVideoDriver();
        scene.sceneManager = device->getSceneManager();
        scene.terrain = terrain;
        scene.camera = scene.sceneManager->addCameraSceneNodeFPS(nullptr, 100.0f, 0.1f, -1,
                                                                 nullptr, 0);
    }
    void TearDown() override {
        delete terrain;
        device->drop();
    }

    irr::IrrlichtDevice* device = nullptr;
    std::vector<std::int16_t> grid;
    kalde::TerrainObject* terrain = nullptr;
    FlyoverScene scene;
};

TEST_F(Frame, HoldsTheCameraAboveTheGroundAndLeavesNothingBehind) {
    scene.camera->setPosition(irr::core::vector3df(1.0f, 50.0f, -2.0f));
    scene.camera->updateAbsolutePosition();
    const irr::u32 nodesBefore = scene.sceneManager->getRootSceneNode()->getChildren().size();
    runFrame(scene);
    const float nearValue = scene.camera->getNearValue();
    EXPECT_FLOAT_EQ(scene.camera->getPosition().Y, 10.0f + 10.0f * nearValue);
    EXPECT_EQ(scene.camera->getPosition().X, 1.0f);
    EXPECT_EQ(scene.camera->getPosition().Z, -2.0f);
    EXPECT_EQ(scene.sceneManager->getRootSceneNode()->getChildren().size(), nodesBefore);
    EXPECT_EQ(bridge.frameMeshBuffer, nullptr);
    EXPECT_EQ(scene.lastFps, static_cast<int>(scene.driver->getFPS()));
}

TEST_F(Frame, GroundFollowingKeepsTheViewDirection) {
    scene.camera->setPosition(irr::core::vector3df(0.0f, 0.0f, 0.0f));
    scene.camera->setTarget(irr::core::vector3df(0.0f, 0.0f, -1.0f));
    for (int frame = 0; frame < 3; ++frame) {
        runFrame(scene);
        const irr::core::vector3df direction =
            scene.camera->getTarget() - scene.camera->getAbsolutePosition();
        EXPECT_NEAR(direction.Y, 0.0f, 1e-4f) << "frame " << frame;
        EXPECT_LT(direction.Z, 0.0f);
    }
}

TEST_F(Frame, OutsideTheMapTheCameraFliesAtAFixedHeight) {
    scene.camera->setPosition(irr::core::vector3df(100.0f, 3.0f, 0.0f));
    runFrame(scene);
    EXPECT_EQ(scene.camera->getPosition().Y, 100.0f);
    // So far out that the target rounds onto the camera: the frame is drawn all the same.
    scene.camera->setPosition(irr::core::vector3df(1e30f, 0.0f, 1e30f));
    scene.camera->setTarget(irr::core::vector3df(1e30f, 0.0f, 1e30f - 1.0f));
    runFrame(scene);
    EXPECT_EQ(scene.camera->getPosition().Y, 100.0f);
}

}  // namespace
}  // namespace flyover
