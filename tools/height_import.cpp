#include "height_import.h"

#include <algorithm>
#include <cmath>

namespace sample_terrain {
namespace {

// ITU-R BT.601 luma weights; they sum to one, so grey stays grey.
constexpr float kLumaRed = 0.299f;
constexpr float kLumaGreen = 0.587f;
constexpr float kLumaBlue = 0.114f;

}  // namespace

float luminance(float r, float g, float b) { return kLumaRed * r + kLumaGreen * g + kLumaBlue * b; }

bool readGreyImage(const std::string& path, GreyImage& image, std::string& error) {
    elevation::RgbImage decoded;
    const std::string problem = elevation::readImageFile(path, kSourceImageLimits, decoded);
    if (!problem.empty()) {
        error = "input image '" + path + "' " + problem;
        if (problem.find("; ") == std::string::npos) error += "; check the file given to --from";
        return false;
    }
    image = GreyImage{decoded.width, decoded.height, std::vector<float>(decoded.pixels.size())};
    for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
        const elevation::Rgb c = decoded.pixels[i];
        image.values[i] = luminance(c.r, c.g, c.b);
    }
    return true;
}

GreyImage paddedToSquare(const GreyImage& image, float fill) {
    const int side = std::max(image.width, image.height);
    GreyImage square{side, side, std::vector<float>(static_cast<std::size_t>(side) * side, fill)};
    const int left = (side - image.width) / 2;
    const int top = (side - image.height) / 2;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            square.values[static_cast<std::size_t>(top + y) * side + left + x] = image.at(x, y);
        }
    }
    return square;
}

HeightField heightFieldFromImage(const GreyImage& image, int size) {
    HeightField field(size);
    const int side = std::min(image.width, image.height);
    if (side < 1 || size < 1) return field;
    const int left = (image.width - side) / 2;
    const int top = (image.height - side) / 2;
    const float scale = size > 1 ? static_cast<float>(side - 1) / static_cast<float>(size - 1) : 0.0f;

    for (int y = 0; y < size; ++y) {
        const float sy = static_cast<float>(y) * scale;
        const int y0 = std::min(static_cast<int>(sy), side - 1);
        const int y1 = std::min(y0 + 1, side - 1);
        const float ty = sy - static_cast<float>(y0);
        for (int x = 0; x < size; ++x) {
            const float sx = static_cast<float>(x) * scale;
            const int x0 = std::min(static_cast<int>(sx), side - 1);
            const int x1 = std::min(x0 + 1, side - 1);
            const float tx = sx - static_cast<float>(x0);
            const float a = image.at(left + x0, top + y0);
            const float b = image.at(left + x1, top + y0);
            const float c = image.at(left + x0, top + y1);
            const float d = image.at(left + x1, top + y1);
            const float upper = a + (b - a) * tx;
            const float lower = c + (d - c) * tx;
            field.at(x, y) = upper + (lower - upper) * ty;
        }
    }
    normalise(field);
    return field;
}

}  // namespace sample_terrain
