// The fly-over's command line for flying an elevation file or a world folder at true scale.
#pragma once

#include <string>
#include <vector>

namespace flyover {

enum class DriverChoice { kAny, kOpenGl, kSoftware, kNull };

struct FlightOptions {
    std::string elevationPath;
    std::string texturePath;        // empty: coloured by height and shaded
    int band = 1;                   // GDAL counts bands from 1
    double exaggeration = 1.0;
    bool startGiven = false;        // --at; otherwise the raster's centre
    double startColumn = 0.0, startRow = 0.0;
    double heading = 0.0;           // degrees: 0 north, 90 east
    double pitch = -15.0;           // degrees: 0 level, negative down
    double height = 0.0;            // above the ground at start; 0: suited to the raster's size
    int frames = 0;                 // scripted mode's frame count; 0: fly by hand until Esc
    double flySpeed = 0.0;          // scripted mode's forward speed
    std::string screenshotPath;     // scripted mode's last frame
    bool realTime = false;          // scripted frames 1/30 s apart on the clock too
    std::string frameLogPath;       // each frame's time, memory and tiles, as CSV
    DriverChoice driver = DriverChoice::kAny;
    unsigned windowWidth = 1024, windowHeight = 768;
    int memoryMegabytes = 512;      // a world's tiles held at once
    bool showHelp = false;
};

struct FlightParse {
    FlightOptions options;
    std::string error;   // one line for the user; empty on success
};

// Parses the arguments (without the program name): "--name value" or "--name=value" and the
// elevation file. Ranges that need the raster (--at) are checked when it is read.
FlightParse parseFlightOptions(const std::vector<std::string>& args);

// Every option and key.
std::string flightUsageText();

}  // namespace flyover
