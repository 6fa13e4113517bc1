#include "elevation/image_decoding.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <new>

#include "elevation/image_decoders.h"

namespace elevation {

namespace {

constexpr std::uint8_t kBmpSignature[] = {'B', 'M'};
constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint8_t kJpegSignature[] = {0xFF, 0xD8, 0xFF};
constexpr std::size_t kSignatureBytes = sizeof kPngSignature;
constexpr std::uint64_t kPixelsPerMillion = 1000000;

template <std::size_t N>
bool startsWith(const std::uint8_t (&head)[kSignatureBytes], std::size_t length,
                const std::uint8_t (&signature)[N]) {
    return length >= N && std::equal(std::begin(signature), std::end(signature), head);
}

}  // namespace

std::string imageSizeProblem(std::uint64_t width, std::uint64_t height, const ImageLimits& limits) {
    const std::string size = "is " + std::to_string(width) + "x" + std::to_string(height) + " pixels";
    if (width == 0 || height == 0) return size + ", an image without pixels";
    if (width > limits.maxSide || height > limits.maxSide)
        return size + "; at most " + std::to_string(limits.maxSide) +
               " pixels a side can be read; scale it down";
    if (width * height > limits.maxPixels) {
        char count[32];
        if (limits.maxPixels < kPixelsPerMillion)
            std::snprintf(count, sizeof count, "%llu", static_cast<unsigned long long>(limits.maxPixels));
        else
            std::snprintf(count, sizeof count, "%.1f million",
                          static_cast<double>(limits.maxPixels) / kPixelsPerMillion);
        return size + "; at most " + count + " pixels in all can be read; scale it down";
    }
    return {};
}

std::string decodeImage(InputFile& file, const ImageLimits& limits, RgbImage& image) {
    image = RgbImage{};
    std::uint8_t head[kSignatureBytes] = {};
    std::FILE* stream = file.stream();
    std::rewind(stream);
    const std::size_t length = std::fread(head, 1, sizeof head, stream);
    std::rewind(stream);
    std::string problem;
    try {
        if (length == 0)
            problem = "is empty";
        else if (startsWith(head, length, kBmpSignature))
            problem = detail::decodeBmp(stream, file.size(), limits, image);
        else if (startsWith(head, length, kPngSignature))
            problem = detail::decodePng(stream, limits, image);
        else if (startsWith(head, length, kJpegSignature))
            problem = detail::decodeJpeg(stream, limits, image);
        else
            problem = "is not a BMP, PNG or JPEG file, the formats that are read; save it as one of them";
    } catch (const std::bad_alloc&) {
        // Only the pixels are allocated in C++, outside the codecs' own calls.
        problem = "is an image too large for the memory that is free; scale it down";
    }
    if (!problem.empty()) image = RgbImage{};
    return problem;
}

std::string readImageFile(const std::string& path, const ImageLimits& limits, RgbImage& image) {
    InputFile file;
    if (std::string problem = file.open(path); !problem.empty()) return problem;
    return decodeImage(file, limits, image);
}

void detail::allocatePixels(RgbImage& image, std::uint32_t width, std::uint32_t height) {
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.assign(static_cast<std::size_t>(width) * height, Rgb{});
}

}  // namespace elevation
