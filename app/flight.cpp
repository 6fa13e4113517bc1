#include "app/flight.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

#include "app/frame_log.h"
#include "app/hud.h"
#include "app/screenshot.h"
#include "app/scripted_summary.h"

namespace flyover {

namespace {

constexpr double kScriptStep = 1.0 / 30.0;   // seconds per scripted frame
constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;
constexpr double kMillisecondsPerSecond = 1000.0;
// Start-up height above the ground and speed, as shares of the raster's diagonal: a first
// view over a good part of it, and a crossing in a few minutes.
constexpr double kStartHeightShare = 1.0 / 300.0;
constexpr double kStartSpeedShare = 1.0 / 200.0;
// Height and speed stay within these shares of the diagonal.
constexpr double kLowestShare = 1e-5, kHighestShare = 10.0;
// The near plane a tenth of the height above the ground; the far plane beyond the whole
// raster seen from anywhere over it, fog from a sixth of the way out.
constexpr double kNearShareOfHeight = 0.1;
constexpr double kFarFactor = 1.2;
constexpr double kFogStartShare = 0.15;
constexpr float kCameraRotateSpeed = 100.0f;
constexpr irr::u32 kCaptionIntervalMs = 250;

struct Controls {
    double heightAbove = 0.0, speed = 0.0;
    bool wireframe = false;
};

irr::core::vector3df vectorOf(double x, double y, double z) {
    return irr::core::vector3df(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

// Takes the pose the camera's animator left: its place and where it looks.
void readPose(irr::scene::ICameraSceneNode* camera, FlightPose& pose) {
    const irr::core::vector3df position = camera->getAbsolutePosition();
    const irr::core::vector3df d = camera->getTarget() - position;
    pose.x = position.X;
    pose.z = position.Z;
    aimAlong(pose, {d.X, d.Y, d.Z});
}

class Flight {
public:
    Flight(irr::IrrlichtDevice* device, FlightKeys& keys, Scenery& scenery, const FlightOptions& options,
           const FlightLook& look);
    int run();

private:
    void takeRequests(bool& quit, bool& screenshot);
    FrameView placeCamera();
    std::string hudFor(const FrameView& view, long triangles) const;
    void drawFrame(const FrameView& view, const std::string& hud, bool screenshot, bool last);
    void showCaption(const std::string& hud);

    irr::IrrlichtDevice* device_;
    irr::video::IVideoDriver* driver_;
    irr::scene::ISceneManager* sceneManager_;
    FlightKeys& keys_;
    Scenery& scenery_;
    const FlightOptions& options_;
    const FlightLook& look_;
    const RasterPlacement& place_;
    const double diagonal_;
    const bool scripted_;
    FlightPose pose_;
    Controls controls_;
    irr::video::SMaterial material_;
    irr::scene::ICameraSceneNode* camera_ = nullptr;
    irr::scene::ISceneNodeAnimatorCameraFPS* animator_ = nullptr;
    std::string caption_;
    irr::u32 captionTime_ = 0;
    std::string screenshotProblem_;
};

Flight::Flight(irr::IrrlichtDevice* device, FlightKeys& keys, Scenery& scenery, const FlightOptions& options,
               const FlightLook& look)
    : device_(device), driver_(device->getVideoDriver()), sceneManager_(device->getSceneManager()), keys_(keys),
      scenery_(scenery), options_(options), look_(look), place_(scenery.placement()), diagonal_(place_.diagonal()),
      scripted_(options.frames > 0), material_(look.material) {
    pose_.x = place_.xAt(options.startGiven ? options.startColumn : (place_.columns - 1.0) / 2.0);
    pose_.z = place_.zAt(options.startGiven ? options.startRow : (place_.rows - 1.0) / 2.0);
    pose_.heading = options.heading;
    pose_.pitch = options.pitch;
    controls_.heightAbove = options.height > 0.0 ? options.height : kStartHeightShare * diagonal_;
    controls_.speed = scripted_ ? options.flySpeed : kStartSpeedShare * diagonal_;
    if (scripted_) {
        camera_ = sceneManager_->addCameraSceneNode();
    } else {
        camera_ = sceneManager_->addCameraSceneNodeFPS(nullptr, kCameraRotateSpeed,
                                                       static_cast<float>(controls_.speed / kMillisecondsPerSecond),
                                                       -1, const_cast<irr::SKeyMap*>(kCameraKeys), kCameraKeyCount,
                                                       /*noVerticalMovement=*/true);
        animator_ = static_cast<irr::scene::ISceneNodeAnimatorCameraFPS*>(*camera_->getAnimators().begin());
        device_->getCursorControl()->setVisible(false);
    }
}

int Flight::run() {
    FrameLog log;
    if (!options_.frameLogPath.empty()) {
        if (const std::string problem = log.open(options_.frameLogPath); !problem.empty()) {
            std::cerr << "flyover: " << problem << std::endl;
            return 1;
        }
    }
    std::vector<double> frameMs;
    long triangles = 0;
    bool quit = false;
    placeCamera();   // where the animator starts from
    const auto scriptStep = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(kScriptStep));
    auto due = std::chrono::steady_clock::now();
    while (!quit && device_->run()) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = log.active() ? threadCpuMilliseconds() : 0.0;
        bool screenshot = false;
        // Moved by the script, or by the camera's animator now rather than while drawing, so
        // that the terrain is refined for the place it is drawn from.
        if (scripted_) {
            flyForward(pose_, controls_.speed * kScriptStep);
        } else {
            takeRequests(quit, screenshot);
            camera_->OnAnimate(device_->getTimer()->getTime());
            readPose(camera_, pose_);
        }
        const FrameView view = placeCamera();
        material_.Wireframe = controls_.wireframe;
        triangles = scenery_.addFrame(sceneManager_, view, material_);
        const std::string hud = hudFor(view, triangles);
        const bool last = scripted_ && static_cast<int>(frameMs.size()) + 1 == options_.frames;
        drawFrame(view, hud, screenshot, last);
        scenery_.removeFrame();
        showCaption(hud);
        frameMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (log.active())
            log.add({frameMs.back(), threadCpuMilliseconds() - cpuStart, triangles, scenery_.tilesHeld(),
                     scenery_.tilesLoaded(), scenery_.tileBytes()});
        if (last) break;
        if (options_.realTime) {
            // A frame that ran late starts the next one at once, without a burst to catch up.
            due = std::max(due + scriptStep, std::chrono::steady_clock::now());
            std::this_thread::sleep_until(due);
        }
    }
    if (const std::string problem = log.close(); !problem.empty()) {
        std::cerr << "flyover: " << problem << std::endl;
        return 1;
    }
    if (!scripted_) return 0;
    if (!screenshotProblem_.empty()) {
        std::cerr << "flyover: " << screenshotProblem_ << std::endl;
        return 1;
    }
    const double ground = scenery_.groundHeight(pose_.x, pose_.z) / look_.exaggeration;
    std::cout << summaryLine(static_cast<int>(frameMs.size()), triangles, ground, place_.columnAt(pose_.x),
                             place_.rowAt(pose_.z), summariseFrameTimes(frameMs))
              << std::endl;
    return 0;
}

void Flight::takeRequests(bool& quit, bool& screenshot) {
    const FlightRequests r = keys_.take();
    const double lowest = kLowestShare * diagonal_, highest = kHighestShare * diagonal_;
    Controls& c = controls_;
    c.speed = stepped(stepped(c.speed, r.speedSteps, false, lowest, highest), r.largeSpeedSteps, true, lowest, highest);
    c.heightAbove = stepped(stepped(c.heightAbove, r.heightSteps, false, lowest, highest), r.largeHeightSteps, true,
                            lowest, highest);
    if (r.toggleWireframe) c.wireframe = !c.wireframe;
    animator_->setMoveSpeed(static_cast<float>(c.speed / kMillisecondsPerSecond));
    quit = r.quit;
    screenshot = r.screenshot;
}

// Keeps the camera over the raster at its height above the ground there, looking along the
// pose; returns the view the terrain is drawn for.
FrameView Flight::placeCamera() {
    place_.clamp(pose_);
    const double ground = scenery_.groundHeight(pose_.x, pose_.z);
    FrameView view;
    view.direction = viewDirectionOf(pose_);
    view.eye = {pose_.x, ground + controls_.heightAbove, pose_.z};
    view.nearDistance = static_cast<float>(kNearShareOfHeight * controls_.heightAbove);
    view.farDistance = static_cast<float>(kFarFactor * (diagonal_ + controls_.heightAbove));
    const Direction& d = view.direction;
    camera_->setPosition(vectorOf(view.eye.x, view.eye.y, view.eye.z));
    camera_->updateAbsolutePosition();
    camera_->setTarget(vectorOf(view.eye.x + d.x, view.eye.y + d.y, view.eye.z + d.z));
    camera_->setNearValue(view.nearDistance);
    camera_->setFarValue(view.farDistance);
    view.fovDegrees = static_cast<float>(camera_->getFOV() * kDegreesPerRadian);
    view.aspect = camera_->getAspectRatio();
    return view;
}

std::string Flight::hudFor(const FrameView& view, long triangles) const {
    HudFacts facts;
    facts.position = look_.georeference.position(place_.columnAt(pose_.x), place_.rowAt(pose_.z));
    facts.ground = (view.eye.y - controls_.heightAbove) / look_.exaggeration;
    facts.aboveGround = controls_.heightAbove;
    facts.speed = controls_.speed;
    facts.metres = look_.georeference.kind() != elevation::Georeference::Kind::kNone;
    facts.fps = driver_->getFPS();
    facts.triangles = triangles;
    return hudLine(facts);
}

void Flight::drawFrame(const FrameView& view, const std::string& hud, bool screenshot, bool last) {
    driver_->setFog(kFlightSkyColour, irr::video::EFT_FOG_LINEAR, static_cast<float>(kFogStartShare * view.farDistance),
                    view.farDistance, 0.0f, /*pixelFog=*/true, /*rangeFog=*/false);
    driver_->beginScene(true, true, kFlightSkyColour);
    sceneManager_->drawAll();
    drawHud(driver_, device_->getGUIEnvironment()->getBuiltInFont(), hud);
    // Read back before the buffers swap, after which the picture is gone.
    if (last && !options_.screenshotPath.empty()) screenshotProblem_ = saveScreenshot(driver_, options_.screenshotPath);
    if (screenshot) {
        const std::string name = freeScreenshotName(".");
        const std::string problem = name.empty() ? "no free screenshot name in this folder" : saveScreenshot(driver_, name);
        if (problem.empty()) std::cout << "screenshot: " << name << std::endl;
        else std::cerr << "flyover: " << problem << std::endl;
    }
    driver_->endScene();
}

// The caption repeats the HUD, a few times a second at most.
void Flight::showCaption(const std::string& hud) {
    const irr::u32 now = device_->getTimer()->getRealTime();
    const std::string caption = "Vellorin: " + look_.name + "  " + hud;
    if (caption == caption_ || (!caption_.empty() && now - captionTime_ < kCaptionIntervalMs)) return;
    caption_ = caption;
    captionTime_ = now;
    device_->setWindowCaption(irr::core::stringw(caption.c_str()).c_str());
}

}  // namespace

irr::video::SMaterial groundMaterial(irr::video::ITexture* texture) {
    irr::video::SMaterial material;
    material.Lighting = false;
    material.FogEnable = true;
    material.setTexture(0, texture);
    material.TextureLayer[0].TextureWrapU = irr::video::ETC_CLAMP_TO_EDGE;
    material.TextureLayer[0].TextureWrapV = irr::video::ETC_CLAMP_TO_EDGE;
    material.TextureLayer[0].TrilinearFilter = true;
    return material;
}

int flightFailure(const std::string& message) {
    std::cerr << "flyover: " << message << std::endl;
    return 1;
}

std::string startOutside(const FlightOptions& options, const std::string& what, long columns, long rows) {
    if (!options.startGiven || (options.startColumn >= 0.0 && options.startRow >= 0.0 &&
                                options.startColumn <= columns - 1.0 && options.startRow <= rows - 1.0))
        return {};
    return "--at lies outside " + what + ", whose pixels run from 0,0 to " + std::to_string(columns - 1) + "," +
           std::to_string(rows - 1) + "; choose a pixel within";
}

bool FlightStage::open(const FlightOptions& options, const std::string& name, std::string& problem) {
    window_ = openFlightWindow(options, &keys_, problem);
    if (!window_) return false;
    loading_ = std::make_unique<LoadingScreen>(window_.get(), name);
    return true;
}

int fly(irr::IrrlichtDevice* device, FlightKeys& keys, Scenery& scenery, const FlightOptions& options,
        const FlightLook& look) {
    return Flight(device, keys, scenery, options, look).run();
}

}  // namespace flyover
