#include "elevation/raster_source.h"

#include <cpl_error.h>
#include <gdal.h>

#include <strings.h>

#include <algorithm>
#include <new>
#include <vector>

#include "elevation/gdal_setup.h"
#include "elevation/height_holes.h"
#include "elevation/input_file.h"

namespace elevation {

const char* const kReadableElevationFormats = "GeoTIFF (.tif), SRTM (.hgt), 16-bit PNG or ASCII grid (.asc)";

namespace {

constexpr int kX0 = 0, kColumnX = 1, kRowX = 2, kY0 = 3, kColumnY = 4, kRowY = 5;

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

}  // namespace

struct RasterSource::Dataset {
    GDALDatasetH handle = nullptr;
    GDALRasterBandH band = nullptr;
    ~Dataset() {
        if (handle) GDALClose(handle);
    }
};

RasterSource::RasterSource() = default;
RasterSource::~RasterSource() = default;

std::string RasterSource::open(const std::string& path, int band) {
    startGdal();
    path_ = path;
    // GDAL's virtual paths (/vsizip/..., /vsicurl/...) name no file on disk. A FIFO or a
    // device would have GDAL wait or read forever.
    if (path.rfind("/vsi", 0) != 0) {
        if (const std::string problem = regularFileProblem(path); !problem.empty())
            return "'" + path + "' " + problem + "; pass an elevation file such as " + kReadableElevationFormats;
    }
    CPLErrorReset();
    dataset_ = std::make_unique<Dataset>();
    dataset_->handle = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!dataset_->handle) {
        // GDAL tells an SRTM tile by its name alone.
        const bool tile = path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".hgt") == 0;
        return "'" + path + "' is not a raster GDAL can read" + gdalReason() +
               (tile ? "; an SRTM tile must keep its own name, such as N48E009.hgt"
                     : "; pass an elevation file such as " + std::string(kReadableElevationFormats));
    }
    GDALDriverH driver = GDALGetDatasetDriver(dataset_->handle);
    driver_ = driver ? GDALGetDriverShortName(driver) : "unknown";
    driverName_ = driver ? GDALGetDriverLongName(driver) : "unknown";
    bandCount_ = GDALGetRasterCount(dataset_->handle);
    if (bandCount_ < 1)
        return "'" + path + "' holds no raster band; pass an elevation file such as " + kReadableElevationFormats;
    if (band > bandCount_)
        return "'" + path + "' has " + std::to_string(bandCount_) + (bandCount_ == 1 ? " band" : " bands") +
               ", so --band " + std::to_string(band) + " is out of range; " +
               (bandCount_ == 1 ? std::string("leave --band out") : "choose --band 1.." + std::to_string(bandCount_));
    dataset_->band = GDALGetRasterBand(dataset_->handle, band);
    const char* unit = GDALGetRasterUnitType(dataset_->band);
    unit_ = unit ? unit : "";
    width_ = GDALGetRasterXSize(dataset_->handle);
    height_ = GDALGetRasterYSize(dataset_->handle);

    // A file without a georeference is taken as north up.
    double a[kAffineTerms];
    if (GDALGetGeoTransform(dataset_->handle, a) != CE_None) return {};
    rotated_ = a[kRowX] != 0.0 || a[kColumnY] != 0.0;
    flipRows_ = !rotated_ && a[kRowY] > 0.0;
    flipColumns_ = !rotated_ && a[kColumnX] < 0.0;
    if (flipRows_ || flipColumns_)
        turned_ = std::string("stored ") + (flipRows_ ? "south up" : "") + (flipRows_ && flipColumns_ ? " and " : "") +
                  (flipColumns_ ? "east to west" : "") + ", turned north up";
    // The same ground, described from the north-west corner of the north-up grid.
    if (flipColumns_) {
        a[kX0] += width_ * a[kColumnX];
        a[kColumnX] = -a[kColumnX];
    }
    if (flipRows_) {
        a[kY0] += height_ * a[kRowY];
        a[kRowY] = -a[kRowY];
    }
    const char* wkt = GDALGetProjectionRef(dataset_->handle);
    wkt_ = wkt ? wkt : "";
    std::replace(wkt_.begin(), wkt_.end(), '\n', ' ');
    georeferenced_ = true;
    std::copy(a, a + kAffineTerms, affine_);
    georeference_ = Georeference::fromAffine(a, wkt_, (width_ - 1) / 2.0, (height_ - 1) / 2.0);
    return {};
}

bool RasterSource::geoTransform(double* affine) const {
    if (georeferenced_) std::copy(affine_, affine_ + kAffineTerms, affine);
    return georeferenced_;
}

std::string RasterSource::read(const RasterWindow& window, HeightGrid& heights, HoleMask& holes,
                               Progress* progress) const {
    const int columns = window.columnsRead(), rows = window.rowsRead();
    const std::size_t count = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    std::vector<double> row;
    try {
        heights = HeightGrid{columns, rows, std::vector<float>(count)};
        holes.assign(count, 0);
        row.resize(static_cast<std::size_t>(window.width));
    } catch (const std::bad_alloc&) {
        return "'" + path_ + "' has " + std::to_string(columns) + " x " + std::to_string(rows) +
               " samples, too many to hold in memory; cut it into smaller tiles first";
    }
    const BandEncoding encoding = encodingOf(dataset_->band);
    // The stored columns that hold the window, whichever way they run.
    const int firstStored = flipColumns_ ? width_ - window.column - window.width : window.column;
    for (int r = 0; r < rows; ++r) {
        const int northUpRow = window.row + r * window.step;
        const int storedRow = flipRows_ ? height_ - 1 - northUpRow : northUpRow;
        if (GDALRasterIO(dataset_->band, GF_Read, firstStored, storedRow, window.width, 1, row.data(), window.width,
                         1, GDT_Float64, 0, 0) != CE_None)
            return "could not read row " + std::to_string(storedRow) + " of '" + path_ + "'" + gdalReason() +
                   "; check that the file is complete";
        for (int c = 0; c < columns; ++c) {
            const int offset = c * window.step;
            const double raw = row[static_cast<std::size_t>(flipColumns_ ? window.width - 1 - offset : offset)];
            const std::size_t at = static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) + c;
            float h = 0.0f;
            const bool valid = decodeSample(raw, encoding, h);
            heights.values[at] = valid ? h : 0.0f;
            holes[at] = valid ? 0 : 1;
        }
        if (progress) progress->advance(static_cast<std::uint64_t>(r + 1), static_cast<std::uint64_t>(rows));
    }
    return {};
}

}  // namespace elevation
