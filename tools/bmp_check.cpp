#include "bmp_check.h"

namespace sample_terrain {
namespace {

// Field offsets in the file header and the BITMAPINFOHEADER that follows it.
constexpr std::size_t kDataOffsetAt = 10;
constexpr std::size_t kWidthAt = 18;
constexpr std::size_t kHeightAt = 22;
constexpr std::size_t kBitsPerPixelAt = 28;
constexpr std::size_t kCompressionAt = 30;
constexpr std::uint32_t kRunLength8 = 1;
constexpr std::uint32_t kRunLength4 = 2;

std::uint32_t readLe(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

}  // namespace

std::string checkBmpHeader(const std::vector<std::uint8_t>& head, std::uintmax_t fileSize) {
    if (head.size() < 2 || head[0] != 'B' || head[1] != 'M') return {};
    if (head.size() < kBmpHeaderBytes || fileSize < kBmpHeaderBytes) return "is a BMP file too short to hold its headers";

    const auto width = static_cast<std::int32_t>(readLe(head, kWidthAt, 4));
    const auto height = static_cast<std::int32_t>(readLe(head, kHeightAt, 4));
    if (width <= 0 || height == 0) return "is a BMP file with an invalid size in its header";
    // A negative height marks top-down rows, which the reader mistakes for a gigantic image.
    if (height < 0) return "is a top-down BMP file, which Irrlicht's reader cannot decode";

    const std::uint32_t compression = readLe(head, kCompressionAt, 4);
    // Run-length data is decoded with bounds checks; anything else is read as plain rows.
    if (compression == kRunLength8 || compression == kRunLength4) return {};
    const std::uint64_t bits = readLe(head, kBitsPerPixelAt, 2);
    // Rows are padded to whole 32-bit words.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t needed = readLe(head, kDataOffsetAt, 4) + rowBytes * static_cast<std::uint64_t>(height);
    if (needed > fileSize) return "is a truncated BMP file: its header promises more pixels than it holds";
    return {};
}

}  // namespace sample_terrain
