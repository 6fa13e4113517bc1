// The terrain object: its own map, bound before every operation, released at the end.
#include <memory>

#include "engine_test_support.h"
#include "terrain/kaldestub.h"

namespace kalde::test {
namespace {

void ignoreFanBegin() {}
void ignoreFanVertex(float, float, float) {}

template <class Sample>
std::unique_ptr<TerrainObject> flatTerrain(int n, Sample value, float heightScale = 1.0f,
                                           const unsigned char* fog = nullptr, int fogSize = 0,
                                           float fogScale = 0.0f) {
    const std::vector<Sample> grid(static_cast<std::size_t>(n) * n, value);
    float cell = 1.0f;
    return std::make_unique<TerrainObject>(grid.data(), &n, &cell, heightScale, 1.0f,
                                           ignoreFanBegin, ignoreFanVertex, nullptr, nullptr, fog,
                                           fogSize, fogScale, 0.0f, 0.0f, nullptr, nullptr,
                                           nullptr);
}

class TerrainObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetEngine<std::int16_t>();
        resetEngine<float>();
    }
};

TEST_F(TerrainObjectTest, EachObjectAnswersFromItsOwnMap) {
    auto first = flatTerrain<std::int16_t>(3, 10, 0.5f);
    auto second = flatTerrain<std::int16_t>(5, 20, 0.5f);
    auto third = flatTerrain<float>(4, 2.5f, 2.0f);
    EXPECT_EQ(first->getHeight(0.0f, 0.0f), 5.0f);
    EXPECT_EQ(first->getSampleHeight(2, 2), 5.0f);
    EXPECT_EQ(second->getHeight(1.5f, -1.5f), 10.0f);
    EXPECT_EQ(third->getHeight(-0.5f, 0.5f), 6.0f);   // resampled to whole samples: 3 * 2
    EXPECT_EQ(first->getHeight(1.5f, 0.0f), kAbsent);   // inside the second map only
    float nx, ny, nz;
    second->getNormal(0.3f, 0.2f, &nx, &ny, &nz);
    EXPECT_EQ(ny, 1.0f);
}

TEST_F(TerrainObjectTest, ConstructionWritesBackTheEngineGridAndCell) {
    const std::vector<std::int16_t> grid(256 * 256, 0);
    int size = 256;
    float cell = 1.0f;
    TerrainObject terrain(grid.data(), &size, &cell, 0.2f, 1.0f, nullptr, nullptr, nullptr,
                          nullptr, nullptr, 0, 0.0f, 0.0f, 0.0f, nullptr, nullptr, nullptr);
    EXPECT_EQ(size, 257);
    EXPECT_EQ(cell, 0.99609375f);
    // The map spans the grid's extent, centred on the origin.
    EXPECT_EQ(terrain.getHeight(-127.5f, 127.5f), 0.0f);
    EXPECT_EQ(terrain.getHeight(128.0f, 0.0f), kAbsent);
}

std::int16_t ramp(int i, int j, int) { return static_cast<std::int16_t>(i * 10 + j); }

TEST_F(TerrainObjectTest, BuildsFromAnElevationCallback) {
    int size = 5;
    float cell = 2.0f;
    TerrainObject terrain(static_cast<const std::int16_t*>(nullptr), &size, &cell, 1.0f, 1.0f,
                          nullptr, nullptr, nullptr, ramp, nullptr, 0, 0.0f, 0.0f, 0.0f, nullptr,
                          nullptr, nullptr);
    EXPECT_EQ(terrain.getSampleHeight(3, 1), 31.0f);
}

TEST_F(TerrainObjectTest, DrawBindsTheScaledHeightsAndTheNeighbours) {
    auto terrain = flatTerrain<std::int16_t>(5, 1, 0.5f);
    auto& map = state<std::int16_t>().map;
    map.neighbourMaps[2] = map.nodeMap;   // stale binding that draw must clear
    terrain->draw(1000, 0, 10, 0, 0, 0, -1, 0, 1, 0, 90, 1.333f, 1, 1000, 0.25f);
    EXPECT_EQ(map.heightScale, 0.125f);
    for (NodeMap neighbour : map.neighbourMaps) EXPECT_EQ(neighbour, nullptr);
    EXPECT_EQ(terrain->getSampleHeight(0, 0), 0.5f);   // queries use the unscaled heights

    auto first = flatTerrain<std::int16_t>(3, 0);
    const NodeMap neighbours[4] = {nullptr, nullptr, map.nodeMap, nullptr};
    const int sizes[4] = {0, 0, 3, 0};
    int size = 5;
    float cell = 1.0f;
    const std::vector<std::int16_t> grid(25, 0);
    TerrainObject second(grid.data(), &size, &cell, 1.0f, 1.0f, ignoreFanBegin, ignoreFanVertex,
                         nullptr, nullptr, nullptr, 0, 0.0f, 0.0f, 0.0f, nullptr, neighbours,
                         sizes);
    second.draw(1000, 0, 10, 0, 0, 0, -1, 0, 1, 0, 90, 1.333f, 1, 1000, 1.0f);
    EXPECT_EQ(map.neighbourMaps[2], neighbours[2]);
    EXPECT_EQ(map.neighbourSizes[2], 3);
    EXPECT_EQ(map.neighbourMaps[0], nullptr);
}

TEST_F(TerrainObjectTest, HeightFactorAboveOneIsFatal) {
    auto terrain = flatTerrain<float>(3, 1.0f);
    terrain->draw(1000, 0, 10, 0, 0, 0, -1, 0, 1, 0, 90, 1.333f, 1, 1000, 1.0f);
    const std::string line = fatalReport("kaldestub", 131);
    EXPECT_EXIT(terrain->draw(1000, 0, 10, 0, 0, 0, -1, 0, 1, 0, 90, 1.333f, 1, 1000, 1.0001f),
                ::testing::ExitedWithCode(1), line);
    EXPECT_EXIT(terrain->draw(1000, 0, 10, 0, 0, 0, -1, 0, 1, 0, 90, 1.333f, 1, 1000,
                              std::numeric_limits<float>::quiet_NaN()),
                ::testing::ExitedWithCode(1), line);
}

TEST_F(TerrainObjectTest, DestructionLeavesNoCurrentMap) {
    flatTerrain<std::int16_t>(3, 4).reset();
    EXPECT_EQ(state<std::int16_t>().map.size, 0);
    EXPECT_EXIT(heightAt<std::int16_t>(0, 0), ::testing::ExitedWithCode(1),
                engineFatal(Expected<std::int16_t>::heightNoMap));
    flatTerrain<float>(3, 4.0f).reset();
    EXPECT_EXIT(heightAt<float>(0, 0), ::testing::ExitedWithCode(1),
                engineFatal(Expected<float>::heightNoMap));
}

TEST_F(TerrainObjectTest, FogThicknessComesFromTheFogImage) {
    const unsigned char fog[9] = {10, 10, 10, 10, 30, 10, 10, 10, 10};
    auto foggy = flatTerrain<std::int16_t>(3, 7, 1.0f, fog, 3, 0.5f);
    auto clear = flatTerrain<std::int16_t>(3, 7);
    EXPECT_EQ(foggy->getFogThickness(0.0f, 0.0f), 15.0f);
    EXPECT_EQ(foggy->getFogThickness(-1.0f, 1.0f), 5.0f);
    EXPECT_EQ(clear->getFogThickness(0.0f, 0.0f), kAbsent);
    EXPECT_EQ(foggy->getHeight(0.0f, 0.0f), 7.0f);   // the ground is not lifted by fog
}

}  // namespace
}  // namespace kalde::test
