// Choosing the tiles of a view: a cut through the pyramid that covers the ground within
// the far distance once, finest near the camera, neighbours at most one level apart; and
// standing in for tiles not ready with their nearest ready ancestor.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "world/tile_choice.h"
#include "world/tile_stitching.h"

namespace world {
namespace {

constexpr int kTile = 17;

// A world of 8 x 8 level-0 tiles, 10 m cells, the last row and column of tiles missing.
WorldIndex testIndex() { return planWorld(113, 113, kTile, 10.0, 10.0); }

// The drawn tiles around each level-0 tile: the one covering it, by index, or -1.
int coveringTile(const std::vector<TileKey>& tiles, const TileKey& key) {
    int found = -1;
    for (std::size_t t = 0; t < tiles.size(); ++t)
        if (tileWithin(key, tiles[t])) {
            EXPECT_EQ(found, -1) << "two tiles cover level-0 tile " << key.column << "," << key.row;
            found = static_cast<int>(t);
        }
    return found;
}

// Where two tiles share a border, their levels differ by at most one.
void expectBalanced(const std::vector<TileKey>& tiles) {
    for (const TileKey& a : tiles)
        for (const TileKey& b : tiles) {
            const long long sa = 16LL << a.level, sb = 16LL << b.level;
            const bool touchX = a.column * sa + sa == b.column * sb &&
                                a.row * sa < (b.row + 1) * sb && b.row * sb < (a.row + 1) * sa;
            const bool touchY = a.row * sa + sa == b.row * sb &&
                                a.column * sa < (b.column + 1) * sb && b.column * sb < (a.column + 1) * sa;
            if (touchX || touchY) {
                EXPECT_LE(std::abs(a.level - b.level), 1);
            }
        }
}

TEST(TileChoice, CoversTheGroundWithinReachOnceFinestNearTheCamera) {
    const WorldIndex index = testIndex();
    ASSERT_EQ(index.levels.size(), 4u);
    ASSERT_EQ(index.levels[0].columns, 7);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int v = 0; v < 500; ++v) {
        TileChoiceView view;
        view.column = -30.0 + unit(random) * 190.0;
        view.row = -30.0 + unit(random) * 190.0;
        view.altitude = unit(random) * unit(random) * 600.0;
        view.farDistance = 50.0 + unit(random) * 1500.0;
        const double split = 1.5 + unit(random) * 3.0;
        const std::vector<TileKey> tiles = chooseTiles(index, view, split);
        for (std::size_t t = 1; t < tiles.size(); ++t) EXPECT_GE(tiles[t - 1].level, tiles[t].level);
        for (const TileKey& key : tiles) {
            EXPECT_TRUE(tileExists(index, key));
            EXPECT_LE(tileDistance(index, key, view), view.farDistance);
        }
        for (int c = 0; c < 8; ++c)
            for (int r = 0; r < 8; ++r) {
                const TileKey key{0, c, r};
                const int t = coveringTile(tiles, key);
                if (!tileExists(index, key)) continue;   // padding, drawn only inside coarser tiles
                const double distance = tileDistance(index, key, view);
                if (distance <= view.farDistance) {
                    EXPECT_GE(t, 0) << "a tile within reach is not drawn";
                }
                // Nearer than the split distance of its parent: drawn at full resolution.
                if (t >= 0 && distance < split * 320.0 - 230.0) {
                    EXPECT_EQ(tiles[t].level, 0);
                }
            }
        expectBalanced(tiles);
    }
}

TEST(TileChoice, NearestReadyAncestorsStandInWithoutOverlap) {
    const WorldIndex index = testIndex();
    TileChoiceView view;
    view.column = 20.0;
    view.row = 20.0;
    view.farDistance = 5000.0;
    const std::vector<TileKey> chosen = chooseTiles(index, view);
    // Level 0 is ready from its third column on; west of it, level 1 stands in.
    const auto ready = [&](const TileKey& k) { return k.level >= 1 || k.column >= 2; };
    const std::vector<TileKey> drawn = drawableTiles(chosen, ready);
    const auto drawnHas = [&](const TileKey& k) { return std::find(drawn.begin(), drawn.end(), k) != drawn.end(); };
    EXPECT_TRUE(drawnHas({0, 2, 1}));
    EXPECT_TRUE(drawnHas({1, 0, 0}));
    EXPECT_FALSE(drawnHas({0, 0, 0}));
    for (const TileKey& key : drawn) EXPECT_TRUE(ready(key));
    // The same ground as chosen, each part of it once.
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 8; ++r)
            EXPECT_EQ(coveringTile(chosen, {0, c, r}) >= 0, coveringTile(drawn, {0, c, r}) >= 0);
    // Nothing ready: nothing drawn.
    EXPECT_TRUE(drawableTiles(chosen, [](const TileKey&) { return false; }).empty());
}

}  // namespace
}  // namespace world
