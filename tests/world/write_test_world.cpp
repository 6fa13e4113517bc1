// Writes a generated world folder for the end-to-end flight of a world: rolling hills
// with a north-south ridge every 300 samples, so that tile borders fall on slopes, in
// tiles with their levels and shaded textures, as dem_to_world lays them out.
//   write_test_world DIR SIDE TILE     the world, SIDE x SIDE samples 30 m apart
//   write_test_world --height COL ROW  the height of level-0 sample (COL, ROW)
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>

#include "elevation/relief_shading.h"
#include "world/tile_files.h"
#include "world/world_index.h"

namespace {

constexpr double kCell = 30.0;

double heightAt(int column, int row) {
    return std::round(600.0 + 250.0 * std::sin(column * 0.011) * std::cos(row * 0.008) +
                      180.0 * std::abs(std::sin(column * M_PI / 300.0)) + 40.0 * std::sin((column + row) * 0.05));
}

int fail(const std::string& problem) {
    std::cerr << "write_test_world: " << problem << std::endl;
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--height") {
        std::cout << heightAt(std::atoi(argv[2]), std::atoi(argv[3])) << std::endl;
        return 0;
    }
    if (argc != 4) return fail("usage: write_test_world DIR SIDE TILE | --height COL ROW");
    const std::string folder = argv[1];
    const int side = std::atoi(argv[2]), T = std::atoi(argv[3]);
    world::WorldIndex index = world::planWorld(side, side, T, kCell, kCell);
    index.samples = world::SampleType::kInt16;
    index.lowest = 1e9f;
    index.highest = -1e9f;
    for (int row = 0; row < side; ++row)
        for (int column = 0; column < side; ++column) {
            index.lowest = std::min(index.lowest, static_cast<float>(heightAt(column, row)));
            index.highest = std::max(index.highest, static_cast<float>(heightAt(column, row)));
        }
    for (int level = 0; level < static_cast<int>(index.levels.size()); ++level) {
        const world::WorldLevel& l = index.levels[static_cast<std::size_t>(level)];
        for (int row = 0; row < l.rows; ++row)
            for (int column = 0; column < l.columns; ++column) {
                const world::TileKey key{level, column, row};
                elevation::HeightGrid heights;
                heights.width = heights.height = T;
                heights.values.resize(static_cast<std::size_t>(T) * T);
                for (int y = 0; y < T; ++y)
                    for (int x = 0; x < T; ++x) {
                        const int c = (column * (T - 1) + x) << level, r = (row * (T - 1) + y) << level;
                        heights.at(x, y) = c < side && r < side ? static_cast<float>(heightAt(c, r)) : index.lowest;
                    }
                elevation::ReliefLook look;
                look.columnSpacing = look.rowSpacing = kCell * (1 << level);
                const elevation::RgbImage texture = elevation::shadeRelief(heights, look, 2 * (T - 1), 2 * (T - 1), nullptr);
                std::string problem = world::writeTileHeights(folder, index, key, heights);
                if (problem.empty()) problem = world::writeTileTexture(folder, key, texture);
                if (!problem.empty()) return fail(problem);
            }
    }
    if (const std::string problem = world::writeWorldIndex(folder, index); !problem.empty()) return fail(problem);
    return 0;
}
