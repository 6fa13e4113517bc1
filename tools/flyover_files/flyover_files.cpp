#include "tools/flyover_files/flyover_files.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <system_error>
#include <vector>

#include "elevation/image_encoding.h"
#include "elevation/output_files.h"
#include "elevation/progress.h"
#include "elevation/command_line.h"
#include "tools/flyover_files/sample_shading.h"

namespace fs = std::filesystem;

namespace sample_terrain {
namespace {

constexpr int kJpegQuality = 90;
constexpr float kMaxLevel = 255.0f;

fs::path folderOf(const std::string& dir) { return dir.empty() ? fs::path(".") : fs::path(dir); }

// Grey 24-bit pixels: the elevation in red, copied into green and blue.
RgbImage greyLevels(const HeightField& field) {
    RgbImage image{field.size, field.size, std::vector<Rgb>(field.heights.size())};
    std::transform(field.heights.begin(), field.heights.end(), image.pixels.begin(), [](float h) {
        const auto level = static_cast<std::uint8_t>(std::lround(std::clamp(h, 0.0f, 1.0f) * kMaxLevel));
        return Rgb{level, level, level};
    });
    return image;
}

}  // namespace

std::string parseWidth(const std::string& text, int& width) {
    if (elevation::parseWholeNumber(text, width) && width >= kMinWidth && width <= kMaxWidth) return {};
    return "--width must be a whole number from " + std::to_string(kMinWidth) + " to " + std::to_string(kMaxWidth) +
           ", got '" + text + "'; e.g. --width 256";
}

std::string outputNamesProblem(const std::string& dir, bool replace) {
    return elevation::outputNamesProblem(folderOf(dir), {kHeightFileName, kTextureFileName}, replace);
}

std::string prepareOutputFolder(const std::string& dir, bool replace) {
    const fs::path folder = folderOf(dir);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        return "cannot create output folder '" + folder.string() + "' (" +
               (ec ? ec.message() : std::string("a file has that name")) + "); choose another --out";
    }
    if (access(folder.c_str(), W_OK) != 0) {
        return "output folder '" + folder.string() + "' is not writable; choose another --out or fix its permissions";
    }
    return outputNamesProblem(dir, replace);
}

bool writeFlyoverFiles(const HeightField& field, const std::string& dir, const TextureLook& look,
                       bool replace, std::ostream& log, std::string& error) {
    const int textureSize = textureSizeFor(field.size);
    const std::string textureName = std::to_string(textureSize) + "x" + std::to_string(textureSize) + " texture";
    std::vector<elevation::OutputFile> files(2);
    files[0] = {kHeightFileName, elevation::encodeBmp(greyLevels(field))};
    RgbImage texture;
    {
        elevation::Progress progress(log, "shading the " + textureName);
        texture = turnedHalfWay(shadeTerrain(field, textureSize, look.seed, look.waterLevel, &progress));
    }
    {
        elevation::Progress progress(log, "encoding the " + textureName);
        files[1] = {kTextureFileName, elevation::encodeJpeg(texture, kJpegQuality)};
    }
    elevation::Progress progress(log, "writing the files");
    error = elevation::writeFilesTogether(folderOf(dir), files, replace);
    if (!error.empty()) return false;
    const int sides[] = {field.size, textureSize};
    for (std::size_t k = 0; k < files.size(); ++k) {
        const fs::path path = dir.empty() ? fs::path(files[k].name) : fs::path(dir) / files[k].name;
        log << "wrote " << path.string() << " (" << sides[k] << "x" << sides[k] << ", " << files[k].bytes.size()
            << " bytes)\n";
    }
    return true;
}

}  // namespace sample_terrain
