#include "image_files.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <jpeglib.h>

#include "elevation/image_encoding.h"

namespace testfiles {

namespace {

constexpr int kJpegQuality = 95;
constexpr png_uint_16 kSixteenBitScale = 257;
constexpr png_byte kAlpha = 128;

void putLe(Bytes& b, std::size_t at, std::uint32_t v, int count) {
    for (int k = 0; k < count; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

void putBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * (3 - k)));
}

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

}  // namespace

elevation::RgbImage gradient(int width, int height) {
    elevation::RgbImage image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.push_back({static_cast<std::uint8_t>(40 + 3 * x + y),
                                    static_cast<std::uint8_t>(7 * x + 2 * y),
                                    static_cast<std::uint8_t>(200 - x - y)});
    return image;
}

Bytes bmpFile(std::uint32_t width, std::uint32_t height, std::uint16_t bits, std::uint32_t paletteColours) {
    const std::uint32_t rowBytes = (width * bits + 31) / 32 * 4;
    const std::uint32_t offset = 54 + 4 * paletteColours;
    Bytes b(offset + rowBytes * height, 0);
    b[0] = 'B', b[1] = 'M';
    putLe(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    putLe(b, 10, offset, 4);
    putLe(b, 14, 40, 4);
    putLe(b, 18, width, 4);
    putLe(b, 22, height, 4);
    putLe(b, 26, 1, 2);
    putLe(b, 28, bits, 2);
    putLe(b, 34, rowBytes * height, 4);
    putLe(b, 46, paletteColours, 4);
    for (std::uint32_t c = 0; c < paletteColours; ++c) {
        b[54 + 4 * c] = static_cast<std::uint8_t>(c / 2);
        b[54 + 4 * c + 1] = static_cast<std::uint8_t>(255 - c);
        b[54 + 4 * c + 2] = static_cast<std::uint8_t>(c);
    }
    const elevation::RgbImage image = gradient(static_cast<int>(width), static_cast<int>(height));
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = &b[offset + rowBytes * (height - 1 - y)];
        for (std::uint32_t x = 0; x < width; ++x) {
            const elevation::Rgb c = image.at(static_cast<int>(x), static_cast<int>(y));
            if (bits <= 8) {
                const std::uint32_t index = (x + y) % paletteColours;
                const std::uint32_t bit = x * bits;
                row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bits - bit % 8));
            } else if (bits == 16) {
                putLe(b, offset + rowBytes * (height - 1 - y) + 2 * x,
                      static_cast<std::uint32_t>((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3), 2);
            } else {
                std::uint8_t* p = row + x * (bits / 8);
                p[0] = c.b, p[1] = c.g, p[2] = c.r;
            }
        }
    }
    return b;
}

Bytes pngFile(int width, int height, int colourType, int bitDepth, bool interlaced) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng could not write the test file");
    png_set_write_fn(png, &out, appendToBytes, nullptr);
    png_set_IHDR(png, info, width, height, bitDepth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    const elevation::RgbImage image = gradient(width, height);
    std::vector<png_color> palette;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int c = 0; c < 256; ++c)
            palette.push_back({static_cast<png_byte>(c), static_cast<png_byte>(255 - c), static_cast<png_byte>(c / 2)});
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_write_info(png, info);
    if (bitDepth == 16) png_set_swap(png);
    const int channels = png_get_channels(png, info);
    const int bytesPerSample = bitDepth / 8;
    std::vector<png_byte> row(static_cast<std::size_t>(width) * channels * 2);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const elevation::Rgb c = image.at(x, y);
                const png_uint_16 samples[4] = {c.r, c.g, c.b, kAlpha};
                const bool grey = !(colourType & PNG_COLOR_MASK_COLOR);
                for (int k = 0; k < channels; ++k) {
                    const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) && k == channels - 1;
                    const png_uint_16 v = colourType == PNG_COLOR_TYPE_PALETTE ? static_cast<png_uint_16>((x + y) % 256)
                                          : alpha ? kAlpha
                                          : samples[grey ? 0 : k];
                    const std::size_t at = (static_cast<std::size_t>(x) * channels + k) * bytesPerSample;
                    if (bytesPerSample == 2) {
                        const png_uint_16 wide = static_cast<png_uint_16>(v * kSixteenBitScale);
                        row[at] = static_cast<png_byte>(wide & 0xFF);
                        row[at + 1] = static_cast<png_byte>(wide >> 8);
                    } else {
                        row[at] = static_cast<png_byte>(v);
                    }
                }
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes jpegFile(int width, int height, bool progressive) {
    if (!progressive) return elevation::encodeJpeg(gradient(width, height), kJpegQuality);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    elevation::RgbImage image = gradient(width, height);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(image.row(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

Bytes withStatedSize(Bytes file, std::uint32_t width, std::uint32_t height) {
    if (file.size() > 2 && file[0] == 'B' && file[1] == 'M') {
        putLe(file, 18, width, 4);
        putLe(file, 22, height, 4);
    } else if (file.size() > 33 && file[1] == 'P') {
        putBe32(file, 16, width);
        putBe32(file, 20, height);
        putBe32(file, 29, static_cast<std::uint32_t>(crc32(0, &file[12], 17)));
    } else {
        // The first start-of-frame marker (0xC0..0xC2): length, precision, height, width.
        for (std::size_t at = 2; at + 9 < file.size(); ++at) {
            if (file[at] == 0xFF && file[at + 1] >= 0xC0 && file[at + 1] <= 0xC2) {
                file[at + 5] = static_cast<std::uint8_t>(height >> 8), file[at + 6] = static_cast<std::uint8_t>(height);
                file[at + 7] = static_cast<std::uint8_t>(width >> 8), file[at + 8] = static_cast<std::uint8_t>(width);
                break;
            }
        }
    }
    return file;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testfiles
