// The fly-over's frame loop for thousands of frames on the null driver: it must neither
// grow nor leak (the sanitizer build's leak checker covers the second).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <fstream>
#include <vector>

#include "app/fan_bridge.h"
#include "app/flyover_frame.h"

namespace flyover {
namespace {

long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

TEST(Soak, FiveThousandFramesLeaveTheMemoryAsItWas) {
    irr::IrrlichtDevice* device = irr::createDevice(irr::video::EDT_NULL);
    ASSERT_NE(device, nullptr);
    device->getLogger()->setLogLevel(irr::ELL_NONE);
    bridge.gridSize = 256;
    bridge.cellSize = 1.0f;
    std::vector<std::int16_t> grid(256 * 256);
    for (int k = 0; k < 256 * 256; ++k)
        grid[k] = static_cast<std::int16_t>(128 + 100 * std::sin(k % 256 * 0.05) * std::cos(k / 256 * 0.07));
    auto* terrain = new kalde::TerrainObject(grid.data(), &bridge.gridSize, &bridge.cellSize, bridge.heightScale,
                                             1.0f, onFanBegin, onFanVertex, nullptr, nullptr,
                                             nullptr, 0, 0.0f, 0.0f, 0.0f, nullptr, nullptr, nullptr);
    FlyoverScene scene;
    scene.device = device;
    scene.driver = device->getVideoDriver();
    scene.sceneManager = device->getSceneManager();
    scene.terrain = terrain;
    scene.camera = scene.sceneManager->addCameraSceneNodeFPS(nullptr, 100.0f, 0.1f, -1, nullptr, 0);

    constexpr int kFrames = 5000;
    constexpr int kSettled = 500;
    long settled = 0;
    int framesWithTerrain = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        // Circles that reach far beyond the map, heights from below the ground to far
        // above it (ground following overrides them), looking up, down and around.
        const float t = frame * 0.013f;
        const float radius = 50.0f + 400.0f * (0.5f + 0.5f * std::sin(t * 0.31f));
        const irr::core::vector3df eye(radius * std::cos(t), 1e5f * std::sin(t * 0.7f),
                                       radius * std::sin(t));
        const irr::core::vector3df look(std::cos(t * 2.1f), 0.95f * std::sin(t * 1.3f),
                                        std::sin(t * 2.1f));
        scene.camera->setPosition(eye);
        scene.camera->setTarget(eye + look);
        runFrame(scene);
        framesWithTerrain += scene.driver->getPrimitiveCountDrawn() > 0;
        if (frame == kSettled) settled = residentBytes();
    }
    const long growth = residentBytes() - settled;
    EXPECT_GT(framesWithTerrain, kFrames / 4);   // the flight does see the terrain
#if defined(__SANITIZE_ADDRESS__)
    (void)growth;   // the sanitizer holds freed memory back on purpose; it checks leaks instead
#else
    EXPECT_LT(growth, 1L << 20) << "resident memory grew by " << growth << " bytes";
#endif
    delete terrain;
    device->drop();
}

}  // namespace
}  // namespace flyover
