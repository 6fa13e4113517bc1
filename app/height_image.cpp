#include "app/height_image.h"

#include <filesystem>
#include <system_error>

#include "app/image_file_check.h"

namespace flyover {

namespace {

constexpr irr::u32 kMinImageWidth = 2;

std::string pixelSize(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + "x" + std::to_string(height) + " pixels";
}

std::string tooWide(std::uint32_t width, std::uint32_t height) {
    return "is " + pixelSize(width, height) + "; the fly-over takes at most " +
           std::to_string(kMaxHeightImageWidth) +
           " pixels a side; scale it down, e.g. with make_sample_terrain --from FILE --width 4096";
}

}  // namespace

std::string heightFileProblem(const char* fileName) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(fileName, ec);
    if (!fs::exists(status))
        return "is not in " + fs::current_path(ec).string() +
               "; run ./run.sh or tools/make_sample_terrain to create it";
    if (fs::is_directory(status)) return "is a folder, not an image file";
    if (fs::file_size(fileName, ec) == 0 && !ec) return "is empty";
    if (std::string problem = imageFileProblem(fileName); !problem.empty()) return problem;
    // Refused before loading: the image alone would take gigabytes.
    std::uint32_t width = 0, height = 0;
    if (imageFileSize(fileName, &width, &height) && width > kMaxHeightImageWidth)
        return tooWide(width, height);
    return {};
}

std::string heightImageProblem(const irr::video::IImage& image) {
    const irr::core::dimension2du size = image.getDimension();
    const std::string pixels = pixelSize(size.Width, size.Height);
    if (size.Width < kMinImageWidth) return "is " + pixels + "; it must be at least 2 pixels wide";
    if (size.Width != size.Height) return "is " + pixels + "; it must be square";
    if (size.Width > kMaxHeightImageWidth) return tooWide(size.Width, size.Height);
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
