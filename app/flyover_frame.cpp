#include "app/flyover_frame.h"

#include <cmath>
#include <cwchar>

#include "app/fan_bridge.h"

namespace flyover {

namespace {

constexpr float kNearMargins = 10.0f;       // camera height above ground, in near distances
constexpr float kNoGroundHeight = 100.0f;   // camera height where there is no ground
constexpr double kDegreesPerRadian = 180.0 / 3.14159;
constexpr float kHeightFactor = 1.0f;
// Where the camera has no direction at all it looks along -z, as it starts.
const irr::core::vector3df kNoDirection(0.0f, 0.0f, -1.0f);
constexpr const wchar_t* kCaptionFormat =
    L"Vellorin: Terrainengine-libkalde and Irrlicht Engine (fps:%d) Triangles:%d";

}  // namespace

float groundFollowHeight(float groundHeight, float nearValue) {
    const float g = groundHeight + kNearMargins * nearValue;
    return (g < 0.0f || std::isnan(g)) ? kNoGroundHeight : g;
}

irr::core::vector3df viewDirection(const irr::core::vector3df& position,
                                   const irr::core::vector3df& target) {
    const irr::core::vector3df d = target - position;
    const float lengthSq = d.X * d.X + d.Y * d.Y + d.Z * d.Z;   // as the engine computes it
    if (lengthSq > 0.0f && std::isfinite(lengthSq)) return d;
    // In double the difference neither overflows when squared nor vanishes when tiny.
    const double x = static_cast<double>(target.X) - position.X;
    const double y = static_cast<double>(target.Y) - position.Y;
    const double z = static_cast<double>(target.Z) - position.Z;
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length > 0.0 && std::isfinite(length))
        return irr::core::vector3df(static_cast<float>(x / length), static_cast<float>(y / length),
                                    static_cast<float>(z / length));
    return kNoDirection;
}

bool refreshCaption(int fps, int trianglesDrawn, int* lastFps,
                    wchar_t (&caption)[kCaptionCapacity]) {
    if (fps == *lastFps) return false;
    std::swprintf(caption, kCaptionCapacity, kCaptionFormat, fps, trianglesDrawn);
    *lastFps = fps;
    return true;
}

irr::scene::SAnimatedMesh* wrapFrameBuffers(irr::scene::SMesh** meshOut) {
    auto* mesh = new irr::scene::SMesh();
    auto* animatedMesh = new irr::scene::SAnimatedMesh();
    bridge.frameFullBuffers.push_back(bridge.frameMeshBuffer);
    for (irr::scene::SMeshBuffer* buffer : bridge.frameFullBuffers) {
        buffer->recalculateBoundingBox();
        mesh->addMeshBuffer(buffer);
    }
    mesh->recalculateBoundingBox();
    animatedMesh->addMesh(mesh);
    animatedMesh->recalculateBoundingBox();
    for (irr::scene::SMeshBuffer* buffer : bridge.frameFullBuffers) buffer->drop();
    bridge.frameFullBuffers.clear();
    bridge.frameMeshBuffer = nullptr;
    *meshOut = mesh;
    return animatedMesh;
}

void runFrame(FlyoverScene& scene) {
    // A fresh buffer for this frame's fans.
    bridge.frameMeshBuffer = new irr::scene::SMeshBuffer();

    // The camera as the user left it.
    irr::scene::ICameraSceneNode* camera = scene.camera;
    const float aspect = camera->getAspectRatio();
    const float fovDegrees = static_cast<float>(camera->getFOV() * kDegreesPerRadian);
    const float nearValue = camera->getNearValue();
    const float farValue = camera->getFarValue();
    const irr::core::vector3df position = camera->getPosition();
    const irr::core::vector3df target = camera->getTarget();

    // Ground following: only the height is ours, the animator moves the rest.
    const float eyeY = groundFollowHeight(scene.terrain->getHeight(position.X, position.Z),
                                          nearValue);
    camera->setPosition(irr::core::vector3df(position.X, eyeY, position.Z));
    // The camera aims at an absolute point, and its animator reads the view direction
    // from that point and the absolute position: lift both with the eye, or ground
    // following would tilt the view.
    camera->updateAbsolutePosition();
    camera->setTarget(target + irr::core::vector3df(0.0f, eyeY - position.Y, 0.0f));
    const irr::core::vector3df direction = viewDirection(position, target);

    // The terrain's fans fill bridge.frameMeshBuffer through the bridge.
    scene.terrain->draw(bridge.resolution, position.X, eyeY, position.Z, direction.X, direction.Y,
                        direction.Z, 0.0f, 1.0f, 0.0f,
                        static_cast<float>(fovDegrees * kLodFovFactor), aspect, nearValue,
                        farValue, kHeightFactor);

    // The frame's mesh and its scene node, unlit and textured.
    irr::scene::SMesh* mesh = nullptr;
    irr::scene::SAnimatedMesh* animatedMesh = wrapFrameBuffers(&mesh);
    irr::scene::IAnimatedMeshSceneNode* node = scene.sceneManager->addAnimatedMeshSceneNode(
        animatedMesh, nullptr, -1, irr::core::vector3df(0, 0, 0),
        irr::core::vector3df(0, 0, 0), irr::core::vector3df(1, 1, 1));
    for (irr::u32 m = 0; m < node->getMaterialCount(); ++m)
        node->getMaterial(m).Lighting = false;
    for (irr::u32 m = 0; m < node->getMaterialCount(); ++m)
        node->getMaterial(m).setTexture(0, scene.texture);

    // Render.
    scene.driver->beginScene(true, true, kSkyColour);
    scene.sceneManager->drawAll();
    scene.driver->endScene();

    // Caption, only when the frame rate changed.
    if (refreshCaption(scene.driver->getFPS(),
                       static_cast<int>(scene.driver->getPrimitiveCountDrawn()), &scene.lastFps,
                       scene.caption))
        scene.device->setWindowCaption(scene.caption);

    // Nothing of this frame's geometry survives it.
    node->remove();
    mesh->drop();
    animatedMesh->drop();
}

}  // namespace flyover
