#include "elevation/image_encoding.h"

#include <cstdlib>
#include <new>

#include "elevation/jpeg_failure.h"

namespace elevation {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBitsPerPixel = 24;
constexpr std::size_t kRowAlignment = 4;

void putLe(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(const RgbImage& image) {
    const std::size_t width = static_cast<std::size_t>(image.width);
    const std::size_t rowBytes = (width * sizeof(Rgb) + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    const std::size_t dataBytes = rowBytes * static_cast<std::size_t>(image.height);
    const std::size_t offset = kFileHeaderBytes + kInfoHeaderBytes;
    std::vector<std::uint8_t> bytes(offset + dataBytes, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLe(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    putLe(bytes, 10, static_cast<std::uint32_t>(offset), 4);
    putLe(bytes, 14, static_cast<std::uint32_t>(kInfoHeaderBytes), 4);
    putLe(bytes, 18, static_cast<std::uint32_t>(image.width), 4);
    putLe(bytes, 22, static_cast<std::uint32_t>(image.height), 4);
    putLe(bytes, 26, 1, 2);   // colour planes
    putLe(bytes, 28, kBitsPerPixel, 2);
    putLe(bytes, 34, static_cast<std::uint32_t>(dataBytes), 4);
    // Rows bottom-up, each pixel blue, green, red.
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* out = &bytes[offset + rowBytes * static_cast<std::size_t>(image.height - 1 - y)];
        for (const Rgb* p = image.row(y); p != image.row(y) + image.width; ++p, out += sizeof(Rgb)) {
            out[0] = p->b;
            out[1] = p->g;
            out[2] = p->r;
        }
    }
    return bytes;
}

namespace {

// libjpeg's state and the buffer it fills, kept out of the frame that libjpeg jumps back to.
struct JpegWriter {
    detail::JpegFailure failure;
    jpeg_compress_struct info{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ~JpegWriter() {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
};

// False where libjpeg failed, which in compressing means that memory ran out.
bool compressJpeg(const RgbImage& image, int quality, JpegWriter& writer) {
    if (setjmp(writer.failure.escape)) return false;
    jpeg_create_compress(&writer.info);
    jpeg_mem_dest(&writer.info, &writer.buffer, &writer.size);
    writer.info.image_width = static_cast<JDIMENSION>(image.width);
    writer.info.image_height = static_cast<JDIMENSION>(image.height);
    writer.info.input_components = static_cast<int>(sizeof(Rgb));
    writer.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&writer.info);
    jpeg_set_quality(&writer.info, quality, TRUE);
    jpeg_start_compress(&writer.info, TRUE);
    while (writer.info.next_scanline < writer.info.image_height) {
        // libjpeg reads the rows without changing them.
        JSAMPROW row = const_cast<JSAMPROW>(
            reinterpret_cast<const JSAMPLE*>(image.row(static_cast<int>(writer.info.next_scanline))));
        jpeg_write_scanlines(&writer.info, &row, 1);
    }
    jpeg_finish_compress(&writer.info);
    return true;
}

}  // namespace

std::vector<std::uint8_t> encodeJpeg(const RgbImage& image, int quality) {
    JpegWriter writer;
    writer.info.err = detail::jpegFailureManager(writer.failure);
    if (!compressJpeg(image, quality, writer)) throw std::bad_alloc();
    return std::vector<std::uint8_t>(writer.buffer, writer.buffer + writer.size);
}

}  // namespace elevation
