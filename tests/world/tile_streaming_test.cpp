// Streaming a world: tiles load on the background thread while frames are drawn (the
// frame never waits: until a tile is ready its ancestor stands in), memory stays within
// the budget by releasing the farthest tiles, and the ground is one surface across tile
// borders. Run under ThreadSanitizer too (test.sh), with frames drawn while tiles build.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "test_world.h"
#include "world/tile_streaming.h"

namespace world::test {
namespace {

using Sample = std::int16_t;
constexpr int kSide = 17;

void noFan() {}
void noVertex(float, float, float) {}

// A world and its tiles read from memory, with a 4 x 4 texture each.
struct Streamed {
    TestWorld<Sample> world;
    explicit Streamed(int columns = 129) : world(columns, 121, kSide, 11) {}
    std::vector<TileKey> released;

    TileReader<Sample> reader(std::function<void(const TileKey&)> before = {}) {
        return [this, before](const TileKey& key, std::vector<Sample>& grid, elevation::RgbImage& texture) {
            if (before) before(key);
            grid = world.tileGrid(key);
            texture.width = texture.height = 4;
            texture.pixels.assign(16, {});
            return std::string();
        };
    }
    typename TileStreaming<Sample>::Hooks hooks() {
        typename TileStreaming<Sample>::Hooks h;
        h.released = [this](const TileKey& key) { released.push_back(key); };
        return h;
    }
    static WorldPlacement placement() { return {0.0, 0.0, kCell, kCell}; }
};

TileChoiceView viewAt(double column, double row) {
    TileChoiceView view;
    view.column = column;
    view.row = row;
    view.altitude = 20.0;
    view.farDistance = 800.0;
    return view;
}

// Frames drawn until the loader has nothing left to do.
template <class Streaming>
const std::vector<const TileMap<Sample>*>& settle(Streaming& streaming, const TileChoiceView& view) {
    // Each frame takes what arrived and asks for more, until nothing more is asked for.
    long loaded = -1;
    for (int frame = 0; frame < 2000 && (loaded != streaming.tilesLoaded() || !streaming.settled()); ++frame) {
        loaded = streaming.tilesLoaded();
        streaming.update(view);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return streaming.update(view);
}

TEST(TileStreaming, FlightAcrossTheWorldStaysWithinASmallBudget) {
    Streamed s(401);   // 25 x 8 tiles at full resolution, 261 in all
    const std::size_t tileBytes = (kSide + 1) * kSide * sizeof(Sample) + (kSide - 1) * (kSide - 1) + 16 * 4;
    const std::size_t budget = 60 * tileBytes;
    TileStreaming<Sample> streaming(s.world.index(), Streamed::placement(), 1.0f, budget, s.reader(), s.hooks(), 1.5);
    for (double column = 5.0; column <= 395.0; column += 10.0) {
        const auto& drawn = settle(streaming, viewAt(column, 60.0));
        EXPECT_LE(streaming.bytesHeld(), budget) << "at column " << column;
        // The ground under the camera is drawn at full resolution.
        const TileKey under{0, static_cast<int>(column) / (kSide - 1), 60 / (kSide - 1)};
        EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [&](auto* t) { return t->key == under; }))
            << "at column " << column;
        for (const TileMap<Sample>* a : drawn)
            for (const TileMap<Sample>* b : drawn) EXPECT_TRUE(a == b || !tileWithin(a->key, b->key));
    }
    EXPECT_GT(streaming.tilesLoaded(), static_cast<long>(streaming.tilesHeld()));
    // The start of the flight is far behind: its full-resolution tiles were released.
    EXPECT_NE(std::find(s.released.begin(), s.released.end(), TileKey{0, 0, 3}), s.released.end());
    EXPECT_GT(streaming.finestAt(TestWorld<Sample>::xAt(5.0), TestWorld<Sample>::zAt(60.0))->key.level, 0);
}

// When the tiles chosen for a view and their ancestors do not fit the budget, a coarser cut
// is flown: the same tiles are not released as they arrive and loaded again.
TEST(TileStreaming, ACutLargerThanTheBudgetIsNotLoadedOverAndOver) {
    Streamed s(401);
    const std::size_t tileBytes = (kSide + 1) * kSide * sizeof(Sample) + (kSide - 1) * (kSide - 1) + 16 * 4;
    const std::size_t budget = 24 * tileBytes;
    std::map<std::array<int, 3>, int> arrivals;
    auto hooks = s.hooks();
    hooks.arrived = [&](const TileKey& key, elevation::RgbImage&) { ++arrivals[{key.level, key.column, key.row}]; };
    TileStreaming<Sample> streaming(s.world.index(), Streamed::placement(), 1.0f, budget, s.reader(), hooks, 4.0);
    for (double column = 100.0; column <= 300.0; column += 0.25) {
        streaming.update(viewAt(column, 60.0));
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        EXPECT_LE(streaming.bytesHeld(), budget) << "at column " << column;
    }
    int most = 0;
    for (const auto& entry : arrivals) most = std::max(most, entry.second);
    EXPECT_LE(most, 2);
}

TEST(TileStreaming, AncestorsStandInAndFramesGoOnWhileTilesBuild) {
    Streamed s;
    std::mutex gateMutex;
    std::condition_variable gateOpened;
    bool open = false;
    const int coarsest = static_cast<int>(s.world.index().levels.size()) - 1;
    // Every tile but the coarsest waits until the gate opens.
    const auto gate = [&](const TileKey& key) {
        if (key.level == coarsest) return;
        std::unique_lock<std::mutex> lock(gateMutex);
        gateOpened.wait(lock, [&] { return open; });
    };
    TileStreaming<Sample> streaming(s.world.index(), Streamed::placement(), 1.0f, 1u << 24, s.reader(gate), s.hooks());
    const TileChoiceView view = viewAt(40.0, 40.0);
    TileStitching stitching;
    PassView pass;
    pass.eye[0] = static_cast<float>(TestWorld<Sample>::xAt(40.0));
    pass.eye[1] = 700.0f;
    pass.eye[2] = static_cast<float>(TestWorld<Sample>::zAt(40.0));
    pass.direction[1] = -0.5f;
    const auto frame = [&] {
        const auto& drawn = streaming.update(view);
        drawTiles<Sample>(drawn, pass, stitching, noFan, noVertex, {});
        streaming.groundHeight(pass.eye[0], pass.eye[2]);
        return drawn;
    };
    // The first frames come while every file is still being read.
    std::vector<const TileMap<Sample>*> drawn;
    for (int f = 0; f < 2000 && drawn.empty(); ++f) {
        drawn = frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0]->key.level, coarsest);
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        open = true;
    }
    gateOpened.notify_all();
    // Frames drawn while the rest builds; then the full resolution is under the camera.
    for (int f = 0; f < 2000 && !streaming.settled(); ++f) frame();
    frame();
    drawn = frame();
    EXPECT_GT(drawn.size(), 4u);
    EXPECT_EQ(streaming.finestAt(pass.eye[0], pass.eye[2])->key.level, 0);
}

TEST(TileStreaming, GroundIsOneSurfaceAcrossTileBorders) {
    Streamed s;
    TileStreaming<Sample> streaming(s.world.index(), Streamed::placement(), 1.0f, 1u << 24, s.reader(), s.hooks(),
                                    100.0);   // everything at full resolution
    TileChoiceView all = viewAt(60.0, 60.0);
    all.farDistance = 1e6;
    settle(streaming, all);
    using W = TestWorld<Sample>;
    // On every level-0 sample: that sample, wherever tiles meet.
    for (int y = 0; y <= 112; y += 4)
        for (int x = 0; x <= 112; x += 4)
            ASSERT_EQ(streaming.groundHeight(W::xAt(x), W::zAt(y)), static_cast<float>(s.world.sample(0, x, y)))
                << x << "," << y;
    // Along a line crossing the borders between tiles (x = 16, 32, ...): the same height
    // from the tiles on both sides, and no step just beside it.
    for (double y = 0.5; y < 112.0; y += 3.7)
        for (int border = 16; border < 112; border += 16) {
            const TileKey west{0, border / 16 - 1, static_cast<int>(y) / 16}, east{0, border / 16, west.row};
            const float x = static_cast<float>(W::xAt(border)), z = static_cast<float>(W::zAt(y));
            const float fromWest = tileHeightAt(s.world.tile(west), x, z);
            const float fromEast = tileHeightAt(s.world.tile(east), x, z);
            EXPECT_EQ(fromWest, fromEast) << border << "," << y;
            EXPECT_NEAR(streaming.groundHeight(x - 0.01, z), fromWest, 0.5f);
            EXPECT_NEAR(streaming.groundHeight(x + 0.01, z), fromEast, 0.5f);
        }
}

}  // namespace
}  // namespace world::test
