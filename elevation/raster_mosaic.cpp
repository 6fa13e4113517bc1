#include "elevation/raster_mosaic.h"

#include <gdal.h>
#include <gdal_utils.h>

#include <atomic>

#include "elevation/gdal_setup.h"
#include "elevation/input_file.h"

namespace elevation {

namespace {

// Where no input lies: a value 16-bit heights never use for ground.
const char* const kGapOptions[] = {"-vrtnodata", "-32768", nullptr};

}  // namespace

std::string mosaicOf(const std::vector<std::string>& inputs, std::string& path) {
    startGdal();
    for (const std::string& input : inputs)
        if (const std::string problem = regularFileProblem(input); !problem.empty())
            return "'" + input + "' " + problem + "; pass elevation files";
    if (inputs.size() == 1) {
        path = inputs[0];
        return {};
    }
    static std::atomic<int> made{0};
    path = "/vsimem/mosaic-" + std::to_string(++made) + ".vrt";
    std::vector<const char*> names;
    for (const std::string& input : inputs) names.push_back(input.c_str());
    GDALBuildVRTOptions* options = GDALBuildVRTOptionsNew(const_cast<char**>(kGapOptions), nullptr);
    int usageError = 0;
    CPLErrorReset();
    GDALDatasetH mosaic = GDALBuildVRT(path.c_str(), static_cast<int>(names.size()), nullptr, names.data(), options,
                                       &usageError);
    GDALBuildVRTOptionsFree(options);
    // GDAL leaves out an input it cannot place beside the others, and says so only as a warning.
    const bool complete = mosaic && GDALGetRasterCount(mosaic) > 0 && CPLGetLastErrorType() == CE_None;
    const std::string reason = gdalReason();
    if (mosaic) GDALClose(mosaic);
    if (!complete)
        return "cannot put the " + std::to_string(inputs.size()) + " inputs together" + reason +
               "; they must be elevation rasters with the same coordinate system and cell size";
    return {};
}

}  // namespace elevation
