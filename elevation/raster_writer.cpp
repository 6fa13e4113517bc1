#include "elevation/raster_writer.h"

#include <cpl_error.h>
#include <gdal.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "elevation/gdal_setup.h"

namespace elevation {

namespace {

// Larger than 4 GiB needs BigTIFF; GDAL decides by the uncompressed size.
const char* const kCreationOptions[] = {"BIGTIFF=IF_NEEDED", nullptr};

}  // namespace

struct RasterWriter::Dataset {
    GDALDatasetH handle = nullptr;
    ~Dataset() {
        if (handle) GDALClose(handle);
    }
};

RasterWriter::RasterWriter() = default;

RasterWriter::~RasterWriter() {
    if (!dataset_) return;
    dataset_.reset();
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
}

std::string RasterWriter::create(const std::filesystem::path& path, int width, int height, double cellMetres) {
    startGdal();
    path_ = path;
    temporary_ = path;
    temporary_ += ".partial";
    width_ = width;
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    CPLErrorReset();
    auto dataset = std::make_unique<Dataset>();
    dataset->handle = driver ? GDALCreate(driver, temporary_.c_str(), width, height, 1, GDT_Int16,
                                          const_cast<char**>(kCreationOptions))
                             : nullptr;
    if (!dataset->handle) return "cannot create '" + temporary_.string() + "'" + gdalReason();
    dataset_ = std::move(dataset);
    // North up, the north-west corner at the origin.
    double affine[6] = {0.0, cellMetres, 0.0, 0.0, 0.0, -cellMetres};
    GDALSetGeoTransform(dataset_->handle, affine);
    GDALSetRasterUnitType(GDALGetRasterBand(dataset_->handle, 1), "m");
    return {};
}

std::string RasterWriter::writeRows(int firstRow, int rows, const std::int16_t* samples) {
    if (GDALRasterIO(GDALGetRasterBand(dataset_->handle, 1), GF_Write, 0, firstRow, width_, rows,
                     const_cast<std::int16_t*>(samples), width_, rows, GDT_Int16, 0, 0) != CE_None)
        return "cannot write '" + temporary_.string() + "'" + gdalReason() + "; check the free space";
    return {};
}

std::string RasterWriter::finish() {
    CPLErrorReset();
    GDALDatasetH handle = dataset_->handle;
    dataset_->handle = nullptr;
    // Closing writes what GDAL still holds; this GDAL reports a failure only as its last error.
    GDALClose(handle);
    const bool closed = CPLGetLastErrorType() < CE_Failure;
    dataset_.reset();
    const std::string failed = "cannot write '" + temporary_.string() + "'";
    if (!closed) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        return failed + gdalReason() + "; check the free space";
    }
    const int fd = ::open(temporary_.c_str(), O_RDONLY);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    std::error_code error;
    if (synced) std::filesystem::rename(temporary_, path_, error);
    if (!synced || error) {
        const std::string reason = synced ? error.message() : std::strerror(errno);
        std::filesystem::remove(temporary_, error);
        return failed + " (" + reason + ")";
    }
    return {};
}

}  // namespace elevation
