#include "world/world_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>

#include "elevation/height_holes.h"
#include "elevation/progress.h"
#include "elevation/raster_mosaic.h"
#include "elevation/raster_source.h"
#include "world/tile_files.h"
#include "world/tile_textures.h"

namespace world {

namespace {

namespace fs = std::filesystem;

constexpr int kSixteenBitSpan = 32767;

std::uint64_t tileCount(const WorldLevel& level) {
    return static_cast<std::uint64_t>(level.columns) * static_cast<std::uint64_t>(level.rows);
}

// The real samples of level-0 tile (column, row): the part of its window inside the source.
elevation::RasterWindow realWindow(const WorldIndex& index, int column, int row) {
    const int span = index.tileSide - 1;
    elevation::RasterWindow w{column * span, row * span, 0, 0};
    w.width = std::min(index.tileSide, index.extentColumns - w.column);
    w.height = std::min(index.tileSide, index.extentRows - w.row);
    return w;
}

// The heights' range and whether whole 16-bit numbers hold them, read a tile window at a time.
std::string surveyHeights(const elevation::RasterSource& source, WorldIndex& index, std::ostream& console) {
    float lowest = std::numeric_limits<float>::max(), highest = std::numeric_limits<float>::lowest();
    bool whole = true;
    elevation::HeightGrid heights;
    elevation::HoleMask holes;
    const WorldLevel& level = index.levels[0];
    elevation::Progress progress(console, "surveying heights");
    for (int row = 0; row < level.rows; ++row) {
        for (int column = 0; column < level.columns; ++column) {
            if (std::string problem = source.read(realWindow(index, column, row), heights, holes); !problem.empty())
                return problem;
            for (std::size_t i = 0; i < heights.values.size(); ++i) {
                if (holes[i]) continue;
                const float h = heights.values[i];
                lowest = std::min(lowest, h);
                highest = std::max(highest, h);
                whole = whole && h == std::floor(h);
            }
            progress.advance(static_cast<std::uint64_t>(row) * level.columns + column + 1, tileCount(level));
        }
    }
    if (lowest > highest) return "holds only no-data samples; choose other files";
    index.lowest = lowest;
    index.highest = highest;
    // The engine's 16-bit maps also need every height within 32767 of every other.
    const bool fits = whole && lowest >= std::numeric_limits<std::int16_t>::min() &&
                      highest <= std::numeric_limits<std::int16_t>::max() &&
                      static_cast<double>(highest) - lowest <= kSixteenBitSpan;
    index.samples = fits ? SampleType::kInt16 : SampleType::kFloat;
    return {};
}

// Writes a tile's heights and its texture.
std::string writeTile(const fs::path& folder, const WorldIndex& index, const TileKey& key,
                      const elevation::HeightGrid& heights, const TextureCutter* cutter) {
    if (std::string problem = writeTileHeights(folder, index, key, heights); !problem.empty()) return problem;
    elevation::RgbImage texture;
    if (cutter) {
        if (std::string problem = cutter->cut(index, key, texture); !problem.empty()) return problem;
    } else {
        texture = reliefTileTexture(index, key.level, heights);
    }
    return writeTileTexture(folder, key, texture);
}

// Level 0, tile by tile in raster order. Holes are filled within a tile, its western column
// and northern row taken as already filled by the tiles written before, so that the borders
// neighbours share hold the same heights in both.
std::string writeLevelZero(const elevation::RasterSource& source, const fs::path& folder, const WorldIndex& index,
                           const TextureCutter* cutter, std::ostream& console) {
    const int side = index.tileSide, span = side - 1;
    const WorldLevel& level = index.levels[0];
    std::vector<float> southRow(static_cast<std::size_t>(level.columns) * span + 1);
    std::vector<float> eastColumn(static_cast<std::size_t>(side));
    elevation::HeightGrid real, tile;
    elevation::HoleMask holes;
    elevation::Progress progress(console, "level 0: " + std::to_string(tileCount(level)) + " tiles");
    for (int row = 0; row < level.rows; ++row) {
        for (int column = 0; column < level.columns; ++column) {
            const elevation::RasterWindow window = realWindow(index, column, row);
            if (std::string problem = source.read(window, real, holes); !problem.empty()) return problem;
            for (int x = 0; row > 0 && x < window.width; ++x) {
                real.at(x, 0) = southRow[static_cast<std::size_t>(window.column + x)];
                holes[static_cast<std::size_t>(x)] = 0;
            }
            for (int y = 0; column > 0 && y < window.height; ++y) {
                real.at(0, y) = eastColumn[static_cast<std::size_t>(y)];
                holes[static_cast<std::size_t>(y) * window.width] = 0;
            }
            // A window without one height (open sea in some files) lies at the lowest.
            if (!elevation::fillHoles(real, holes)) std::fill(real.values.begin(), real.values.end(), index.lowest);
            tile = {side, side, std::vector<float>(static_cast<std::size_t>(side) * side, index.lowest)};
            for (int y = 0; y < window.height; ++y)
                std::copy_n(&real.values[static_cast<std::size_t>(y) * window.width], window.width, &tile.at(0, y));
            for (int y = 0; y < side; ++y) eastColumn[static_cast<std::size_t>(y)] = tile.at(span, y);
            std::copy_n(&tile.at(0, span), side, &southRow[static_cast<std::size_t>(column) * span]);
            if (std::string problem = writeTile(folder, index, {0, column, row}, tile, cutter); !problem.empty())
                return problem;
            progress.advance(static_cast<std::uint64_t>(row) * level.columns + column + 1, tileCount(level));
        }
    }
    return {};
}

// Level L+1 from level L: sample (x, y) of a coarse tile is sample (2x, 2y) of the level below,
// taken from the four tiles it covers; where one is not written, the padding.
std::string writeCoarserLevel(const fs::path& folder, const WorldIndex& index, int level, const TextureCutter* cutter,
                              std::ostream& console) {
    const int side = index.tileSide, span = side - 1;
    const WorldLevel& grid = index.levels[static_cast<std::size_t>(level)];
    elevation::HeightGrid children[2][2], tile{side, side, std::vector<float>(static_cast<std::size_t>(side) * side)};
    bool present[2][2];
    elevation::Progress progress(console, "level " + std::to_string(level) + ": " + std::to_string(tileCount(grid)) +
                                              " tiles");
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const TileKey child{level - 1, 2 * column + dx, 2 * row + dy};
                    present[dy][dx] = tileExists(index, child);
                    if (!present[dy][dx]) continue;
                    if (std::string problem = readTileRaster(folder, index, child, children[dy][dx]); !problem.empty())
                        return problem;
                }
            for (int y = 0; y < side; ++y) {
                // A sample on the line between two children is taken from the first of them.
                const int dy = 2 * y > span ? 1 : 0, cy = 2 * y - dy * span;
                for (int x = 0; x < side; ++x) {
                    const int dx = 2 * x > span ? 1 : 0, cx = 2 * x - dx * span;
                    tile.at(x, y) = present[dy][dx] ? children[dy][dx].at(cx, cy) : index.lowest;
                }
            }
            if (std::string problem = writeTile(folder, index, {level, column, row}, tile, cutter); !problem.empty())
                return problem;
            progress.advance(static_cast<std::uint64_t>(row) * grid.columns + column + 1, tileCount(grid));
        }
    }
    return {};
}

// Flushes every file of the folder to disk before it takes the world's name.
void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}

// Puts the finished folder in place of the world, whose old folder goes only once the new
// one has its name.
std::string replaceFolder(const fs::path& built, const fs::path& folder) {
    std::error_code error;
    const fs::path old = fs::path(folder.string() + ".old");
    fs::remove_all(old, error);
    const bool existed = fs::exists(folder, error);
    if (existed) fs::rename(folder, old, error);
    if (!error) fs::rename(built, folder, error);
    if (error) {
        if (existed && fs::exists(old)) fs::rename(old, folder, error);
        return "cannot put the world in place at '" + folder.string() + "' (" + error.message() + ")";
    }
    fs::remove_all(old, error);
    return {};
}

}  // namespace

std::string worldFolderProblem(const fs::path& folder) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (!fs::exists(status)) return {};
    if (fs::is_directory(status) && (fs::exists(folder / kIndexFileName, error) || fs::is_empty(folder, error)))
        return {};
    return "'" + folder.string() + "' exists and is not a world folder; choose another --out or remove it";
}

std::string writeWorld(const WorldSource& world, const fs::path& folder, std::ostream& console) {
    std::string mosaic;
    if (std::string problem = elevation::mosaicOf(world.inputs, mosaic); !problem.empty()) return problem;
    elevation::RasterSource source;
    if (std::string problem = source.open(mosaic, 1); !problem.empty()) return problem;
    const elevation::Georeference& georeference = source.georeference();
    const double cellX = georeference.columnSpacing(), cellZ = georeference.rowSpacing();
    if (!(cellX > 0.0 && cellZ > 0.0 && std::isfinite(cellX) && std::isfinite(cellZ)))
        return "the input's georeference has cells without a size (" + georeference.summary() +
               "); fix the file's georeference";
    WorldIndex index = planWorld(source.width(), source.height(), world.tileSide, cellX, cellZ);
    index.crs = georeference.kind() == elevation::Georeference::Kind::kNone ? "" : source.coordinateSystem();
    index.georeferenced = source.geoTransform(index.geoTransform.data());
    console << "source: " << source.width() << " x " << source.height() << " samples, " << georeference.summary()
            << '\n'
            << "world: " << index.levels.size() << " levels of " << index.tileSide << " x " << index.tileSide
            << " tiles, " << index.paddedSide() << " samples a side at level 0" << std::endl;
    TextureCutter cutterStore;
    const TextureCutter* cutter = nullptr;
    if (!world.texturePath.empty()) {
        if (std::string problem = cutterStore.open(world.texturePath); !problem.empty()) return problem;
        cutter = &cutterStore;
    }
    if (std::string problem = surveyHeights(source, index, console); !problem.empty()) return problem;

    const fs::path built = fs::path(folder.string() + ".partial");
    std::error_code error;
    fs::remove_all(built, error);
    fs::create_directories(built, error);
    if (error) return "cannot make '" + built.string() + "' (" + error.message() + "); choose another --out";
    std::string problem = writeLevelZero(source, built, index, cutter, console);
    for (int level = 1; problem.empty() && level < static_cast<int>(index.levels.size()); ++level)
        problem = writeCoarserLevel(built, index, level, cutter, console);
    if (problem.empty()) problem = writeWorldIndex(built, index);
    if (problem.empty()) {
        syncFolder(built);
        problem = replaceFolder(built, folder);
    }
    if (!problem.empty()) fs::remove_all(built, error);
    return problem;
}

}  // namespace world
