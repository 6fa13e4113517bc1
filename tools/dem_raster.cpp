#include "dem_raster.h"

#include <cpl_error.h>
#include <gdal.h>

#include <algorithm>
#include <new>
#include <vector>

#include "elevation/input_file.h"

namespace sample_terrain {
namespace {

// Rows are read in strips of about this many samples: whole-band reads would need a second
// full-size buffer of doubles next to the heights.
constexpr std::size_t kStripSamples = std::size_t{1} << 20;
// Each block is read once, strip by strip: GDAL's block cache (5 % of the machine's memory
// by default) would only keep a second copy of the raster.
constexpr GIntBig kBlockCacheBytes = GIntBig{64} << 20;

// The affine georeference: x = gt[0] + column * gt[1] + row * gt[2], and
// y = gt[3] + column * gt[4] + row * gt[5], with y growing to the north.
constexpr int kGeoTransformTerms = 6;
constexpr int kColumnStepX = 1, kRowStepX = 2, kColumnStepY = 4, kRowStepY = 5;

const char* const kReadableFormats = "GeoTIFF (.tif), SRTM (.hgt), 16-bit PNG or ASCII grid (.asc)";

struct DatasetCloser {
    GDALDatasetH dataset;
    ~DatasetCloser() {
        if (dataset) GDALClose(dataset);
    }
};

// GDAL's own explanation of its last failure as " (GDAL: ...)" on one line, or nothing.
std::string gdalReason() {
    std::string message = CPLGetLastErrorMsg();
    std::replace(message.begin(), message.end(), '\n', ' ');
    return message.empty() ? "" : " (GDAL: " + message + ")";
}

void startGdal() {
    static const bool started = [] {
        GDALAllRegister();
        GDALSetCacheMax64(kBlockCacheBytes);
        // The tool reports failures itself, on one line; GDAL's console messages would add more.
        CPLSetErrorHandler(CPLQuietErrorHandler);
        return true;
    }();
    (void)started;
}

BandEncoding encodingOf(GDALRasterBandH band) {
    BandEncoding encoding;
    int has = 0;
    const double noData = GDALGetRasterNoDataValue(band, &has);
    encoding.hasNoData = has != 0;
    encoding.noData = noData;
    encoding.scale = GDALGetRasterScale(band, &has);
    if (!has) encoding.scale = 1.0;
    encoding.offset = GDALGetRasterOffset(band, &has);
    if (!has) encoding.offset = 0.0;
    return encoding;
}

// Whether the file stores rows south first or columns east first, and whether its grid is
// turned against north, from its georeference; a file without one is taken as north up.
struct Orientation {
    bool flipRows = false, flipColumns = false, rotated = false;
};

Orientation orientationOf(GDALDatasetH dataset) {
    double gt[kGeoTransformTerms];
    Orientation o;
    if (GDALGetGeoTransform(dataset, gt) != CE_None) return o;
    o.rotated = gt[kRowStepX] != 0.0 || gt[kColumnStepY] != 0.0;
    o.flipRows = !o.rotated && gt[kRowStepY] > 0.0;
    o.flipColumns = !o.rotated && gt[kColumnStepX] < 0.0;
    return o;
}

bool readSamples(GDALRasterBandH band, const std::string& path, const Orientation& orientation,
                 ElevationRaster& raster, std::string& error) {
    const int width = raster.heights.width, height = raster.heights.height;
    const BandEncoding encoding = encodingOf(band);
    const int stripRows = static_cast<int>(std::max<std::size_t>(1, kStripSamples / static_cast<std::size_t>(width)));
    std::vector<double> strip(static_cast<std::size_t>(width) * static_cast<std::size_t>(std::min(stripRows, height)));
    for (int top = 0; top < height; top += stripRows) {
        const int rows = std::min(stripRows, height - top);
        if (GDALRasterIO(band, GF_Read, 0, top, width, rows, strip.data(), width, rows, GDT_Float64, 0, 0) != CE_None) {
            error = "could not read rows " + std::to_string(top) + ".." + std::to_string(top + rows - 1) + " of '" + path +
                    "'" + gdalReason() + "; check that the file is complete";
            return false;
        }
        for (int r = 0; r < rows; ++r) {
            const int y = orientation.flipRows ? height - 1 - (top + r) : top + r;
            for (int c = 0; c < width; ++c) {
                const int x = orientation.flipColumns ? width - 1 - c : c;
                const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x;
                float h = 0.0f;
                const bool valid = decodeSample(strip[static_cast<std::size_t>(r) * width + c], encoding, h);
                raster.heights.values[at] = valid ? h : 0.0f;
                raster.holes[at] = valid ? 0 : 1;
            }
        }
    }
    return true;
}

}  // namespace

bool readElevationBand(const std::string& path, int band, const RasterSizeCheck& sizeCheck,
                       ElevationRaster& raster, std::string& error) {
    startGdal();
    // GDAL's virtual paths (/vsizip/..., /vsicurl/...) name no file on disk. A FIFO or a
    // device would have GDAL wait or read forever.
    if (path.rfind("/vsi", 0) != 0) {
        if (const std::string problem = elevation::regularFileProblem(path); !problem.empty()) {
            error = "input '" + path + "' " + problem + "; pass an elevation file such as " + kReadableFormats;
            return false;
        }
    }
    CPLErrorReset();
    DatasetCloser file{GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr)};
    if (!file.dataset) {
        error = "'" + path + "' is not a raster GDAL can read" + gdalReason() + "; pass an elevation file such as " +
                kReadableFormats;
        return false;
    }
    GDALDriverH driver = GDALGetDatasetDriver(file.dataset);
    raster.driver = driver ? GDALGetDriverShortName(driver) : "unknown";
    raster.driverName = driver ? GDALGetDriverLongName(driver) : "unknown";
    raster.bandCount = GDALGetRasterCount(file.dataset);
    if (raster.bandCount < 1) {
        error = "'" + path + "' holds no raster band; pass an elevation file such as " + std::string(kReadableFormats);
        return false;
    }
    if (band > raster.bandCount) {
        error = "'" + path + "' has " + std::to_string(raster.bandCount) + (raster.bandCount == 1 ? " band" : " bands") +
                ", so --band " + std::to_string(band) + " is out of range; " +
                (raster.bandCount == 1 ? std::string("leave --band out") : "choose --band 1.." + std::to_string(raster.bandCount));
        return false;
    }
    GDALRasterBandH bandHandle = GDALGetRasterBand(file.dataset, band);
    const char* unit = GDALGetRasterUnitType(bandHandle);
    raster.unit = unit ? unit : "";

    const int width = GDALGetRasterXSize(file.dataset), height = GDALGetRasterYSize(file.dataset);
    if (const std::string problem = sizeCheck(width, height); !problem.empty()) {
        error = "'" + path + "' " + problem;
        return false;
    }
    const Orientation orientation = orientationOf(file.dataset);
    raster.rotated = orientation.rotated;
    if (orientation.flipRows || orientation.flipColumns)
        raster.turned = std::string("stored ") + (orientation.flipRows ? "south up" : "") +
                        (orientation.flipRows && orientation.flipColumns ? " and " : "") +
                        (orientation.flipColumns ? "east to west" : "") + ", turned north up";
    try {
        const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        raster.heights = GreyImage{width, height, std::vector<float>(count)};
        raster.holes.assign(count, 0);
    } catch (const std::bad_alloc&) {
        error = "'" + path + "' has " + std::to_string(width) + " x " + std::to_string(height) +
                " samples, too many to hold in memory; cut it into smaller tiles first";
        return false;
    }
    return readSamples(bandHandle, path, orientation, raster, error);
}

}  // namespace sample_terrain
