#include "world/tile_files.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <type_traits>

#include "elevation/image_encoding.h"

namespace world {

namespace {

constexpr int kJpegQuality = 90;
constexpr const char* kRebuild = "; rebuild the world with dem_to_world";

std::string tileName(const TileKey& key) {
    return std::to_string(key.column) + "_" + std::to_string(key.row);
}

std::size_t sampleBytes(const WorldIndex& index) { return index.samples == SampleType::kInt16 ? 2 : 4; }

// Little-endian whatever the machine.
float decode(const unsigned char* p, SampleType type) {
    if (type == SampleType::kInt16) return static_cast<std::int16_t>(p[0] | p[1] << 8);
    const std::uint32_t bits = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                               std::uint32_t{p[3]} << 24;
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void encode(float v, SampleType type, unsigned char* p) {
    std::uint32_t bits;
    if (type == SampleType::kInt16) {
        const long whole = std::lround(std::clamp(v, -32768.0f, 32767.0f));
        bits = static_cast<std::uint16_t>(static_cast<std::int16_t>(whole));
    } else {
        std::memcpy(&bits, &v, sizeof v);
    }
    for (std::size_t i = 0; i < (type == SampleType::kInt16 ? 2u : 4u); ++i) p[i] = static_cast<unsigned char>(bits >> (8 * i));
}

std::string writeBytes(const std::filesystem::path& path, const void* bytes, std::size_t size) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    out.close();
    if (!out) return "cannot write '" + path.string() + "' (" + std::strerror(errno) + "); check the free space";
    return {};
}

// Reads the raw samples of a tile's heights file into `raw`, checking its size.
std::string readTileFile(const std::filesystem::path& folder, const WorldIndex& index, const TileKey& key,
                         std::vector<unsigned char>& raw) {
    const std::filesystem::path path = tileHeightsPath(folder, key);
    const int side = index.tileSide;
    const std::size_t bytes = static_cast<std::size_t>(side) * static_cast<std::size_t>(side) * sampleBytes(index);
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read '" + path.string() + "' (" + std::strerror(errno) + ")" + kRebuild;
    raw.resize(bytes + 1);
    in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes)
        return "'" + path.string() + "' is not a tile of " + std::to_string(side) + " x " + std::to_string(side) + " " +
               (index.samples == SampleType::kInt16 ? "int16" : "float") + " samples" + kRebuild;
    return {};
}

}  // namespace

bool tileExists(const WorldIndex& index, const TileKey& key) {
    if (key.level < 0 || key.level >= static_cast<int>(index.levels.size())) return false;
    const WorldLevel& level = index.levels[static_cast<std::size_t>(key.level)];
    return key.column >= 0 && key.row >= 0 && key.column < level.columns && key.row < level.rows;
}

std::filesystem::path tileHeightsPath(const std::filesystem::path& folder, const TileKey& key) {
    return folder / std::to_string(key.level) / (tileName(key) + ".heights");
}

std::filesystem::path tileTexturePath(const std::filesystem::path& folder, const TileKey& key) {
    return folder / std::to_string(key.level) / (tileName(key) + ".jpg");
}

template <class Sample>
std::string readTileHeights(const std::filesystem::path& folder, const WorldIndex& index, const TileKey& key,
                            std::vector<Sample>& grid) {
    if (std::is_integral_v<Sample> && index.samples != SampleType::kInt16)
        return "'" + tileHeightsPath(folder, key).string() + "' holds float samples, which 16-bit samples cannot take";
    std::vector<unsigned char> raw;
    if (std::string problem = readTileFile(folder, index, key, raw); !problem.empty()) return problem;
    const int side = index.tileSide;
    const std::size_t width = sampleBytes(index);
    grid.resize(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    // The file's north row becomes the grid's last: buildMap turns grid row N-1-j into map
    // row j, and map row 0 is the north row.
    for (int r = 0; r < side; ++r) {
        const unsigned char* in = raw.data() + static_cast<std::size_t>(side - 1 - r) * side * width;
        Sample* out = grid.data() + static_cast<std::size_t>(r) * side;
        for (int c = 0; c < side; ++c) out[c] = static_cast<Sample>(decode(in + c * width, index.samples));
    }
    return {};
}

template std::string readTileHeights<std::int16_t>(const std::filesystem::path&, const WorldIndex&, const TileKey&,
                                                   std::vector<std::int16_t>&);
template std::string readTileHeights<float>(const std::filesystem::path&, const WorldIndex&, const TileKey&,
                                            std::vector<float>&);

std::string readTileRaster(const std::filesystem::path& folder, const WorldIndex& index, const TileKey& key,
                           elevation::HeightGrid& heights) {
    std::vector<unsigned char> raw;
    if (std::string problem = readTileFile(folder, index, key, raw); !problem.empty()) return problem;
    const int side = index.tileSide;
    const std::size_t width = sampleBytes(index);
    heights = {side, side, std::vector<float>(static_cast<std::size_t>(side) * static_cast<std::size_t>(side))};
    for (std::size_t i = 0; i < heights.values.size(); ++i) heights.values[i] = decode(&raw[i * width], index.samples);
    return {};
}

std::string writeTileHeights(const std::filesystem::path& folder, const WorldIndex& index, const TileKey& key,
                             const elevation::HeightGrid& heights) {
    const std::size_t width = sampleBytes(index);
    std::vector<unsigned char> raw(heights.values.size() * width);
    for (std::size_t i = 0; i < heights.values.size(); ++i) encode(heights.values[i], index.samples, &raw[i * width]);
    return writeBytes(tileHeightsPath(folder, key), raw.data(), raw.size());
}

std::string writeTileTexture(const std::filesystem::path& folder, const TileKey& key, const elevation::RgbImage& image) {
    const std::vector<std::uint8_t> jpeg = elevation::encodeJpeg(image, kJpegQuality);
    return writeBytes(tileTexturePath(folder, key), jpeg.data(), jpeg.size());
}

}  // namespace world
