#include "app/file_flight.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "app/flight.h"
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

// The raster's heights as flown: every step-th sample, holes filled.
struct FlownHeights {
    elevation::HeightGrid heights;
    elevation::HeightSummary summary;
    int step = 1;
};

// Reads and repairs the heights, saying what they are on the console; returns an empty
// string or the one-line problem.
std::string readHeights(const elevation::RasterSource& source, const FlightOptions& options, LoadingScreen& loading,
                        FlownHeights& flown) {
    const std::string name = std::filesystem::path(options.elevationPath).filename().string();
    flown.step = stepFor(source.width(), source.height());
    const elevation::RasterWindow window{0, 0, source.width(), source.height(), flown.step};
    elevation::HoleMask holes;
    loading.show("reading heights");
    {
        elevation::Progress progress(std::cout, "reading " + name);
        if (std::string problem = source.read(window, flown.heights, holes, &progress); !problem.empty())
            return problem;
    }
    loading.show("filling holes");
    std::string problem;
    {
        elevation::Progress progress(std::cout, "filling holes");
        if (!elevation::repairHeights(flown.heights, holes, flown.summary, problem))
            return "band " + std::to_string(options.band) + " of '" + options.elevationPath + "' " + problem +
                   "; choose another --band or another file";
    }
    if (source.rotated())
        std::cerr << "flyover: warning: '" << options.elevationPath
                  << "' has a rotated georeference; it is flown as stored, so north may not be up" << std::endl;
    const elevation::Georeference& georeference = source.georeference();
    const std::string unit = source.unit().empty() ? "" : " " + source.unit();
    std::cout << name << ": " << sideText(source.width(), source.height()) << " samples (" << source.driver()
              << "), heights " << flown.summary.lowest << unit << " .. " << flown.summary.highest << unit << ", "
              << flown.summary.holes << " no-data samples filled" << std::endl;
    std::cout << georeference.summary()
              << (georeference.kind() == elevation::Georeference::Kind::kNone
                      ? " (--exaggeration scales the heights to the ground)"
                      : "")
              << std::endl;
    if (flown.step > 1)
        std::cout << "too large for one map: flown at one sample in " << flown.step << " along each side, "
                  << sideText(window.columnsRead(), window.rowsRead()) << std::endl;
    return {};
}

// The ground coloured by height and hill-shaded, for a flight without a texture of its own.
elevation::RgbImage reliefTexture(const FlownHeights& flown, const elevation::RasterSource& source,
                                  double exaggeration, double verticalMetres) {
    const elevation::Georeference& georeference = source.georeference();
    elevation::ReliefLook relief;
    relief.columnSpacing = georeference.columnSpacing() * flown.step / verticalMetres;
    relief.rowSpacing = georeference.rowSpacing() * flown.step / verticalMetres;
    relief.exaggeration = exaggeration;
    // Heights of unknown units on a raster without a georeference: their range spans the tints.
    const bool unknownUnits = georeference.kind() == elevation::Georeference::Kind::kNone && source.unit().empty();
    relief.metresPerUnit = unknownUnits && flown.summary.highest > 0.0f
                               ? elevation::kSnowHeight / flown.summary.highest
                               : verticalMetres;
    elevation::Progress progress(std::cout, "colouring the texture");
    return elevation::shadeRelief(flown.heights, relief, textureSide(flown.heights.width),
                                  textureSide(flown.heights.height), &progress);
}

}  // namespace

int flyElevationFile(const FlightOptions& options) {
    const std::string& path = options.elevationPath;
    const std::string name = std::filesystem::path(path).filename().string();
    elevation::RasterSource source;
    if (const std::string problem = source.open(path, options.band); !problem.empty()) return flightFailure(problem);
    const elevation::Georeference& georeference = source.georeference();
    const double columnSpacing = georeference.columnSpacing(), rowSpacing = georeference.rowSpacing();
    if (!(columnSpacing > 0.0 && rowSpacing > 0.0 && std::isfinite(columnSpacing) && std::isfinite(rowSpacing)))
        return flightFailure("'" + path + "' has a georeference whose cells have no size (" + georeference.summary() +
                             "); fix the file's georeference");
    if (const std::string problem = startOutside(options, "'" + path + "'", source.width(), source.height());
        !problem.empty())
        return flightFailure(problem);
    elevation::RgbImage texture;
    if (!options.texturePath.empty()) {
        if (const std::string problem = elevation::readImageFile(options.texturePath, kTextureLimits, texture);
            !problem.empty())
            return flightFailure("texture '" + options.texturePath + "' " + problem);
    }

    FlightStage stage;
    if (std::string problem; !stage.open(options, name, problem)) return flightFailure(problem);
    irr::IrrlichtDevice* device = stage.device();
    LoadingScreen& loading = stage.loading();
    FlownHeights flown;
    if (const std::string problem = readHeights(source, options, loading, flown); !problem.empty())
        return flightFailure(problem);

    loading.show("building the terrain map");
    const double verticalMetres = metresPerHeightUnit(source.unit());
    const double exaggeration = options.exaggeration * verticalMetres;
    std::unique_ptr<MapScenery> scenery;
    {
        elevation::Progress progress(std::cout, "building the terrain map");
        scenery = std::make_unique<MapScenery>(flown.heights, flown.summary, flown.step, columnSpacing, rowSpacing,
                                               exaggeration);
    }
    std::cout << "map: " << sideText(scenery->mapSide(), scenery->mapSide())
              << (scenery->sixteenBit() ? " 16-bit" : " float") << " samples" << std::endl;
    if (texture.pixels.empty()) {
        loading.show("colouring the texture");
        texture = reliefTexture(flown, source, options.exaggeration, verticalMetres);
    }
    flown = FlownHeights();
    loading.show("making the texture");
    irr::video::ITexture* groundTexture = nullptr;
    {
        elevation::Progress progress(std::cout, "making the texture");
        groundTexture = makeTexture(device->getVideoDriver(), name.c_str(), texture);
    }
    if (!groundTexture && options.driver != DriverChoice::kNull)
        return flightFailure("the video driver cannot make a texture of " + sideText(texture.width, texture.height) +
                             " pixels; use a smaller --texture");
    texture = elevation::RgbImage();

    FlightLook look;
    look.name = name;
    look.georeference = georeference;
    look.exaggeration = exaggeration;
    look.material = groundMaterial(groundTexture);
    return fly(device, stage.keys(), *scenery, options, look);
}

}  // namespace flyover
