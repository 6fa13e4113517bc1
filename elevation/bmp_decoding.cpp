// Uncompressed BMP files of 1, 4, 8, 16, 24 and 32 bits a pixel, bottom-up or top-down.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "elevation/image_decoders.h"

namespace elevation::detail {

namespace {

// The file header and the BITMAPINFOHEADER (or a later, longer info header) after it.
constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kDataOffsetAt = 10;
constexpr std::size_t kInfoSizeAt = 14;
constexpr std::size_t kWidthAt = 18;
constexpr std::size_t kHeightAt = 22;
constexpr std::size_t kBitsAt = 28;
constexpr std::size_t kCompressionAt = 30;
constexpr std::size_t kColoursUsedAt = 46;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kPaletteEntryBytes = 4;
constexpr std::uint32_t kMaxPalettedBits = 8;
constexpr std::uint64_t kRowAlignmentBits = 32;
constexpr std::uint64_t kBitsPerByte = 8;
constexpr unsigned kFiveBits = 0x1F;

std::uint32_t readLe(const std::uint8_t* bytes, int count) {
    std::uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i) v = (v << 8) | bytes[i];
    return v;
}

// A 5-bit channel spread over 0..255.
std::uint8_t widenFiveBits(unsigned v) {
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

bool readBytes(std::FILE* file, std::uint64_t at, std::uint8_t* out, std::size_t count) {
    return std::fseek(file, static_cast<long>(at), SEEK_SET) == 0 &&
           std::fread(out, 1, count, file) == count;
}

// One stored row into image pixels; false where a pixel names a colour the palette lacks.
bool convertRow(const std::uint8_t* in, unsigned bits, const std::vector<Rgb>& palette, Rgb* out,
                std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x) {
        if (bits <= kMaxPalettedBits) {
            const std::uint32_t perByte = kBitsPerByte / bits;
            const unsigned shift = static_cast<unsigned>(kBitsPerByte - bits * (x % perByte + 1));
            const unsigned index = (in[x / perByte] >> shift) & ((1u << bits) - 1);
            if (index >= palette.size()) return false;
            out[x] = palette[index];
        } else if (bits == 16) {
            const unsigned v = readLe(in + 2 * x, 2);
            out[x] = {widenFiveBits((v >> 10) & kFiveBits), widenFiveBits((v >> 5) & kFiveBits),
                      widenFiveBits(v & kFiveBits)};
        } else {
            const std::uint8_t* p = in + x * (bits / kBitsPerByte);
            out[x] = {p[2], p[1], p[0]};
        }
    }
    return true;
}

}  // namespace

std::string decodeBmp(std::FILE* file, std::uint64_t fileBytes, const ImageLimits& limits,
                      RgbImage& image) {
    std::uint8_t head[kFileHeaderBytes + kInfoHeaderBytes];
    if (!readBytes(file, 0, head, sizeof head)) return "is a BMP file too short to hold its headers";
    const std::uint32_t infoBytes = readLe(head + kInfoSizeAt, 4);
    if (infoBytes < kInfoHeaderBytes)
        return "is a BMP file with an old or unknown header; save it again as a 24-bit BMP";
    const auto width = static_cast<std::int32_t>(readLe(head + kWidthAt, 4));
    const auto storedHeight = static_cast<std::int32_t>(readLe(head + kHeightAt, 4));
    // A negative height marks rows stored top-down.
    const bool topDown = storedHeight < 0;
    const std::int64_t height = topDown ? -std::int64_t{storedHeight} : storedHeight;
    if (width <= 0 || height == 0) return "is a BMP file with an invalid size in its header";
    if (std::string problem = imageSizeProblem(static_cast<std::uint64_t>(width),
                                               static_cast<std::uint64_t>(height), limits);
        !problem.empty())
        return problem;

    const unsigned bits = readLe(head + kBitsAt, 2);
    if (readLe(head + kCompressionAt, 4) != kUncompressed)
        return "is a compressed BMP file; save it uncompressed";
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "is a BMP file of " + std::to_string(bits) + " bits a pixel; save it as a 24-bit BMP";

    // The palette follows the info header; a file may list fewer colours than its depth allows.
    std::vector<Rgb> palette;
    const std::uint64_t dataOffset = readLe(head + kDataOffsetAt, 4);
    const std::uint64_t paletteAt = kFileHeaderBytes + std::uint64_t{infoBytes};
    if (bits <= kMaxPalettedBits) {
        const std::uint32_t used = readLe(head + kColoursUsedAt, 4);
        const std::uint32_t colours = used == 0 ? (1u << bits) : used;
        if (colours > (1u << bits) || paletteAt + std::uint64_t{colours} * kPaletteEntryBytes > dataOffset)
            return "is a BMP file whose palette does not fit before its pixels";
        std::vector<std::uint8_t> entries(std::size_t{colours} * kPaletteEntryBytes);
        if (!readBytes(file, paletteAt, entries.data(), entries.size()))
            return "is a truncated BMP file: its palette is cut off";
        for (std::uint32_t c = 0; c < colours; ++c) {
            const std::uint8_t* e = &entries[std::size_t{c} * kPaletteEntryBytes];
            palette.push_back({e[2], e[1], e[0]});
        }
    } else if (dataOffset < paletteAt) {
        return "is a BMP file whose pixel data overlaps its headers";
    }

    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(width) * bits + kRowAlignmentBits - 1) / kRowAlignmentBits *
        (kRowAlignmentBits / kBitsPerByte);
    if (dataOffset + rowBytes * static_cast<std::uint64_t>(height) > fileBytes)
        return "is a truncated BMP file: its header promises more pixels than it holds";

    allocatePixels(image, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    std::vector<std::uint8_t> row(rowBytes);
    if (std::fseek(file, static_cast<long>(dataOffset), SEEK_SET) != 0)
        return "is a truncated BMP file: its pixels cannot be reached";
    for (std::int64_t stored = 0; stored < height; ++stored) {
        if (std::fread(row.data(), 1, row.size(), file) != row.size())
            return "is a truncated BMP file: its pixels end early";
        const auto y = static_cast<int>(topDown ? stored : height - 1 - stored);
        if (!convertRow(row.data(), bits, palette, image.row(y), static_cast<std::uint32_t>(width)))
            return "is a BMP file whose pixels use colours its palette lacks";
    }
    return {};
}

}  // namespace elevation::detail
