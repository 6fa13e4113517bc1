#include "elevation/gdal_setup.h"

#include <cpl_error.h>
#include <gdal.h>

#include <algorithm>

namespace elevation {

namespace {

// Each block is read once, row by row: GDAL's block cache (5 % of the machine's memory by
// default) would only keep a second copy of the raster.
constexpr GIntBig kBlockCacheBytes = GIntBig{64} << 20;

}  // namespace

std::string gdalReason() {
    std::string message = CPLGetLastErrorMsg();
    std::replace(message.begin(), message.end(), '\n', ' ');
    return message.empty() ? "" : " (GDAL: " + message + ")";
}

void startGdal() {
    static const bool started = [] {
        GDALAllRegister();
        GDALSetCacheMax64(kBlockCacheBytes);
        // Failures are reported by the programs themselves, on one line; GDAL's console
        // messages would add more.
        CPLSetErrorHandler(CPLQuietErrorHandler);
        return true;
    }();
    (void)started;
}

}  // namespace elevation
