// The index of a world folder (world.txt): what the tiles are and where they lie. A world is
// a pyramid of square tiles of T = 2^k+1 samples; level 0 holds the source raster padded
// with its lowest height to P = (T-1) * 2^(levels-1) + 1 samples a side, and each coarser
// level keeps every second sample of the one below, up to one tile for the whole world.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace world {

constexpr int kFormatVersion = 1;
constexpr const char* kIndexFileName = "world.txt";
constexpr int kDefaultTileSide = 1025;

enum class SampleType { kInt16, kFloat };

// One level of the pyramid: the ground between neighbouring samples in metres and the
// tiles that exist (those reaching real samples; the rest is padding, never written).
struct WorldLevel {
    double cellX = 1.0, cellZ = 1.0;
    int columns = 0, rows = 0;
};

struct WorldIndex {
    int tileSide = kDefaultTileSide;
    int extentColumns = 0, extentRows = 0;   // level-0 samples of the source, before padding
    SampleType samples = SampleType::kInt16;
    float lowest = 0.0f, highest = 0.0f;     // metres, of the real samples; padding holds lowest
    bool georeferenced = false;
    std::array<double, 6> geoTransform{};    // GDAL's, of level-0 pixels, when georeferenced
    std::string crs;                         // one-line WKT; empty for none
    std::vector<WorldLevel> levels;          // [0] finest; levels.size() >= 1

    // P: level-0 samples a side once padded.
    int paddedSide() const;
    // Level-L samples a side: (P - 1) / 2^L + 1.
    int levelSide(int level) const;
};

// The pyramid for a source of `columns` x `rows` samples `cellX` x `cellZ` metres apart:
// the fewest levels whose padded side covers both, and each level's cells and tiles.
// Heights, georeference and sample type are left for the caller.
WorldIndex planWorld(int columns, int rows, int tileSide, double cellX, double cellZ);

// Whether `side` can be a tile's side: 2^k+1 from 3 to 8193.
bool validTileSide(int side);

// Reads DIR/world.txt into `index`. Returns an empty string, or one line naming the file and
// what is wrong with it (missing, another format or version, a bad or missing line).
std::string readWorldIndex(const std::filesystem::path& folder, WorldIndex& index);

// Writes DIR/world.txt under a temporary name and renames it into place. Returns an empty
// string or one line naming the file and the cause.
std::string writeWorldIndex(const std::filesystem::path& folder, const WorldIndex& index);

}  // namespace world
