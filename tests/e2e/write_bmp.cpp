// write_bmp: writes a 24-bit uncompressed BMP of any size, filled with a grey
// diagonal gradient, so that tests can feed odd-sized height images to a
// program; or, with "quadrants", with four colours that show which corner lands
// where: red top left, green top right, blue bottom left, yellow bottom right.
// Usage: write_bmp <file> <width> <height> [quadrants]

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr long kMaxSide = 16384;
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::uint32_t kBytesPerPixel = kBitsPerPixel / 8;
constexpr std::uint32_t kRowAlignment = 4;
constexpr std::int32_t kPixelsPerMetre = 2835;  // 72 dpi
constexpr int kMaxGrey = 255;

std::optional<long> parseSide(const char* text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > kMaxSide) return std::nullopt;
    return value;
}

// BMP fields are little-endian whatever the host.
void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, static_cast<std::uint16_t>(value));
    put16(out, static_cast<std::uint16_t>(value >> 16));
}

struct Bgr {
    std::uint8_t b, g, r;
};

// Top left, top right, bottom left, bottom right.
constexpr Bgr kQuadrants[4] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 255, 255}};

std::vector<std::uint8_t> makeBmp(std::uint32_t width, std::uint32_t height, bool quadrants) {
    const std::uint32_t rowSize = (width * kBytesPerPixel + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    const std::uint32_t pixelBytes = rowSize * height;
    const std::uint32_t dataOffset = kFileHeaderSize + kInfoHeaderSize;

    std::vector<std::uint8_t> out;
    out.reserve(dataOffset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, dataOffset + pixelBytes);
    put32(out, 0);  // reserved
    put32(out, dataOffset);

    put32(out, kInfoHeaderSize);
    put32(out, width);
    put32(out, height);  // positive: rows are stored bottom-up
    put16(out, 1);       // colour planes
    put16(out, kBitsPerPixel);
    put32(out, 0);  // BI_RGB, no compression
    put32(out, pixelBytes);
    put32(out, static_cast<std::uint32_t>(kPixelsPerMetre));
    put32(out, static_cast<std::uint32_t>(kPixelsPerMetre));
    put32(out, 0);  // palette size
    put32(out, 0);  // important colours

    const std::uint32_t span = width + height - 2;  // 0 for a 1x1 image
    for (std::uint32_t row = 0; row < height; ++row) {
        for (std::uint32_t x = 0; x < width; ++x) {
            if (quadrants) {
                // Row 0 is the bottom row.
                const Bgr c = kQuadrants[(row < height / 2 ? 2 : 0) + (x < width / 2 ? 0 : 1)];
                out.insert(out.end(), {c.b, c.g, c.r});
                continue;
            }
            const std::uint32_t grey = span == 0 ? 0 : (x + row) * kMaxGrey / span;
            for (std::uint32_t c = 0; c < kBytesPerPixel; ++c) out.push_back(static_cast<std::uint8_t>(grey));
        }
        out.resize(out.size() + rowSize - width * kBytesPerPixel, 0);  // row padding
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quadrants = argc == 5 && std::string(argv[4]) == "quadrants";
    if (argc != 4 && !quadrants) {
        std::fputs("usage: write_bmp <file> <width> <height> [quadrants]\n", stderr);
        return 2;
    }
    const auto width = parseSide(argv[2]);
    const auto height = parseSide(argv[3]);
    if (!width || !height) {
        std::fprintf(stderr, "write_bmp: width and height must be 1..%ld\n", kMaxSide);
        return 2;
    }
    const auto bytes = makeBmp(static_cast<std::uint32_t>(*width), static_cast<std::uint32_t>(*height), quadrants);
    std::ofstream file(argv[1], std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "write_bmp: cannot write '%s'\n", argv[1]);
        return 1;
    }
    return 0;
}
