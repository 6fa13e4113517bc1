#include "tools/make_sample_terrain/grey_image.h"


namespace sample_terrain {
namespace {

// ITU-R BT.601 luma weights; they sum to one, so grey stays grey.
constexpr float kLumaRed = 0.299f;
constexpr float kLumaGreen = 0.587f;
constexpr float kLumaBlue = 0.114f;

}  // namespace

float luminance(float r, float g, float b) { return kLumaRed * r + kLumaGreen * g + kLumaBlue * b; }

bool readGreyImage(const std::string& path, elevation::HeightGrid& image, std::string& error) {
    elevation::RgbImage decoded;
    const std::string problem = elevation::readImageFile(path, kSourceImageLimits, decoded);
    if (!problem.empty()) {
        error = "input image '" + path + "' " + problem;
        if (problem.find("; ") == std::string::npos) error += "; check the file given to --from";
        return false;
    }
    image = elevation::HeightGrid{decoded.width, decoded.height, std::vector<float>(decoded.pixels.size())};
    for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
        const elevation::Rgb c = decoded.pixels[i];
        image.values[i] = luminance(c.r, c.g, c.b);
    }
    return true;
}

}  // namespace sample_terrain
