#include "peer_terrain.h"

#include <chrono>
#include <cmath>

namespace bench {

namespace {

irr::scene::E_TERRAIN_PATCH_SIZE patchSizeEnum(int size) {
    switch (size) {
        case 9: return irr::scene::ETPS_9;
        case 33: return irr::scene::ETPS_33;
        case 65: return irr::scene::ETPS_65;
        case 129: return irr::scene::ETPS_129;
        default: return irr::scene::ETPS_17;
    }
}

}  // namespace

PeerTerrain::PeerTerrain(irr::IrrlichtDevice* device, const std::vector<float>& heights,
                         const GridPlacement& grid, const PeerSettings& settings,
                         float fovyRadians, float aspect, float nearDist, float farDist)
    : sceneManager_(device->getSceneManager()), grid_(grid) {
    const int S = grid.size;
    // The node reads a raw heightmap vertex column by vertex column (X outer, Z inner);
    // its Z runs with world z, which is the engine's row reversed.
    std::vector<float> raw(static_cast<std::size_t>(S) * S);
    for (int x = 0; x < S; ++x)
        for (int z = 0; z < S; ++z)
            raw[static_cast<std::size_t>(x) * S + z] = heights[x + static_cast<std::size_t>(S - 1 - z) * S];
    irr::io::IReadFile* file = device->getFileSystem()->createMemoryReadFile(
        raw.data(), static_cast<irr::s32>(raw.size() * sizeof(float)), "heights.raw", false);
    const irr::core::vector3df corner(grid.worldX(0), 0.0f, grid.worldZ(S - 1));
    node_ = sceneManager_->addTerrainSceneNode(
        static_cast<irr::io::IReadFile*>(nullptr), nullptr, -1, corner,
        irr::core::vector3df(0, 0, 0), irr::core::vector3df(grid.cell, 1.0f, grid.cell),
        irr::video::SColor(255, 255, 255, 255), settings.maxLOD, patchSizeEnum(settings.patchSize),
        0, true);
    node_->loadHeightMapRAW(file, 32, true, true, S);
    file->drop();
    // Recompute every frame, so that each update is a full level-of-detail pass.
    node_->setCameraMovementDelta(0.0f);
    node_->setCameraRotationDelta(0.0f);
    if (settings.distanceScale != 1.0f) {
        // The node's own thresholds, from its patch size and scale, scaled.
        const double patch = settings.patchSize * static_cast<double>(grid.cell);
        for (int lod = 0; lod < settings.maxLOD; ++lod) {
            const double step = lod + 1 + lod / 2;
            node_->overrideLODDistance(lod, patch * step * settings.distanceScale);
        }
    }
    camera_ = sceneManager_->addCameraSceneNode();
    camera_->setFOV(fovyRadians);
    camera_->setAspectRatio(aspect);
    camera_->setNearValue(nearDist);
    camera_->setFarValue(farDist);
    sceneManager_->setActiveCamera(camera_);
}

PeerTerrain::~PeerTerrain() {
    node_->remove();
    camera_->remove();
}

double PeerTerrain::update(const CameraPose& pose) {
    // Several peers may share the scene manager; the node follows the active camera.
    sceneManager_->setActiveCamera(camera_);
    const irr::core::vector3df eye(pose.ex, pose.ey, pose.ez);
    camera_->setPosition(eye);
    camera_->setTarget(eye + irr::core::vector3df(pose.dx, pose.dy, pose.dz));
    camera_->updateAbsolutePosition();
    camera_->render();   // brings the view frustum up to date on the null driver
    const auto start = std::chrono::steady_clock::now();
    node_->OnRegisterSceneNode();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

long PeerTerrain::triangles() const { return static_cast<long>(node_->getIndexCount() / 3); }

void PeerTerrain::rasterize(SampleRaster* raster) const {
    irr::scene::IMeshBuffer* buffer = node_->getRenderBuffer();
    const auto* vertices = static_cast<const irr::video::S3DVertex2TCoords*>(buffer->getVertices());
    const irr::u32 count = node_->getIndexCount();
    const bool wide = buffer->getIndexType() == irr::video::EIT_32BIT;
    const auto index = [&](irr::u32 k) -> irr::u32 {
        return wide ? reinterpret_cast<const irr::u32*>(buffer->getIndices())[k]
                    : buffer->getIndices()[k];
    };
    for (irr::u32 k = 0; k + 2 < count; k += 3) {
        const irr::core::vector3df& a = vertices[index(k)].Pos;
        const irr::core::vector3df& b = vertices[index(k + 1)].Pos;
        const irr::core::vector3df& c = vertices[index(k + 2)].Pos;
        raster->addTriangle(grid_.gridI(a.X), a.Y, grid_.gridJ(a.Z), grid_.gridI(b.X), b.Y,
                            grid_.gridJ(b.Z), grid_.gridI(c.X), c.Y, grid_.gridJ(c.Z));
    }
}

float PeerTerrain::heightAt(float x, float z) const { return node_->getHeight(x, z); }

}  // namespace bench
