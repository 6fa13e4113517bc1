#include "app/image_file_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace flyover {

namespace {

// Field offsets in the file header and the BITMAPINFOHEADER that follows it.
constexpr std::size_t kDataOffsetAt = 10;
constexpr std::size_t kWidthAt = 18;
constexpr std::size_t kHeightAt = 22;
constexpr std::size_t kBitsPerPixelAt = 28;
constexpr std::size_t kCompressionAt = 30;
constexpr std::size_t kDataSizeAt = 34;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint64_t kDecodedBits[] = {1, 4, 8, 16, 24, 32};
constexpr std::uint64_t kPalettedBits[] = {4, 8};
constexpr std::uint32_t kBitsPerByte = 8;
constexpr std::uint64_t kBitsOfSkewedRows = 16;
constexpr std::uint64_t kPaletteEntryBytes = 4;
constexpr std::uint64_t kRowAlignmentBytes = 4;
// The reader sizes rows in single precision, which counts bytes exactly only up to 2^24.
constexpr std::uint64_t kMaxRowBytes = std::uint64_t{1} << 24;

// A PNG file starts with its signature and then the IHDR chunk: length, type, width and
// height (big-endian).
constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::size_t kPngChunkTypeAt = 12;
constexpr std::size_t kPngWidthAt = 16;
constexpr std::size_t kPngHeightAt = 20;
constexpr std::size_t kPngHeaderBytes = 24;
constexpr char kPngHeaderChunk[] = "IHDR";

std::uint32_t readLe(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

std::uint32_t readBe32(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | b[at + i];
    return v;
}

bool isBmp(const std::vector<std::uint8_t>& head) {
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

bool isPng(const std::vector<std::uint8_t>& head) {
    return head.size() >= sizeof kPngSignature &&
           std::equal(std::begin(kPngSignature), std::end(kPngSignature), head.begin());
}

// An IHDR that the PNG reader would size its image from; without one it reads nothing.
std::string pngHeaderProblem(const std::vector<std::uint8_t>& head) {
    if (head.size() < kPngHeaderBytes ||
        !std::equal(kPngHeaderChunk, kPngHeaderChunk + 4, head.begin() + kPngChunkTypeAt))
        return {};
    const std::uint32_t width = readBe32(head, kPngWidthAt);
    const std::uint32_t height = readBe32(head, kPngHeightAt);
    if (width <= kMaxImageSide && height <= kMaxImageSide) return {};
    return "is a PNG file of " + std::to_string(width) + "x" + std::to_string(height) +
           " pixels; at most " + std::to_string(kMaxImageSide) + " a side can become a terrain";
}

}  // namespace

std::string checkBmpHeader(const std::vector<std::uint8_t>& head, std::uintmax_t fileSize) {
    if (!isBmp(head)) return {};
    if (head.size() < kBmpHeaderBytes || fileSize < kBmpHeaderBytes)
        return "is a BMP file too short to hold its headers";

    const auto width = static_cast<std::int32_t>(readLe(head, kWidthAt, 4));
    const auto height = static_cast<std::int32_t>(readLe(head, kHeightAt, 4));
    if (width <= 0 || height == 0) return "is a BMP file with an invalid size in its header";
    // A negative height marks top-down rows, which the reader mistakes for a gigantic image.
    if (height < 0) return "is a top-down BMP file, which Irrlicht's reader cannot decode";

    // The reader's run-length decoders neither stop at the end of their input nor at the
    // end of the image they write, and it refuses other compressions. A BMP it refuses
    // would go on to the other readers, which look at the file's end as well.
    if (readLe(head, kCompressionAt, 4) != kUncompressed)
        return "is a compressed BMP file; Irrlicht's reader decodes only uncompressed ones safely";
    const std::uint64_t bits = readLe(head, kBitsPerPixelAt, 2);
    if (std::find(std::begin(kDecodedBits), std::end(kDecodedBits), bits) == std::end(kDecodedBits))
        return "is a BMP file of " + std::to_string(bits) +
               " bits per pixel, which Irrlicht's reader cannot decode";

    // The reader takes everything between the headers and the pixels as the palette, and
    // looks up every pixel value of a 4- or 8-bit image in it.
    const std::uint64_t dataOffset = readLe(head, kDataOffsetAt, 4);
    if (dataOffset < kBmpHeaderBytes) return "is a BMP file whose pixel data overlaps its headers";
    if (std::find(std::begin(kPalettedBits), std::end(kPalettedBits), bits) !=
        std::end(kPalettedBits)) {
        const std::uint64_t colours = std::uint64_t{1} << bits;
        if ((dataOffset - kBmpHeaderBytes) / kPaletteEntryBytes < colours)
            return "is a BMP file of " + std::to_string(bits) + " bits per pixel with fewer than " +
                   std::to_string(colours) + " palette colours";
    }

    // The reader steps over a 16-bit row's padding in 16-bit units: rows of an odd width,
    // the only ones with padding, would be read skewed and past the end of the data.
    if (bits == kBitsOfSkewedRows && width % 2 != 0)
        return "is a BMP file of 16 bits per pixel and odd width, which Irrlicht's reader decodes "
               "wrongly";

    // Rows are padded to whole 32-bit words.
    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(width) * bits + kBitsPerByte * kRowAlignmentBytes - 1) /
        (kBitsPerByte * kRowAlignmentBytes) * kRowAlignmentBytes;
    if (rowBytes > kMaxRowBytes) return "is a BMP file too wide for Irrlicht's reader";
    const std::uint64_t pixelBytes = rowBytes * static_cast<std::uint64_t>(height);
    if (dataOffset + pixelBytes > fileSize)
        return "is a truncated BMP file: its header promises more pixels than it holds";
    // The reader allocates and decodes the data size its header states (0: up to the end
    // of the file), rounded up to whole 32-bit words.
    const std::uint64_t dataSize = readLe(head, kDataSizeAt, 4);
    if (dataSize > fileSize)
        return "is a BMP file whose header claims more pixel data than it holds";
    const std::uint64_t rounded =
        (dataSize + kRowAlignmentBytes - 1) / kRowAlignmentBytes * kRowAlignmentBytes;
    if (dataSize != 0 && rounded < pixelBytes)
        return "is a BMP file whose header gives its pixels too few bytes of data";
    return {};
}

std::string imageHeadProblem(const std::vector<std::uint8_t>& head, std::uintmax_t fileSize) {
    if (isBmp(head)) return checkBmpHeader(head, fileSize);
    if (isPng(head)) return pngHeaderProblem(head);
    return "is neither a BMP nor a PNG file (Irrlicht's other image readers can crash on "
           "damaged files); save it as a 24-bit BMP";
}

namespace {

// The start of a file and its whole size; false when it cannot be read.
bool readHead(const char* fileName, std::vector<std::uint8_t>* head, std::uintmax_t* fileSize) {
    head->assign(kImageHeadBytes, 0);
    std::ifstream in(fileName, std::ios::binary);
    if (!in.is_open()) return false;
    in.read(reinterpret_cast<char*>(head->data()), static_cast<std::streamsize>(head->size()));
    head->resize(static_cast<std::size_t>(in.gcount()));
    std::error_code ec;
    *fileSize = std::filesystem::file_size(fileName, ec);
    return !ec;
}

}  // namespace

std::string imageFileProblem(const char* fileName) {
    std::vector<std::uint8_t> head;
    std::uintmax_t fileSize = 0;
    if (!readHead(fileName, &head, &fileSize)) return {};
    return imageHeadProblem(head, fileSize);
}

bool imageFileSize(const char* fileName, std::uint32_t* width, std::uint32_t* height) {
    std::vector<std::uint8_t> head;
    std::uintmax_t fileSize = 0;
    if (!readHead(fileName, &head, &fileSize)) return false;
    if (isBmp(head) && head.size() >= kBmpHeaderBytes) {
        *width = readLe(head, kWidthAt, 4);
        *height = readLe(head, kHeightAt, 4);
        return true;
    }
    if (isPng(head) && head.size() >= kPngHeightAt + 4) {
        *width = readBe32(head, kPngWidthAt);
        *height = readBe32(head, kPngHeightAt);
        return true;
    }
    return false;
}

}  // namespace flyover
