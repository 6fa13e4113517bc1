#include "world/tile_textures.h"

#include <gdal.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "elevation/gdal_setup.h"
#include "elevation/input_file.h"
#include "elevation/relief_shading.h"

namespace world {

namespace {

constexpr int kColourBands = 3;

// The destination pixels, along one side, whose centres fall on the image, and the image's
// edge coordinates they span: pixel edge u of the tile lies at image coordinate first + u * per.
struct Span {
    int from = 0, count = 0;
    double start = 0.0, end = 0.0;
};

Span spanOn(double first, double per, int pixels, int imageSide) {
    Span s;
    const int lo = static_cast<int>(std::ceil((0.0 - first) / per - 0.5));
    const int hi = static_cast<int>(std::floor((imageSide - first) / per - 0.5));
    s.from = std::clamp(lo, 0, pixels - 1);
    const int last = std::clamp(hi, s.from, pixels - 1);
    s.count = last - s.from + 1;
    s.start = std::clamp(first + s.from * per, 0.0, imageSide - 1e-6);
    s.end = std::clamp(first + (last + 1) * per, s.start + 1e-6, static_cast<double>(imageSide));
    return s;
}

}  // namespace

int tileTextureSide(const WorldIndex& index) { return index.tileSide - 1; }

elevation::RgbImage reliefTileTexture(const WorldIndex& index, int level, const elevation::HeightGrid& heights) {
    const WorldLevel& cells = index.levels[static_cast<std::size_t>(level)];
    elevation::ReliefLook look;
    look.columnSpacing = cells.cellX;
    look.rowSpacing = cells.cellZ;
    const int side = tileTextureSide(index);
    return elevation::shadeRelief(heights, look, side, side);
}

struct TextureCutter::Dataset {
    GDALDatasetH handle = nullptr;
    ~Dataset() {
        if (handle) GDALClose(handle);
    }
};

TextureCutter::TextureCutter() = default;
TextureCutter::~TextureCutter() = default;

std::string TextureCutter::open(const std::string& path) {
    elevation::startGdal();
    path_ = path;
    if (const std::string problem = elevation::regularFileProblem(path); !problem.empty())
        return "texture '" + path + "' " + problem;
    dataset_ = std::make_unique<Dataset>();
    dataset_->handle = GDALOpen(path.c_str(), GA_ReadOnly);
    if (!dataset_->handle)
        return "texture '" + path + "' is not an image GDAL can read" + elevation::gdalReason() +
               "; pass a PNG, JPEG or GeoTIFF";
    const int bands = GDALGetRasterCount(dataset_->handle);
    if (bands != 1 && bands < kColourBands)
        return "texture '" + path + "' has " + std::to_string(bands) + " bands; pass a colour or grey image";
    return {};
}

std::string TextureCutter::cut(const WorldIndex& index, const TileKey& key, elevation::RgbImage& image) const {
    const int side = tileTextureSide(index);
    const int width = GDALGetRasterXSize(dataset_->handle), height = GDALGetRasterYSize(dataset_->handle);
    // Level-0 samples per tile pixel, and image pixels per level-0 sample (first to last).
    const double samplesPerPixel = std::ldexp(static_cast<double>(index.tileSide - 1) / side, key.level);
    const double perColumn = index.extentColumns > 1 ? static_cast<double>(width) / (index.extentColumns - 1) : 0.0;
    const double perRow = index.extentRows > 1 ? static_cast<double>(height) / (index.extentRows - 1) : 0.0;
    const double tileSpan = std::ldexp(index.tileSide - 1.0, key.level);
    const Span across = spanOn(key.column * tileSpan * perColumn, samplesPerPixel * perColumn, side, width);
    const Span down = spanOn(key.row * tileSpan * perRow, samplesPerPixel * perRow, side, height);

    const std::size_t plane = static_cast<std::size_t>(across.count) * static_cast<std::size_t>(down.count);
    std::vector<std::uint8_t> read(plane * kColourBands);
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = GRIORA_Bilinear;
    extra.bFloatingPointWindowValidity = TRUE;
    extra.dfXOff = across.start;
    extra.dfYOff = down.start;
    extra.dfXSize = across.end - across.start;
    extra.dfYSize = down.end - down.start;
    const int x0 = static_cast<int>(std::floor(extra.dfXOff)), y0 = static_cast<int>(std::floor(extra.dfYOff));
    const int x1 = std::min(width, static_cast<int>(std::ceil(across.end)));
    const int y1 = std::min(height, static_cast<int>(std::ceil(down.end)));
    const bool grey = GDALGetRasterCount(dataset_->handle) < kColourBands;
    int bandList[kColourBands] = {1, grey ? 1 : 2, grey ? 1 : 3};
    if (GDALDatasetRasterIOEx(dataset_->handle, GF_Read, x0, y0, x1 - x0, y1 - y0, read.data(), across.count,
                              down.count, GDT_Byte, kColourBands, bandList, 0, 0,
                              static_cast<GSpacing>(plane), &extra) != CE_None)
        return "cannot read texture '" + path_ + "'" + elevation::gdalReason() + "; check that the file is complete";
    image = {side, side, std::vector<elevation::Rgb>(static_cast<std::size_t>(side) * side)};
    for (int v = 0; v < side; ++v) {
        const std::size_t row = static_cast<std::size_t>(std::clamp(v - down.from, 0, down.count - 1)) * across.count;
        elevation::Rgb* out = image.row(v);
        for (int u = 0; u < side; ++u) {
            const std::size_t at = row + static_cast<std::size_t>(std::clamp(u - across.from, 0, across.count - 1));
            out[u] = {read[at], read[plane + at], read[2 * plane + at]};
        }
    }
    return {};
}

}  // namespace world
