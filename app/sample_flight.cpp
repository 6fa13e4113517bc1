#include "app/sample_flight.h"

#include <irrlicht.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/device.h"
#include "app/fan_bridge.h"
#include "app/flyover_frame.h"
#include "app/height_image.h"
#include "app/terrain_texture.h"
#include "terrain/kaldestub.h"

namespace flyover {

namespace {

constexpr float kCellAspect = 1.0f;
constexpr float kCameraRotateSpeed = 100.0f;
// 100 units per second, in the units per millisecond that the camera animator takes.
constexpr float kCameraMoveSpeed = 0.1f;

int fail(const std::string& message) {
    std::fprintf(stderr, "flyover: %s\n", message.c_str());
    return 1;
}

// The problem, and what to do about it where the problem does not say so itself.
std::string heightImageMessage(const std::string& problem) {
    std::string message = std::string("height image \"") + flyover::kHeightImageFile + "\" " + problem;
    if (problem.find("; ") == std::string::npos)
        message += "; use a square 24-bit BMP, PNG or JPEG, 2 to 8193 pixels wide, whose red "
                   "channel is the height";
    return message;
}

}  // namespace

int flySample() {
    using irr::core::vector3df;

    irr::IrrlichtDevice* device = createFlyoverDevice();
    if (!device)
        return fail("cannot open a 640x480 window with OpenGL or the software renderer; "
                    "run it on a desktop or under an X server (is DISPLAY set?)");
    irr::video::IVideoDriver* driver = device->getVideoDriver();
    irr::scene::ISceneManager* sceneManager = device->getSceneManager();

    irr::video::SMaterial material;
    material.setTexture(0, nullptr);
    material.Lighting = false;
    driver->setMaterial(material);

    // The height image becomes the sample grid. It is decoded by our own readers, with
    // limits, since Irrlicht's trust what a file's header says.
    elevation::RgbImage heightImage;
    if (const std::string problem = readHeightImage(kHeightImageFile, heightImage); !problem.empty()) {
        device->drop();
        return fail(heightImageMessage(problem));
    }
    bridge.gridSize = heightImage.width;
    std::vector<std::int16_t> grid = sampleGridFromImage(heightImage);

    // The terrain: construction enlarges the grid and rewrites bridge.gridSize and
    // bridge.cellSize, which the fan callbacks read from here on.
    auto* terrain = new kalde::TerrainObject(
        grid.data(), &bridge.gridSize, &bridge.cellSize, bridge.heightScale, kCellAspect, onFanBegin,
        onFanVertex, nullptr, nullptr, nullptr, 0, 0.0f, 0.0f, 0.0f, nullptr, nullptr, nullptr);


    FlyoverScene scene;
    scene.device = device;
    scene.driver = driver;
    scene.sceneManager = sceneManager;
    scene.terrain = terrain;
    // Missing: drawn untextured, as designed. Unusable: the same, after a warning.
    std::string textureProblem;
    scene.texture = loadTerrainTexture(driver, kTextureFile, &textureProblem);
    if (!textureProblem.empty())
        std::fprintf(stderr, "flyover: texture \"%s\" %s; the terrain is drawn untextured\n",
                     kTextureFile, textureProblem.c_str());
    scene.camera = sceneManager->addCameraSceneNodeFPS(nullptr, kCameraRotateSpeed,
                                                       kCameraMoveSpeed, -1, nullptr, 0);
    scene.camera->setPosition(vector3df(0.0f, 0.0f, 0.0f));
    scene.camera->setTarget(vector3df(0.0f, 0.0f, -1.0f));
    scene.camera->setUpVector(vector3df(0.0f, 1.0f, 0.0f));

    while (device->run()) runFrame(scene);

    // The terrain releases its map first; the texture, camera, driver and scene
    // manager belong to the device.
    delete terrain;
    grid.clear();
    grid.shrink_to_fit();
    heightImage = elevation::RgbImage();
    device->drop();
    return 0;
}

}  // namespace flyover
