// Crack-freeness of a drawn world: wherever two drawn tiles share a border, both draw the
// same line along it. Every vertex a tile places on a shared border must lie on the other
// tile's border edges: the same elevation where the other tile has a vertex too, the
// other's edge (a T-junction on a straight edge) where it has none. Views are random, and
// so is which tiles are ready, so that neighbours of equal level and of one and two levels
// apart all occur.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "test_world.h"

namespace world::test {
namespace {

struct Vertex {
    long long x, y;   // level-0 column and row
    float elevation;
};

// The fans of the tile being drawn, as triangles.
std::vector<std::vector<std::array<Vertex, 3>>> trianglesOf;
std::vector<Vertex> fan;
TileKey fanTile;
int fanTileSide = 0;

void onBegin() { fan.clear(); }
void onVertex(float i, float y, float j) {
    const long long T = fanTileSide;
    const Vertex v{(fanTile.column * (T - 1) + static_cast<long long>(i)) << fanTile.level,
                   (fanTile.row * (T - 1) + static_cast<long long>(j)) << fanTile.level, y};
    fan.push_back(v);
    if (fan.size() >= 3) trianglesOf.back().push_back({fan.front(), fan[fan.size() - 2], v});
}

// A tile's border on one side: the points it draws there and the edges between them,
// along the border's level-0 coordinate.
struct BorderLine {
    std::map<long long, float> points;
    std::vector<std::pair<long long, long long>> edges;

    // The elevation this border draws at `along`, if one of its edges reaches it.
    bool drawnAt(long long along, float& elevation) const {
        if (const auto p = points.find(along); p != points.end()) {
            elevation = p->second;
            return true;
        }
        for (const auto& [a, b] : edges)
            if (a < along && along < b) {
                const float ya = points.at(a), yb = points.at(b);
                elevation = ya + (yb - ya) * static_cast<float>(along - a) / static_cast<float>(b - a);
                return true;
            }
        return false;
    }
};

struct Tally {
    long shared = 0, junctions = 0;
    long pairs[3] = {};   // tile pairs compared, by level difference 0, 1, 2 or more
};

// The line of a tile's side: the fixed level-0 coordinate, and whether it runs along rows.
struct SideLine {
    bool alongRows;
    long long at, from, to;
};
SideLine sideLine(const TileKey& key, int side, int T) {
    const long long span = static_cast<long long>(T - 1) << key.level;
    const long long x0 = key.column * span, y0 = key.row * span;
    switch (side) {
        case kColumnBefore: return {true, x0, y0, y0 + span};
        case kColumnAfter: return {true, x0 + span, y0, y0 + span};
        case kRowBefore: return {false, y0, x0, x0 + span};
        default: return {false, y0 + span, x0, x0 + span};
    }
}

BorderLine borderOf(const std::vector<std::array<Vertex, 3>>& triangles, const SideLine& line) {
    BorderLine border;
    const auto on = [&](const Vertex& v) { return (line.alongRows ? v.x : v.y) == line.at; };
    const auto along = [&](const Vertex& v) { return line.alongRows ? v.y : v.x; };
    for (const auto& tri : triangles)
        for (int e = 0; e < 3; ++e) {
            const Vertex& a = tri[e];
            const Vertex& b = tri[(e + 1) % 3];
            if (!on(a) || !on(b) || along(a) == along(b)) continue;
            // The same point must carry one elevation throughout a tile's fans.
            for (const Vertex* v : {&a, &b}) {
                const auto [it, added] = border.points.emplace(along(*v), v->elevation);
                EXPECT_TRUE(added || it->second == v->elevation) << "a point with two elevations in one tile";
            }
            border.edges.emplace_back(std::min(along(a), along(b)), std::max(along(a), along(b)));
        }
    return border;
}

// Every point of `mine` that `theirs` draws too lies on it.
void expectOnBorder(const BorderLine& mine, const BorderLine& theirs, Tally& tally, const std::string& where) {
    for (const auto& [along, elevation] : mine.points) {
        float other = 0.0f;
        if (!theirs.drawnAt(along, other)) continue;
        if (theirs.points.count(along)) {
            ++tally.shared;
            ASSERT_EQ(elevation, other) << where << " at " << along;
        } else {
            ++tally.junctions;
            ASSERT_NEAR(elevation, other, 1e-3f * (1.0f + std::abs(other))) << where << " at " << along;
        }
    }
}

template <class Sample>
void checkViews(unsigned seed, int views, Tally& tally) {
    TestWorld<Sample> world(129, 121, 17, seed);
    const WorldIndex& index = world.index();
    const int T = index.tileSide;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    TileStitching stitching;
    for (int v = 0; v < views; ++v) {
        TileChoiceView choice;
        choice.column = -20.0 + unit(random) * 170.0;
        choice.row = -20.0 + unit(random) * 160.0;
        choice.altitude = 5.0 + unit(random) * unit(random) * 4000.0;
        choice.farDistance = 400.0 + unit(random) * 5000.0;
        std::vector<TileKey> chosen = chooseTiles(index, choice, 1.5 + unit(random) * 5.0);
        // Some tiles not ready yet: their ancestors stand in, up to two levels coarser.
        std::map<std::array<int, 3>, bool> ready;
        const double notReady = unit(random) * 0.5;
        chosen = drawableTiles(chosen, [&](const TileKey& k) {
            auto [it, added] = ready.emplace(std::array<int, 3>{k.level, k.column, k.row}, false);
            if (added) it->second = k.level == static_cast<int>(index.levels.size()) - 1 || unit(random) >= notReady;
            return it->second;
        });
        std::vector<const TileMap<Sample>*> tiles;
        for (const TileKey& key : chosen) tiles.push_back(&world.tile(key));

        PassView view;
        view.resolution = 1000.0f;
        const double heading = unit(random) * 2.0 * M_PI, pitch = -(5.0 + unit(random) * 75.0) * M_PI / 180.0;
        const float ground = static_cast<float>(world.sample(0, std::clamp(static_cast<int>(choice.column), 0, 128),
                                                            std::clamp(static_cast<int>(choice.row), 0, 120)));
        view.eye[0] = static_cast<float>(TestWorld<Sample>::xAt(choice.column));
        view.eye[1] = ground + static_cast<float>(choice.altitude);
        view.eye[2] = static_cast<float>(TestWorld<Sample>::zAt(choice.row));
        view.direction[0] = static_cast<float>(std::sin(heading) * std::cos(pitch));
        view.direction[1] = static_cast<float>(std::sin(pitch));
        view.direction[2] = static_cast<float>(std::cos(heading) * std::cos(pitch));
        view.fovDegrees = static_cast<float>(50.0 + unit(random) * 60.0);
        view.aspect = 1.5f;
        view.farDistance = static_cast<float>(choice.farDistance);

        trianglesOf.assign(tiles.size(), {});
        fanTileSide = T;
        drawTiles<Sample>(tiles, view, stitching, onBegin, onVertex, [&](std::size_t t) {
            fanTile = tiles[t]->key;
            trianglesOf.resize(t + 1);
        });

        for (std::size_t a = 0; a < tiles.size(); ++a)
            for (std::size_t b = 0; b < tiles.size(); ++b)
                for (int side = 0; side < kSides; ++side) {
                    const SideLine la = sideLine(tiles[a]->key, side, T), lb = sideLine(tiles[b]->key, side ^ 1, T);
                    if (la.at != lb.at || la.alongRows != lb.alongRows || la.to <= lb.from || lb.to <= la.from)
                        continue;
                    const int apart = std::min(2, std::abs(tiles[a]->key.level - tiles[b]->key.level));
                    ++tally.pairs[apart];
                    expectOnBorder(borderOf(trianglesOf[a], la), borderOf(trianglesOf[b], lb), tally,
                                   "view " + std::to_string(v) + " side " + std::to_string(side) + " levels " +
                                       std::to_string(tiles[a]->key.level) + "/" + std::to_string(tiles[b]->key.level));
                    if (::testing::Test::HasFatalFailure()) return;
                }
    }
}

template <class Sample>
class Stitching : public ::testing::Test {};
using SampleTypes = ::testing::Types<std::int16_t, float>;
TYPED_TEST_SUITE(Stitching, SampleTypes);

TYPED_TEST(Stitching, SharedBordersDrawTheSameLineInBothTiles) {
    Tally tally;
    checkViews<TypeParam>(7, 300, tally);
    // Enough of every kind of border to mean something.
    EXPECT_GT(tally.pairs[0], 1000);
    EXPECT_GT(tally.pairs[1], 300);
    EXPECT_GT(tally.pairs[2], 30);
    EXPECT_GT(tally.shared, 10000);
    EXPECT_GT(tally.junctions, 0);
}

// Tiles wholly outside the camera's view are left undrawn (their shared borders are out of
// sight too): a camera 600 m up over column 40, row 40 of tiles 160 m wide, heights 0..700.
TEST(TilesInView, OnlyTilesBesideOrBehindTheCameraAreLeftOut) {
    TestWorld<std::int16_t> world(129, 121, 17, 3);
    PassView camera;
    camera.eye[0] = static_cast<float>(TestWorld<std::int16_t>::xAt(40.0));
    camera.eye[1] = 600.0f;
    camera.eye[2] = static_cast<float>(TestWorld<std::int16_t>::zAt(40.0));
    camera.fovDegrees = 60.0f;
    camera.aspect = 1.5f;
    camera.farDistance = 5000.0f;
    const auto seen = [&](int column, int row, float pitchDegrees) {
        const double pitch = pitchDegrees * M_PI / 180.0;
        camera.direction[0] = 0.0f;
        camera.direction[1] = static_cast<float>(std::sin(pitch));
        camera.direction[2] = static_cast<float>(std::cos(pitch));   // north: rows run towards -z
        return tileInView(world.tile({0, column, row}), camera, 0.0f, 700.0f);
    };
    EXPECT_TRUE(seen(2, 2, -10.0f));    // under the camera
    EXPECT_TRUE(seen(2, 0, -10.0f));    // ahead
    EXPECT_FALSE(seen(2, 5, -10.0f));   // behind
    EXPECT_FALSE(seen(7, 2, -10.0f));   // abeam, east
    EXPECT_TRUE(seen(4, 0, -10.0f));    // ahead and a little east
    EXPECT_FALSE(seen(2, 0, 60.0f));    // ahead, below a camera looking up
    camera.farDistance = 100.0f;
    EXPECT_FALSE(seen(2, 0, -10.0f));   // ahead, beyond the far plane
}

}  // namespace
}  // namespace world::test
