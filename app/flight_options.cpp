#include "app/flight_options.h"

#include <cmath>
#include <cstdlib>

#include "elevation/command_line.h"

namespace flyover {

namespace {

// A world's tiles in memory: room for its coarse levels at least, and no more than a machine has.
constexpr int kMinMemory = 64;
constexpr int kMaxMemory = 1 << 20;
const char* const kHelpHint = "run flyover --help for usage";
constexpr double kMaxExaggeration = 1000.0;
constexpr double kMaxPitch = 89.0;
constexpr int kMaxFrames = 10'000'000;
constexpr unsigned kMinWindowSide = 64, kMaxWindowSide = 16384;

// A whole-string decimal number, finite.
bool parseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

std::string numberProblem(const std::string& option, const std::string& text, const char* range,
                          const char* example) {
    return option + " must be " + range + ", got '" + text + "'; e.g. " + option + " " + example;
}

bool parsePair(const std::string& text, double& first, double& second) {
    const std::size_t comma = text.find(',');
    return comma != std::string::npos && parseNumber(text.substr(0, comma), first) &&
           parseNumber(text.substr(comma + 1), second);
}

std::string parseDriver(const std::string& text, DriverChoice& driver) {
    if (text == "opengl") driver = DriverChoice::kOpenGl;
    else if (text == "software") driver = DriverChoice::kSoftware;
    else if (text == "null") driver = DriverChoice::kNull;
    else return "--driver must be opengl, software or null, got '" + text + "'";
    return {};
}

std::string parseWindow(const std::string& text, FlightOptions& o) {
    const std::size_t x = text.find('x');
    unsigned width = 0, height = 0;
    if (x != std::string::npos && elevation::parseWholeNumber(text.substr(0, x), width) &&
        elevation::parseWholeNumber(text.substr(x + 1), height) && width >= kMinWindowSide &&
        height >= kMinWindowSide && width <= kMaxWindowSide && height <= kMaxWindowSide) {
        o.windowWidth = width;
        o.windowHeight = height;
        return {};
    }
    return "--window must be WIDTHxHEIGHT, each 64 to 16384 pixels, got '" + text + "'; e.g. --window 1280x720";
}

std::string parseOption(const std::string& name, const std::string& value, FlightOptions& o) {
    double number = 0.0;
    if (name == "--texture") {
        if (value.empty()) return "--texture needs a file name; " + std::string(kHelpHint);
        o.texturePath = value;
    } else if (name == "--band") {
        if (!elevation::parseWholeNumber(value, o.band) || o.band < 1)
            return numberProblem(name, value, "a whole number from 1 (the first band)", "1");
    } else if (name == "--exaggeration") {
        if (!parseNumber(value, number) || !(number > 0.0) || number > kMaxExaggeration)
            return numberProblem(name, value, "a number above 0 and at most 1000", "2");
        o.exaggeration = number;
    } else if (name == "--at") {
        if (!parsePair(value, o.startColumn, o.startRow))
            return "--at must be COLUMN,ROW in the raster's pixels, got '" + value + "'; e.g. --at 600,600";
        o.startGiven = true;
    } else if (name == "--heading") {
        if (!parseNumber(value, o.heading)) return numberProblem(name, value, "a number of degrees", "90");
    } else if (name == "--pitch") {
        if (!parseNumber(value, o.pitch) || std::fabs(o.pitch) > kMaxPitch)
            return numberProblem(name, value, "a number of degrees from -89 to 89", "-30");
    } else if (name == "--height") {
        if (!parseNumber(value, o.height) || !(o.height > 0.0))
            return numberProblem(name, value, "a height above the ground above 0", "500");
    } else if (name == "--frames") {
        if (!elevation::parseWholeNumber(value, o.frames) || o.frames < 1 || o.frames > kMaxFrames)
            return numberProblem(name, value, "a whole number from 1 to 10000000", "300");
    } else if (name == "--fly") {
        if (!parseNumber(value, o.flySpeed)) return numberProblem(name, value, "a speed in metres per second", "250");
    } else if (name == "--screenshot") {
        if (value.empty()) return "--screenshot needs a file name; " + std::string(kHelpHint);
        o.screenshotPath = value;
    } else if (name == "--driver") {
        return parseDriver(value, o.driver);
    } else if (name == "--frame-log") {
        if (value.empty()) return "--frame-log needs a file name; " + std::string(kHelpHint);
        o.frameLogPath = value;
    } else if (name == "--memory") {
        if (!elevation::parseWholeNumber(value, o.memoryMegabytes) || o.memoryMegabytes < kMinMemory ||
            o.memoryMegabytes > kMaxMemory)
            return numberProblem(name, value, "a whole number of megabytes from 64 to 1048576", "1024");
    } else {
        return parseWindow(value, o);
    }
    return {};
}

// What the options ask for that cannot be done together.
std::string conflict(const FlightOptions& o) {
    if (o.frames == 0) {
        if (o.flySpeed != 0.0) return "--fly moves the camera in scripted mode only; add --frames N";
        if (!o.screenshotPath.empty()) return "--screenshot saves the last frame of scripted mode; add --frames N "
                                              "(or press F12 while flying)";
        if (o.driver == DriverChoice::kNull) return "--driver null draws nothing to fly by; add --frames N";
        if (o.realTime) return "--realtime paces scripted mode's frames; add --frames N";
    }
    if (o.driver == DriverChoice::kNull && !o.screenshotPath.empty())
        return "--driver null draws no pictures, so --screenshot has nothing to save; use --driver opengl or software";
    return {};
}

}  // namespace

FlightParse parseFlightOptions(const std::vector<std::string>& args) {
    FlightParse result;
    FlightOptions& o = result.options;
    const elevation::ScanResult scan = elevation::scanCommandLine(
        args,
        {"--texture", "--band", "--exaggeration", "--at", "--heading", "--pitch", "--height", "--frames", "--fly",
         "--screenshot", "--driver", "--window", "--memory", "--frame-log"},
        {"--realtime"}, kHelpHint);
    result.error = scan.error;
    for (const elevation::CommandLineItem& item : scan.items) {
        if (!result.error.empty()) break;
        if (!item.isOption) {
            if (o.elevationPath.empty()) {
                o.elevationPath = item.name;
            } else {
                result.error = "unexpected second elevation file '" + item.name + "' after '" + o.elevationPath +
                               "'; fly one file at a time";
            }
        } else if (item.name == "--help") {
            o.showHelp = true;
        } else if (item.name == "--realtime") {
            o.realTime = true;
        } else {
            result.error = parseOption(item.name, item.value, o);
        }
    }
    if (result.error.empty() && !o.showHelp) {
        if (o.elevationPath.empty())
            result.error = "no elevation file given; pass one, e.g. flyover N48E009.hgt (" + std::string(kHelpHint) + ")";
        else
            result.error = conflict(o);
    }
    return result;
}

std::string flightUsageText() {
    return "usage: flyover                         fly the sample (ZovoDiVuviMap.bmp and zovodivuvi.jpg here)\n"
           "       flyover [OPTIONS] ELEVATION_FILE\n"
           "       flyover [OPTIONS] WORLD_FOLDER    (made by dem_to_world)\n"
           "\n"
           "Flies over any elevation raster GDAL reads (GeoTIFF, SRTM .hgt, 16-bit PNG, Arc/Info\n"
           "ASCII grid .asc, ...) at true scale: heights in the file's units (metres), spaced as\n"
           "its georeference says (one unit per pixel without one). No-data samples are filled\n"
           "from their neighbours; a raster of more than 8193 samples a side is read at every\n"
           "2nd, 3rd, ... sample. A world folder is flown tile by tile, loaded around the camera.\n"
           "\n"
           "  --exaggeration X   heights drawn X times as tall (default: 1)\n"
           "  --texture FILE     drape a BMP, PNG or JPEG image over the raster, north up (default:\n"
           "                     coloured by height, with hill shading)\n"
           "  --band K           which band of the raster holds the heights (default: 1)\n"
           "  --window WxH       window size in pixels (default: 1024x768)\n"
           "  --at COL,ROW       start over this pixel of the raster (default: its centre); in a\n"
           "                     world, a pixel of its finest level\n"
           "  --memory MB        a world's tiles held in memory at once (default: 512)\n"
           "  --heading DEG      start looking this way: 0 north, 90 east (default: 0)\n"
           "  --pitch DEG        start looking up (positive) or down (negative) (default: -15)\n"
           "  --height M         start this high above the ground (default: suited to the map)\n"
           "  --frame-log FILE   write each frame's time, memory and tiles to FILE as CSV\n"
           "  --help             show this text\n"
           "\n"
           "Scripted mode, for tests and benchmarks:\n"
           "  --frames N         draw N frames, 1/30 s apart, then exit; the last line printed is\n"
           "                     frames=N triangles=T ground_m=G at=COL,ROW frame_ms_median=A frame_ms_p99=B\n"
           "                     (ground_m: the ground under the camera in the file's units;\n"
           "                     at: where the camera ended, in the raster's pixels)\n"
           "  --fly MPS          fly forward along the heading at this speed during the frames\n"
           "  --screenshot FILE  save the last frame (.png, .bmp or .jpg)\n"
           "  --driver NAME      opengl, software or null (draws nothing; with --frames only)\n"
           "  --realtime         keep the frames 1/30 s apart on the clock too, as in a real flight\n"
           "\n"
           "Keys:\n"
           "  mouse              look around\n"
           "  arrows, W A S D    fly forward, back and sideways\n"
           "  + / - , wheel      faster / slower (with Shift: 10 times)\n"
           "  Page Up / Down     higher / lower above the ground (with Shift: 10 times)\n"
           "  Tab                wireframe on / off\n"
           "  F12                save a screenshot (its name is printed)\n"
           "  Esc                quit\n"
           "\n"
           "examples:\n"
           "  flyover N48E009.hgt\n"
           "  flyover coast.tif --exaggeration 2 --texture photo.jpg\n"
           "  flyover N48E009.hgt --frames 300 --fly 250 --heading 90 --screenshot east.png\n";
}

}  // namespace flyover
