// Flying a world folder (made by dem_to_world) at true scale: its tiles streamed around
// the camera, with everything of an elevation file's flight.
#pragma once

#include "app/flight_options.h"

namespace flyover {

// Returns the exit status; every problem is one line on standard error.
int flyWorld(const FlightOptions& options);

}  // namespace flyover
