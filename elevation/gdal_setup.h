// GDAL as every program here uses it: started once, quiet, and its failures told on one line.
#pragma once

#include <string>

namespace elevation {

// Registers the drivers, keeps the block cache small and GDAL's own console messages off.
void startGdal();

// GDAL's explanation of its last failure as " (GDAL: ...)" on one line, or nothing.
std::string gdalReason();

}  // namespace elevation
