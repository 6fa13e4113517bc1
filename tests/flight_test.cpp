// True-scale flight in the process: options, camera, keys, HUD and summary lines, and a map
// of real heights drawn at their size.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/fan_bridge.h"
#include "app/flight_camera.h"
#include "app/flight_keys.h"
#include "app/flight_options.h"
#include "app/hud.h"
#include "app/map_scenery.h"
#include "app/scripted_summary.h"

namespace flyover {
namespace {

TEST(FlightOptions, TakesEveryOptionAndTheFile) {
    const FlightParse defaults = parseFlightOptions({"N48E009.hgt"});
    ASSERT_EQ(defaults.error, "");
    EXPECT_EQ(defaults.options.elevationPath, "N48E009.hgt");
    EXPECT_EQ(defaults.options.exaggeration, 1.0);
    EXPECT_FALSE(defaults.options.startGiven);
    EXPECT_EQ(defaults.options.frames, 0);
    EXPECT_EQ(defaults.options.driver, DriverChoice::kAny);

    const FlightParse all = parseFlightOptions(
        {"--exaggeration=2.5", "--texture", "t.png", "--band", "2", "--at", "600,-0.5", "--heading", "-90", "--pitch",
         "-30", "--height", "120", "dem.tif", "--frames", "30", "--fly", "250", "--screenshot", "s.png", "--driver",
         "software", "--window", "640x480", "--memory", "1024"});
    ASSERT_EQ(all.error, "");
    const FlightOptions& o = all.options;
    EXPECT_EQ(o.elevationPath, "dem.tif");
    EXPECT_EQ(o.exaggeration, 2.5);
    EXPECT_EQ(o.texturePath, "t.png");
    EXPECT_EQ(o.band, 2);
    EXPECT_TRUE(o.startGiven);
    EXPECT_EQ(o.startColumn, 600.0);
    EXPECT_EQ(o.startRow, -0.5);
    EXPECT_EQ(o.heading, -90.0);
    EXPECT_EQ(o.pitch, -30.0);
    EXPECT_EQ(o.height, 120.0);
    EXPECT_EQ(o.frames, 30);
    EXPECT_EQ(o.flySpeed, 250.0);
    EXPECT_EQ(o.screenshotPath, "s.png");
    EXPECT_EQ(o.driver, DriverChoice::kSoftware);
    EXPECT_EQ(o.windowWidth, 640u);
    EXPECT_EQ(o.windowHeight, 480u);
    EXPECT_EQ(o.memoryMegabytes, 1024);
    EXPECT_TRUE(parseFlightOptions({"--help"}).options.showHelp);
}

TEST(FlightOptions, EveryMistakeIsOneLineNamingTheOption) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{}, "no elevation file"},
        {{"a.tif", "b.tif"}, "'b.tif'"},
        {{"a.tif", "--exaggeration", "0"}, "--exaggeration must be"},
        {{"a.tif", "--exaggeration", "nan"}, "--exaggeration must be"},
        {{"a.tif", "--at", "600"}, "--at must be COLUMN,ROW"},
        {{"a.tif", "--at", "6,x"}, "--at must be COLUMN,ROW"},
        {{"a.tif", "--pitch", "90"}, "--pitch must be"},
        {{"a.tif", "--height", "-1"}, "--height must be"},
        {{"a.tif", "--frames", "0"}, "--frames must be"},
        {{"a.tif", "--frames", "3.5"}, "--frames must be"},
        {{"a.tif", "--driver", "vulkan"}, "--driver must be opengl, software or null"},
        {{"a.tif", "--window", "640"}, "--window must be"},
        {{"a.tif", "--band", "0"}, "--band must be"},
        {{"world", "--memory", "10"}, "--memory must be"},
        {{"a.tif", "--speed", "3"}, "unknown option '--speed'"},
        {{"a.tif", "--fly", "100"}, "--fly moves the camera in scripted mode only"},
        {{"a.tif", "--screenshot", "s.png"}, "add --frames N"},
        {{"a.tif", "--driver", "null"}, "--driver null draws nothing to fly by"},
        {{"a.tif", "--realtime"}, "--realtime paces scripted mode's frames"},
        {{"a.tif", "--frame-log", ""}, "--frame-log needs a file name"},
        {{"a.tif", "--driver", "null", "--frames", "3", "--screenshot", "s.png"}, "--driver null draws no pictures"},
    };
    for (const auto& [args, expected] : mistakes) {
        const std::string error = parseFlightOptions(args).error;
        EXPECT_NE(error.find(expected), std::string::npos) << expected << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(FlightCamera, HeadingsAreCompassBearingsOverXEastAndZNorth) {
    FlightPose pose;
    pose.heading = 90.0;
    Direction d = viewDirectionOf(pose);
    EXPECT_NEAR(d.x, 1.0, 1e-12);
    EXPECT_NEAR(d.z, 0.0, 1e-12);
    pose.heading = 0.0;
    pose.pitch = -30.0;
    d = viewDirectionOf(pose);
    EXPECT_NEAR(d.y, -0.5, 1e-12);
    EXPECT_NEAR(d.z, std::sqrt(0.75), 1e-12);

    FlightPose aimed;
    aimAlong(aimed, {-1.0, 1.0, 0.0});   // west, 45 degrees up
    EXPECT_NEAR(aimed.heading, -90.0, 1e-9);
    EXPECT_NEAR(aimed.pitch, 45.0, 1e-9);
    aimAlong(aimed, {0.0, 0.0, 0.0});    // no direction: unchanged
    EXPECT_NEAR(aimed.heading, -90.0, 1e-9);

    flyForward(aimed, 10.0);             // level, whatever the pitch
    EXPECT_NEAR(aimed.x, -10.0, 1e-9);
    EXPECT_NEAR(aimed.z, 0.0, 1e-9);
}

TEST(FlightCamera, StaysOverTheRasterAndStepsWithinLimits) {
    RasterPlacement place;
    place.x0 = -100.0, place.z0 = 50.0, place.xPerColumn = 2.0, place.zPerRow = -3.0;
    place.columns = 11.0, place.rows = 6.0;
    EXPECT_DOUBLE_EQ(place.xAt(10.0), -80.0);
    EXPECT_DOUBLE_EQ(place.rowAt(35.0), 5.0);
    EXPECT_DOUBLE_EQ(place.diagonal(), std::hypot(20.0, 15.0));
    FlightPose pose;
    pose.x = 1000.0, pose.z = 40.0;
    place.clamp(pose);
    EXPECT_DOUBLE_EQ(pose.x, -80.0);   // the east edge
    EXPECT_DOUBLE_EQ(pose.z, 40.0);    // inside already

    EXPECT_DOUBLE_EQ(stepped(100.0, 2, false, 1.0, 1000.0), 156.25);
    EXPECT_DOUBLE_EQ(stepped(100.0, -1, true, 1.0, 1000.0), 10.0);
    EXPECT_DOUBLE_EQ(stepped(100.0, 2, true, 1.0, 1000.0), 1000.0);
}

irr::SEvent keyEvent(irr::EKEY_CODE key, bool shift = false, bool down = true) {
    irr::SEvent event;
    event.EventType = irr::EET_KEY_INPUT_EVENT;
    event.KeyInput.Key = key;
    event.KeyInput.Char = 0;
    event.KeyInput.PressedDown = down;
    event.KeyInput.Shift = shift;
    event.KeyInput.Control = false;
    return event;
}

TEST(FlightKeys, SpeedHeightWireframeScreenshotAndQuit) {
    FlightKeys keys;
    EXPECT_TRUE(keys.OnEvent(keyEvent(irr::KEY_PLUS)));
    EXPECT_TRUE(keys.OnEvent(keyEvent(irr::KEY_ADD, /*shift=*/true)));
    EXPECT_TRUE(keys.OnEvent(keyEvent(irr::KEY_MINUS)));
    EXPECT_TRUE(keys.OnEvent(keyEvent(irr::KEY_MINUS, false, /*down=*/false)));   // releases count nothing
    EXPECT_TRUE(keys.OnEvent(keyEvent(irr::KEY_PRIOR)));
    EXPECT_TRUE(keys.OnEvent(keyEvent(irr::KEY_NEXT, true)));
    EXPECT_TRUE(keys.OnEvent(keyEvent(irr::KEY_TAB)));
    EXPECT_TRUE(keys.OnEvent(keyEvent(irr::KEY_F12)));
    irr::SEvent wheel;
    wheel.EventType = irr::EET_MOUSE_INPUT_EVENT;
    wheel.MouseInput = {};
    wheel.MouseInput.Event = irr::EMIE_MOUSE_WHEEL;
    wheel.MouseInput.Wheel = -1.0f;
    EXPECT_TRUE(keys.OnEvent(wheel));
    // The camera's own keys pass on.
    EXPECT_FALSE(keys.OnEvent(keyEvent(irr::KEY_UP)));
    EXPECT_FALSE(keys.OnEvent(keyEvent(irr::KEY_KEY_W)));

    FlightRequests r = keys.take();
    EXPECT_EQ(r.speedSteps, -1);        // +, -, wheel down
    EXPECT_EQ(r.largeSpeedSteps, 1);
    EXPECT_EQ(r.heightSteps, 1);
    EXPECT_EQ(r.largeHeightSteps, -1);
    EXPECT_TRUE(r.toggleWireframe);
    EXPECT_TRUE(r.screenshot);
    EXPECT_FALSE(r.quit);
    keys.OnEvent(keyEvent(irr::KEY_ESCAPE));
    r = keys.take();
    EXPECT_TRUE(r.quit);
    EXPECT_FALSE(r.screenshot);        // taken before
}

TEST(FlightLines, HudAndSummarySayWhereAndHowFast) {
    HudFacts facts;
    facts.position = "48.50000N 9.50000E";
    facts.ground = 748.0, facts.aboveGround = 445.3, facts.speed = 2.25, facts.fps = 60, facts.triangles = 6002;
    EXPECT_EQ(hudLine(facts),
              "48.50000N 9.50000E  ground 748 m  above ground 445 m  speed 2.2 m/s  60 fps  6002 triangles");
    facts.metres = false;
    EXPECT_NE(hudLine(facts).find("ground 748 units"), std::string::npos);

    const FrameTimes times = summariseFrameTimes({4.0, 1.0, 3.0, 2.0, 100.0, 5.0});
    EXPECT_DOUBLE_EQ(times.median, 3.5);
    EXPECT_DOUBLE_EQ(times.p99, 100.0);
    std::vector<double> hundred;
    for (int k = 1; k <= 100; ++k) hundred.push_back(k);
    EXPECT_DOUBLE_EQ(summariseFrameTimes(hundred).p99, 99.0);
    EXPECT_EQ(summaryLine(30, 6002, 748.0, 600.0, 599.5, {0.59, 1.8}),
              "frames=30 triangles=6002 ground_m=748.00 at=600.00,599.50 frame_ms_median=0.590 frame_ms_p99=1.800");
}

// A raster of 7 x 4 samples, 30 m apart east-west and 45 m north-south.
elevation::HeightGrid rasterOf(float (*height)(int, int)) {
    elevation::HeightGrid grid{7, 4, {}};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 7; ++column) grid.values.push_back(height(column, row));
    return grid;
}

elevation::HeightSummary summaryOf(const elevation::HeightGrid& grid) {
    elevation::HeightSummary s;
    s.lowest = *std::min_element(grid.values.begin(), grid.values.end());
    s.highest = *std::max_element(grid.values.begin(), grid.values.end());
    s.wholeNumbers = std::all_of(grid.values.begin(), grid.values.end(), [](float v) { return v == std::round(v); });
    return s;
}

TEST(MapScenery, EverySampleStandsWhereItsPixelIsAtItsHeightTimesTheExaggeration) {
    const elevation::HeightGrid heights = rasterOf([](int c, int r) { return 100.0f * c - 7.0f * r; });
    MapScenery map(heights, summaryOf(heights), 1, 30.0, 45.0, 3.0);
    EXPECT_TRUE(map.sixteenBit());
    EXPECT_EQ(map.mapSide(), 9);
    const RasterPlacement& place = map.placement();
    EXPECT_DOUBLE_EQ(place.xAt(6) - place.xAt(0), 180.0);
    EXPECT_DOUBLE_EQ(place.zAt(0) - place.zAt(3), 135.0);   // row 0 lies north
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 7; ++column)
            EXPECT_NEAR(map.groundHeight(place.xAt(column), place.zAt(row)), 3.0f * heights.at(column, row), 1e-3)
                << column << "," << row;
    // Between samples the ground is the surface between them.
    EXPECT_NEAR(map.groundHeight(place.xAt(2.5), place.zAt(1)), 3.0f * (250.0f - 7.0f), 1e-3);
}

TEST(MapScenery, HeightsSixteenBitsCannotHoldFlyAsFloats) {
    const std::vector<std::pair<float (*)(int, int), const char*>> cases = {
        {[](int c, int r) { return 0.25f * c + r; }, "fractions"},
        {[](int c, int) { return c < 3 ? 0.0f : 40000.0f; }, "beyond 16 bits"},
        {[](int c, int) { return c < 3 ? -20000.0f : 20000.0f; }, "a span of 40000"},
    };
    for (const auto& [height, what] : cases) {
        const elevation::HeightGrid heights = rasterOf(height);
        MapScenery map(heights, summaryOf(heights), 1, 1.0, 1.0, 1.0);
        EXPECT_FALSE(map.sixteenBit()) << what;
        const RasterPlacement& place = map.placement();
        EXPECT_EQ(map.groundHeight(place.xAt(5), place.zAt(2)), heights.at(5, 2)) << what;
    }
}

TEST(MapScenery, TheTextureCoversTheRasterNorthUpAndNotItsPadding) {
    const elevation::HeightGrid heights = rasterOf([](int, int) { return 5.0f; });
    MapScenery map(heights, summaryOf(heights), 2, 10.0, 10.0, 1.0);
    irr::IrrlichtDevice* device = irr::createDevice(irr::video::EDT_NULL);
    device->getLogger()->setLogLevel(irr::ELL_NONE);
    FrameView view;
    view.eye = {0.0, 500.0, 0.0};
    view.direction = {0.0, -1.0, 0.001};
    view.fovDegrees = 60.0f;
    view.nearDistance = 1.0f;
    view.farDistance = 5000.0f;
    irr::scene::ISceneManager* scene = device->getSceneManager();
    ASSERT_GT(map.addFrame(scene, view, irr::video::SMaterial()), 0);
    auto* node = static_cast<irr::scene::IAnimatedMeshSceneNode*>(*scene->getRootSceneNode()->getChildren().begin());
    irr::scene::IMeshBuffer* buffer = node->getMesh()->getMesh(0)->getMeshBuffer(0);
    const auto* vertices = static_cast<const irr::video::S3DVertex*>(buffer->getVertices());
    // Pixel (column, row) of the raster, every second one a sample, has texture coordinates
    // (column / 12, row / 6); the padding beyond lies outside 0..1.
    const RasterPlacement& place = map.placement();
    EXPECT_DOUBLE_EQ(place.columns, 13.0);
    EXPECT_DOUBLE_EQ(place.rows, 7.0);
    int corners = 0, padding = 0;
    for (irr::u32 v = 0; v < buffer->getVertexCount(); ++v) {
        const irr::video::S3DVertex& vertex = vertices[v];
        const double column = place.columnAt(vertex.Pos.X), row = place.rowAt(vertex.Pos.Z);
        if (vertex.TCoords.X > 1.0f || vertex.TCoords.Y > 1.0f) {
            ++padding;
            continue;
        }
        EXPECT_NEAR(vertex.TCoords.X, column / 12.0, 1e-5);
        EXPECT_NEAR(vertex.TCoords.Y, row / 6.0, 1e-5);
        corners += (column < 1e-3 || column > 11.999) && (row < 1e-3 || row > 5.999);
    }
    EXPECT_GT(corners, 0);
    EXPECT_GT(padding, 0);
    map.removeFrame();
    device->drop();
}

}  // namespace
}  // namespace flyover
