#include "raster_files.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

namespace testfiles {

std::vector<double> grid(int width, int height, const std::function<double(int, int)>& value) {
    std::vector<double> values;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) values.push_back(value(x, y));
    return values;
}

elevation::HeightGrid heightGrid(int width, int height, const std::function<double(int, int)>& value) {
    const std::vector<double> values = grid(width, height, value);
    return {width, height, std::vector<float>(values.begin(), values.end())};
}

std::string wktOf(const std::string& definition) {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    EXPECT_EQ(OSRSetFromUserInput(srs, definition.c_str()), OGRERR_NONE) << definition;
    char* wkt = nullptr;
    OSRExportToWkt(srs, &wkt);
    std::string text = wkt ? wkt : "";
    CPLFree(wkt);
    OSRDestroySpatialReference(srs);
    return text;
}

void writeRaster(const std::filesystem::path& path, int width, int height,
                 const std::vector<std::vector<double>>& bands, const RasterFormat& format) {
    GDALAllRegister();
    GDALDatasetH memory = GDALCreate(GDALGetDriverByName("MEM"), "", width, height, static_cast<int>(bands.size()),
                                     GDALGetDataTypeByName(format.type.c_str()), nullptr);
    ASSERT_NE(memory, nullptr);
    if (!format.affine.empty()) {
        std::vector<double> affine = format.affine;
        ASSERT_EQ(GDALSetGeoTransform(memory, affine.data()), CE_None);
    }
    if (!format.coordinateSystem.empty()) {
        EXPECT_EQ(GDALSetProjection(memory, wktOf(format.coordinateSystem).c_str()), CE_None);
    }
    for (std::size_t b = 0; b < bands.size(); ++b) {
        GDALRasterBandH band = GDALGetRasterBand(memory, static_cast<int>(b) + 1);
        std::vector<double> values = bands[b];
        ASSERT_EQ(GDALRasterIO(band, GF_Write, 0, 0, width, height, values.data(), width, height, GDT_Float64, 0, 0),
                  CE_None);
        if (format.noData) {
            ASSERT_EQ(GDALSetRasterNoDataValue(band, *format.noData), CE_None);
        }
    }
    GDALDatasetH copy = GDALCreateCopy(GDALGetDriverByName(format.driver.c_str()), path.c_str(), memory, FALSE, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(copy, nullptr) << format.driver;
    GDALClose(copy);
    GDALClose(memory);
}

}  // namespace testfiles
