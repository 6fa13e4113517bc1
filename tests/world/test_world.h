// A world held in memory for the tests of world/: its index, its level-0 heights (hills,
// ridges and noise, so that every level refines differently), each tile's map built as the
// flight builds it, and the tiles drawn with their fans captured per tile.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "world/tile_choice.h"
#include "world/world_index.h"
#include "world/world_pass.h"

namespace world::test {

constexpr double kCell = 10.0;   // metres between level-0 samples

template <class Sample>
class TestWorld {
public:
    // A world of `columns` x `rows` level-0 samples in tiles of `tileSide`.
    TestWorld(int columns, int rows, int tileSide, unsigned seed) : index_(planWorld(columns, rows, tileSide, kCell, kCell)) {
        index_.samples = std::is_integral_v<Sample> ? SampleType::kInt16 : SampleType::kFloat;
        const int P = index_.paddedSide();
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> noise(-8.0, 8.0);
        level0_.resize(static_cast<std::size_t>(P) * P);
        for (int y = 0; y < P; ++y)
            for (int x = 0; x < P; ++x) {
                const double h = 300.0 + 250.0 * std::sin(x * 0.05) * std::cos(y * 0.037) +
                                 120.0 * std::sin((x + 2.0 * y) * 0.21) + noise(random);
                level0_[static_cast<std::size_t>(y) * P + x] = static_cast<Sample>(std::round(h * 4.0) / 4.0);
            }
    }
    ~TestWorld() {
        for (auto& entry : tiles_) kalde::releaseMapArrays(entry.second->arrays);
    }

    const WorldIndex& index() const { return index_; }
    // Level-L sample (x, y), x east, y south: the level-0 sample it stands on.
    Sample sample(int level, int x, int y) const {
        const int P = index_.paddedSide();
        return level0_[static_cast<std::size_t>(y << level) * P + (x << level)];
    }
    // The grid the engine builds a tile from: grid row 0 the south row.
    std::vector<Sample> tileGrid(const TileKey& key) const {
        const int T = index_.tileSide;
        std::vector<Sample> grid(static_cast<std::size_t>(T) * T);
        for (int r = 0; r < T; ++r)
            for (int c = 0; c < T; ++c)
                grid[static_cast<std::size_t>(T - 1 - r) * T + c] =
                    sample(key.level, key.column * (T - 1) + c, key.row * (T - 1) + r);
        return grid;
    }
    // World x of level-0 column px, z of level-0 row py (rows run south, towards -z).
    static double xAt(double px) { return px * kCell; }
    static double zAt(double py) { return -py * kCell; }

    const TileMap<Sample>& tile(const TileKey& key) {
        auto& slot = tiles_[{key.level, key.column, key.row}];
        if (!slot) {
            const int T = index_.tileSide;
            slot = std::make_unique<TileMap<Sample>>();
            slot->key = key;
            const std::vector<Sample> grid = tileGrid(key);
            slot->arrays = kalde::buildMapArrays<Sample>(grid.data(), T, static_cast<float>(kCell * (1 << key.level)),
                                                         1.0f, 1.0f, kalde::RefinementParams{});
            const double centre = (T - 1) / 2.0;
            slot->centerX = static_cast<float>(xAt((key.column * (T - 1) + centre) * (1 << key.level)));
            slot->centerZ = static_cast<float>(zAt((key.row * (T - 1) + centre) * (1 << key.level)));
        }
        return *slot;
    }

private:
    WorldIndex index_;
    std::vector<Sample> level0_;
    std::map<std::array<int, 3>, std::unique_ptr<TileMap<Sample>>> tiles_;
};

}  // namespace world::test
