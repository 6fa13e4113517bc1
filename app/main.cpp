// The fly-over: without arguments, the sample terrain from the working directory; with an
// elevation file or a world folder, that place at true scale.
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "app/file_flight.h"
#include "app/flight_options.h"
#include "app/sample_flight.h"
#include "app/world_flight.h"

int main(int argc, char** argv) {
    if (argc <= 1) return flyover::flySample();
    try {
        const flyover::FlightParse parsed = flyover::parseFlightOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (!parsed.error.empty()) {
            std::cerr << "flyover: " << parsed.error << std::endl;
            return 1;
        }
        if (parsed.options.showHelp) {
            std::cout << flyover::flightUsageText();
            return 0;
        }
        std::error_code ignored;
        if (std::filesystem::is_directory(parsed.options.elevationPath, ignored))
            return flyover::flyWorld(parsed.options);
        return flyover::flyElevationFile(parsed.options);
    } catch (const std::bad_alloc&) {
        std::cerr << "flyover: out of memory; fly a smaller raster or close other programs" << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "flyover: unexpected error: " << e.what() << std::endl;
    }
    return 1;
}
