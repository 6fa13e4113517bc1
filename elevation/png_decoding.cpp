// PNG files of every colour type and depth, through libpng with its own limits.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "elevation/image_decoders.h"

namespace elevation::detail {

namespace {

// Ancillary chunks (text, colour profiles) are decompressed in memory; a small file must
// not unpack into gigabytes there either.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;
constexpr png_uint_32 kMaxCachedChunks = 128;
// The signature, then the IHDR chunk: length, type, width and height (big-endian).
constexpr std::size_t kHeaderChunkTypeAt = 12;
constexpr std::size_t kWidthAt = 16;
constexpr std::size_t kHeightAt = 20;
constexpr std::size_t kHeaderBytes = 24;

struct PngFailure {
    char message[128] = "unknown error";
};

void onPngError(png_structp png, png_const_charp message) {
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings concern ancillary data (a colour profile, a text chunk); the pixels stand.
void ignorePngWarning(png_structp, png_const_charp) {}

std::uint32_t readBe32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

// The size the IHDR chunk states, checked before libpng reads anything (libpng requires
// IHDR first); libpng's own limits, set to the same sides, stay behind it as a second guard.
std::string headerSizeProblem(std::FILE* file, const ImageLimits& limits) {
    std::uint8_t head[kHeaderBytes];
    const bool complete = std::fread(head, 1, sizeof head, file) == sizeof head;
    std::rewind(file);
    if (!complete || std::string(head + kHeaderChunkTypeAt, head + kWidthAt) != "IHDR")
        return {};   // libpng says what is wrong
    return imageSizeProblem(readBe32(head + kWidthAt), readBe32(head + kHeightAt), limits);
}

// libpng's state and everything else that changes while it runs, kept out of the frame
// that libpng jumps back to.
struct PngReader {
    PngFailure failure;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

std::string readPng(std::FILE* file, const ImageLimits& limits, PngReader& reader, RgbImage& image) {
    if (setjmp(png_jmpbuf(reader.png)))
        return std::string("is a PNG file that cannot be decoded (") + reader.failure.message + ")";
    png_set_user_limits(reader.png, limits.maxSide, limits.maxSide);
    png_set_chunk_malloc_max(reader.png, kMaxChunkBytes);
    png_set_chunk_cache_max(reader.png, kMaxCachedChunks);
    png_init_io(reader.png, file);
    png_read_info(reader.png, reader.info);
    const png_uint_32 width = png_get_image_width(reader.png, reader.info);
    const png_uint_32 height = png_get_image_height(reader.png, reader.info);

    // Everything becomes 8-bit RGB: palettes and small grey depths expanded, 16-bit channels
    // cut to their high byte, alpha dropped.
    const png_byte colourType = png_get_color_type(reader.png, reader.info);
    png_set_expand(reader.png);
    png_set_strip_16(reader.png);
    png_set_strip_alpha(reader.png);
    if (!(colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(reader.png);
    png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    if (png_get_rowbytes(reader.png, reader.info) != std::size_t{width} * sizeof(Rgb))
        return "is a PNG file of a layout that cannot be read";

    allocatePixels(image, width, height);
    reader.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        reader.rows[y] = reinterpret_cast<png_bytep>(image.row(static_cast<int>(y)));
    png_read_image(reader.png, reader.rows.data());
    return {};
}

}  // namespace

std::string decodePng(std::FILE* file, const ImageLimits& limits, RgbImage& image) {
    if (std::string problem = headerSizeProblem(file, limits); !problem.empty()) return problem;
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader.failure, onPngError, ignorePngWarning);
    if (reader.png) reader.info = png_create_info_struct(reader.png);
    if (!reader.info) return "is a PNG file that libpng could not start on";
    return readPng(file, limits, reader, image);
}

}  // namespace elevation::detail
