#include "flyover_files.h"

#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <system_error>

#include "terrain_shading.h"

namespace fs = std::filesystem;

namespace sample_terrain {
namespace {

void reportWritten(std::ostream& log, const fs::path& path, int side) {
    std::error_code ec;
    const auto bytes = fs::file_size(path, ec);
    log << "wrote " << path.string() << " (" << side << "x" << side << ", " << (ec ? 0 : bytes) << " bytes)\n";
}

}  // namespace

std::string prepareOutputFolder(const std::string& dir) {
    const fs::path folder = dir.empty() ? fs::path(".") : fs::path(dir);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        return "cannot create output folder '" + folder.string() + "' (" +
               (ec ? ec.message() : std::string("a file has that name")) + "); choose another --out";
    }
    // Checked before the slow shading, so a bad folder fails at once rather than at the end.
    if (access(folder.c_str(), W_OK) != 0) {
        return "output folder '" + folder.string() + "' is not writable; choose another --out or fix its permissions";
    }
    return {};
}

bool writeFlyoverFiles(ImageIo& io, const HeightField& field, const std::string& dir, const TextureLook& look,
                       std::ostream& log, std::string& error) {
    const fs::path folder = dir.empty() ? fs::path() : fs::path(dir);
    const fs::path heightPath = folder / kHeightFileName;
    if (!io.writeHeightImage(field, heightPath.string(), error)) return false;
    reportWritten(log, heightPath, field.size);

    const int textureSize = textureSizeFor(field.size);
    const fs::path texturePath = folder / kTextureFileName;
    const RgbImage texture = turnedHalfWay(shadeTerrain(field, textureSize, look.seed, look.waterLevel));
    if (!io.writeColourImage(texture, texturePath.string(), error)) return false;
    reportWritten(log, texturePath, textureSize);
    return true;
}

}  // namespace sample_terrain
