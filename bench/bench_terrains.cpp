#include "bench_terrains.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "tools/make_sample_terrain/landscape_synthesis.h"

namespace bench {

namespace {

constexpr int kSampleWidth = 256;
constexpr std::uint32_t kSampleSeed = 1;
constexpr float kSampleHeightScale = 0.2f;   // the fly-over's height scale
constexpr float kImageLevels = 255.0f;
constexpr float kPugetMetresPerUnit = 0.1f;
constexpr float kPugetMetresPerSample = 160.0f;

// Heights 0..1 of a synthesized field as the 0..255 levels of its height image.
std::vector<std::int16_t> imageLevels(int width) {
    const sample_terrain::HeightField field = sample_terrain::synthesizeTerrain(width, kSampleSeed);
    std::vector<std::int16_t> grid(static_cast<std::size_t>(width) * width);
    for (int x = 0; x < width; ++x)
        for (int k = 0; k < width; ++k)
            grid[x + static_cast<std::size_t>(width) * k] =
                static_cast<std::int16_t>(std::lround(field.at(x, width - 1 - k) * kImageLevels));
    return grid;
}

}  // namespace

BenchTerrain sampleTerrain() {
    BenchTerrain t;
    t.name = "sample 257";
    t.width = kSampleWidth;
    t.heightScale = kSampleHeightScale;
    t.samples16 = imageLevels(kSampleWidth);
    return t;
}

BenchTerrain generatedTerrain(int width) {
    BenchTerrain t;
    t.name = "generated " + std::to_string(width);
    t.width = width;
    t.heightScale = kSampleHeightScale * static_cast<float>(width - 1) / kSampleWidth;
    t.samples16 = imageLevels(width);
    return t;
}

bool pugetSound(const std::string& path, BenchTerrain* out, std::string* why) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        *why = "absent (" + path + ")";
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        *why = "libpng could not start";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        *why = "not a readable PNG";
        return false;
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (png_get_bit_depth(png, info) != 16 || png_get_color_type(png, info) != PNG_COLOR_TYPE_GRAY ||
        width != height) {
        png_destroy_read_struct(&png, &info, nullptr);
        *why = "not a square 16-bit grey PNG";
        return false;
    }
    png_set_swap(png);   // PNG stores big-endian; read full 16-bit host-order samples
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(width) * height);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(&pixels[static_cast<std::size_t>(y) * width]);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);

    const int n = static_cast<int>(width);
    out->name = "Puget Sound " + std::to_string(n);
    out->width = n;
    out->heightScale = 2.0f * kPugetMetresPerUnit / kPugetMetresPerSample;
    out->heightScaleFloat = 1.0f / kPugetMetresPerSample;
    out->samples16.resize(pixels.size());
    out->samplesFloat.resize(pixels.size());
    for (int x = 0; x < n; ++x)
        for (int k = 0; k < n; ++k) {
            const std::uint16_t v = pixels[x + static_cast<std::size_t>(n) * (n - 1 - k)];
            const std::size_t at = x + static_cast<std::size_t>(n) * k;
            out->samples16[at] = static_cast<std::int16_t>(v / 2);
            out->samplesFloat[at] = static_cast<float>(v) * kPugetMetresPerUnit;
        }
    return true;
}

}  // namespace bench
