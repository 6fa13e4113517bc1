#include "app/height_image.h"

#include <filesystem>
#include <system_error>

namespace flyover {

namespace {

constexpr int kMinImageWidth = 2;

}  // namespace

std::string readHeightImage(const char* fileName, elevation::RgbImage& image) {
    elevation::InputFile file;
    if (std::string problem = file.open(fileName); !problem.empty()) {
        std::error_code ec;
        if (file.missing())
            return "is not in " + std::filesystem::current_path(ec).string() +
                   "; run ./run.sh or tools/make_sample_terrain to create it";
        return problem;
    }
    if (std::string problem = elevation::decodeImage(file, kHeightImageLimits, image); !problem.empty())
        return problem;
    const std::string pixels =
        "is " + std::to_string(image.width) + "x" + std::to_string(image.height) + " pixels";
    if (image.width < kMinImageWidth) return pixels + "; it must be at least 2 pixels wide";
    if (image.width != image.height) return pixels + "; it must be square";
    return {};
}

std::vector<std::int16_t> sampleGridFromImage(const elevation::RgbImage& image) {
    const std::size_t n = static_cast<std::size_t>(image.width);
    std::vector<std::int16_t> grid(n * n);
    for (std::size_t k = 0; k < n; ++k) {
        const elevation::Rgb* row = image.row(static_cast<int>(n - 1 - k));
        for (std::size_t x = 0; x < n; ++x) grid[x + n * k] = row[x].r;
    }
    return grid;
}

}  // namespace flyover
