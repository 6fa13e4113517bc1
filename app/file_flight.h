// Flying an elevation file at true scale: the raster read and repaired, drawn as one map
// with its own texture or one coloured by height, then flown.
#pragma once

#include "app/flight_options.h"

namespace flyover {

// Returns the exit status; every problem is one line on standard error.
int flyElevationFile(const FlightOptions& options);

}  // namespace flyover
