#include "app/file_flight.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "app/device.h"
#include "app/flight.h"
#include "app/flight_keys.h"
#include "app/loading_screen.h"
#include "app/map_scenery.h"
#include "app/terrain_texture.h"
#include "elevation/height_holes.h"
#include "elevation/raster_source.h"
#include "elevation/relief_shading.h"

namespace flyover {

namespace {

// The generated texture: two pixels a sample, up to the size every driver takes.
constexpr int kTexturePixelsPerSample = 2;
constexpr int kMaxTextureSide = 4096;
constexpr double kFootMetres = 0.3048;
constexpr double kUsSurveyFootMetres = 1200.0 / 3937.0;

int fail(const std::string& message) {
    std::cerr << "flyover: " << message << std::endl;
    return 1;
}

// Metres per height unit of a band's unit; heights without one are taken as metres.
double metresPerHeightUnit(std::string unit) {
    std::transform(unit.begin(), unit.end(), unit.begin(), [](unsigned char c) { return std::tolower(c); });
    if (unit == "ft" || unit == "foot" || unit == "feet" || unit == "international foot") return kFootMetres;
    if (unit == "us survey foot" || unit == "ftus" || unit == "us_survey_foot") return kUsSurveyFootMetres;
    return 1.0;
}

// Raster pixels between the samples flown: every one where the map holds them all.
int stepFor(int width, int height) {
    const int side = std::max(width, height);
    return std::max(1, (side - 1 + kMaxMapSide - 2) / (kMaxMapSide - 1));
}

int textureSide(int samples) { return std::clamp((samples - 1) * kTexturePixelsPerSample, 2, kMaxTextureSide); }

std::string sideText(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

}  // namespace

int flyElevationFile(const FlightOptions& options) {
    const std::string& path = options.elevationPath;
    const std::string name = std::filesystem::path(path).filename().string();
    elevation::RasterSource source;
    if (const std::string problem = source.open(path, options.band); !problem.empty()) return fail(problem);
    const elevation::Georeference& georeference = source.georeference();
    const double columnSpacing = georeference.columnSpacing(), rowSpacing = georeference.rowSpacing();
    if (!(columnSpacing > 0.0 && rowSpacing > 0.0 && std::isfinite(columnSpacing) && std::isfinite(rowSpacing)))
        return fail("'" + path + "' has a georeference whose cells have no size (" + georeference.summary() +
                    "); fix the file's georeference");
    if (options.startGiven && !(options.startColumn >= 0.0 && options.startRow >= 0.0 &&
                                options.startColumn <= source.width() - 1.0 && options.startRow <= source.height() - 1.0))
        return fail("--at lies outside '" + path + "', whose pixels run from 0,0 to " +
                    std::to_string(source.width() - 1) + "," + std::to_string(source.height() - 1) +
                    "; choose a pixel within");
    elevation::RgbImage userTexture;
    if (!options.texturePath.empty()) {
        if (const std::string problem = elevation::readImageFile(options.texturePath, kTextureLimits, userTexture);
            !problem.empty())
            return fail("texture '" + options.texturePath + "' " + problem);
    }

    FlightKeys keys;
    irr::IrrlichtDevice* device =
        createFlightDevice(options.driver, options.windowWidth, options.windowHeight, &keys);
    if (!device)
        return fail("cannot open a " + std::to_string(options.windowWidth) + "x" +
                    std::to_string(options.windowHeight) +
                    " window with the chosen renderer; run it on a desktop or under an X server (is DISPLAY set?), "
                    "or choose another --driver");
    // Everything drawn into the device goes before it.
    std::unique_ptr<irr::IrrlichtDevice, void (*)(irr::IrrlichtDevice*)> deviceOwner(
        device, [](irr::IrrlichtDevice* d) { d->drop(); });
    LoadingScreen loading(device, name);

    // The heights, every step-th sample where the raster is larger than a map holds.
    const int step = stepFor(source.width(), source.height());
    const elevation::RasterWindow window{0, 0, source.width(), source.height(), step};
    elevation::HeightGrid heights;
    {
        elevation::HoleMask holes;
        loading.show("reading heights");
        {
            elevation::Progress progress(std::cout, "reading " + name);
            if (const std::string problem = source.read(window, heights, holes, &progress); !problem.empty())
                return fail(problem);
        }
        loading.show("filling holes");
        elevation::HeightSummary summary;
        std::string problem;
        bool repaired = false;
        {
            elevation::Progress progress(std::cout, "filling holes");
            repaired = elevation::repairHeights(heights, holes, summary, problem);
        }
        if (!repaired)
            return fail("band " + std::to_string(options.band) + " of '" + path + "' " + problem +
                        "; choose another --band or another file");
        if (source.rotated())
            std::cerr << "flyover: warning: '" << path
                      << "' has a rotated georeference; it is flown as stored, so north may not be up" << std::endl;
        const std::string unit = source.unit().empty() ? "" : " " + source.unit();
        std::cout << name << ": " << sideText(source.width(), source.height()) << " samples (" << source.driver()
                  << "), heights " << summary.lowest << unit << " .. " << summary.highest << unit << ", "
                  << summary.holes << " no-data samples filled" << std::endl;
        std::cout << georeference.summary()
                  << (georeference.kind() == elevation::Georeference::Kind::kNone
                          ? " (--exaggeration scales the heights to the ground)"
                          : "")
                  << std::endl;
        if (step > 1)
            std::cout << "too large for one map: flown at one sample in " << step << " along each side, "
                      << sideText(window.columnsRead(), window.rowsRead()) << std::endl;

        loading.show("building the terrain map");
        const double verticalMetres = metresPerHeightUnit(source.unit());
        std::unique_ptr<MapScenery> scenery;
        {
            elevation::Progress progress(std::cout, "building the terrain map");
            scenery = std::make_unique<MapScenery>(heights, summary, step, columnSpacing, rowSpacing,
                                                   options.exaggeration * verticalMetres);
        }
        std::cout << "map: " << sideText(scenery->mapSide(), scenery->mapSide())
                  << (scenery->sixteenBit() ? " 16-bit" : " float") << " samples" << std::endl;

        FlightLook look;
        look.name = name;
        look.georeference = georeference;
        look.exaggeration = options.exaggeration * verticalMetres;
        irr::video::IVideoDriver* driver = device->getVideoDriver();
        if (userTexture.pixels.empty()) {
            loading.show("colouring the texture");
            elevation::ReliefLook relief;
            relief.columnSpacing = columnSpacing * step / verticalMetres;
            relief.rowSpacing = rowSpacing * step / verticalMetres;
            relief.exaggeration = options.exaggeration;
            // Heights of unknown units on a raster without a georeference: their range spans the tints.
            const bool unknownUnits = georeference.kind() == elevation::Georeference::Kind::kNone && unit.empty();
            relief.metresPerUnit = unknownUnits && summary.highest > 0.0f ? elevation::kSnowHeight / summary.highest
                                                                          : verticalMetres;
            elevation::Progress progress(std::cout, "colouring the texture");
            userTexture = elevation::shadeRelief(heights, relief, textureSide(heights.width),
                                                 textureSide(heights.height), &progress);
        }
        heights = elevation::HeightGrid();
        loading.show("making the texture");
        irr::video::ITexture* texture = nullptr;
        {
            elevation::Progress progress(std::cout, "making the texture");
            texture = makeTexture(driver, name.c_str(), userTexture);
        }
        if (!texture && options.driver != DriverChoice::kNull)
            return fail("the video driver cannot make a texture of " + sideText(userTexture.width, userTexture.height) +
                        " pixels; use a smaller --texture");
        userTexture = elevation::RgbImage();
        look.material.Lighting = false;
        look.material.FogEnable = true;
        look.material.setTexture(0, texture);
        // Beyond the raster, in the padding, the texture's edge.
        look.material.TextureLayer[0].TextureWrapU = irr::video::ETC_CLAMP_TO_EDGE;
        look.material.TextureLayer[0].TextureWrapV = irr::video::ETC_CLAMP_TO_EDGE;
        look.material.TextureLayer[0].TrilinearFilter = true;
        return fly(device, keys, *scenery, options, look);
    }
}

}  // namespace flyover
