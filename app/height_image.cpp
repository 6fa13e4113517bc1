#include "app/height_image.h"

#include <filesystem>
#include <system_error>

namespace flyover {

namespace {
constexpr irr::u32 kMinImageWidth = 2;
}

std::string heightFileProblem(const char* fileName) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(fileName, ec);
    if (!fs::exists(status))
        return "is not in " + fs::current_path(ec).string() +
               "; run ./run.sh or tools/make_sample_terrain to create it";
    if (fs::is_directory(status)) return "is a folder, not an image file";
    if (fs::file_size(fileName, ec) == 0 && !ec) return "is empty";
    return {};
}

std::string heightImageProblem(const irr::video::IImage& image) {
    const irr::core::dimension2du size = image.getDimension();
    const std::string pixels = std::to_string(size.Width) + "x" + std::to_string(size.Height);
    if (size.Width < kMinImageWidth)
        return "is " + pixels + " pixels; it must be at least 2 pixels wide";
    if (size.Width != size.Height) return "is " + pixels + " pixels; it must be square";
    return {};
}

std::vector<std::int16_t> sampleGridFromImage(const irr::video::IImage& image) {
    const irr::u32 n = image.getDimension().Width;
    std::vector<std::int16_t> grid(static_cast<std::size_t>(n) * n);
    for (irr::u32 x = 0; x < n; ++x)
        for (irr::u32 k = 0; k < n; ++k)
            grid[x + static_cast<std::size_t>(n) * k] =
                static_cast<std::int16_t>(image.getPixel(x, n - 1 - k).getRed());
    return grid;
}

}  // namespace flyover
