// Map construction: the enlarged grid, resampling, height bounds, parameters, texture.
#include <cmath>
#include <limits>

#include "engine_test_support.h"
#include "terrain/heap.h"
#include "terrain/map_arrays.h"
#include "terrain/render_hooks.h"

namespace kalde::test {
namespace {

template <class Sample>
class MapBuild : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }
};
TYPED_TEST_SUITE(MapBuild, SampleTypes);

TYPED_TEST(MapBuild, EnlargesToPowerOfTwoPlusOneAndRescalesTheCell) {
    const struct {
        int n, s;
    } cases[] = {{2, 3}, {3, 3}, {4, 5}, {5, 5}, {256, 257}, {257, 257}, {258, 513}};
    for (const auto& c : cases) {
        const std::vector<TypeParam> grid(static_cast<std::size_t>(c.n) * c.n, TypeParam(1));
        BuiltMap<TypeParam> m(grid, c.n, 1.0f);
        EXPECT_EQ(m.size, c.s) << "N = " << c.n;
        EXPECT_EQ(m.map().size, c.s);
        // The map keeps the grid's world extent.
        EXPECT_FLOAT_EQ(m.cellSize, float(c.n - 1) / float(c.s - 1)) << "N = " << c.n;
    }
    const std::vector<TypeParam> grid(256 * 256, TypeParam(0));
    BuiltMap<TypeParam> m(grid, 256, 1.0f);
    EXPECT_EQ(m.cellSize, 0.99609375f);
    EXPECT_EQ(m.map().cellX, 0.99609375f);
}

TYPED_TEST(MapBuild, CellAspectSetsTheDepthOfACell) {
    const std::vector<TypeParam> grid(9, TypeParam(0));
    BuiltMap<TypeParam> m(grid, 3, 2.0f, 1.0f, 1.5f);
    EXPECT_EQ(m.map().cellX, 2.0f);
    EXPECT_EQ(m.map().cellZ, 3.0f);
    EXPECT_EQ(m.map().cellAvg, 2.5f);
}

TYPED_TEST(MapBuild, CopiesAGridOfTheRightSizeWithItsRowsReversed) {
    const int n = 5;
    std::vector<TypeParam> grid(n * n);
    for (int k = 0; k < n * n; ++k)   // fractions survive in the float variant
        grid[k] = static_cast<TypeParam>(std::is_integral_v<TypeParam> ? k * 7 - 40 : k * 7.25 - 40);
    BuiltMap<TypeParam> m(grid, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) EXPECT_EQ(m.at(i, j), grid[i + n * (n - 1 - j)]) << i << "," << j;
}

TYPED_TEST(MapBuild, ResamplingKeepsCornersAndConstants) {
    const int n = 6;   // S = 9
    std::vector<TypeParam> grid(n * n);
    for (int k = 0; k < n * n; ++k) grid[k] = static_cast<TypeParam>((k * 37) % 101);
    {
        BuiltMap<TypeParam> m(grid, n);
        ASSERT_EQ(m.size, 9);
        EXPECT_EQ(m.at(0, 0), grid[0 + n * (n - 1)]);
        EXPECT_EQ(m.at(8, 8), grid[n - 1]);
        EXPECT_EQ(m.at(0, 8), grid[0]);
        EXPECT_EQ(m.at(8, 0), grid[(n - 1) + n * (n - 1)]);
    }
    const std::vector<TypeParam> flat(n * n, TypeParam(-123));
    BuiltMap<TypeParam> m(flat, n);
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 9; ++j) EXPECT_EQ(m.at(i, j), TypeParam(-123));
}

TYPED_TEST(MapBuild, ResamplingRoundsHalfUpToWholeSamples) {
    // Grid rows as stored: row 0 is (1, 2), row 1 is (3, 4); map row 0 is grid row 1.
    BuiltMap<TypeParam> up(std::vector<TypeParam>{1, 2, 3, 4}, 2);
    ASSERT_EQ(up.size, 3);
    EXPECT_EQ(up.at(1, 1), TypeParam(3));   // mean 2.5
    EXPECT_EQ(up.at(1, 0), TypeParam(4));   // between 3 and 4
    EXPECT_EQ(up.at(0, 1), TypeParam(2));   // between 3 and 1
    EXPECT_EQ(up.at(0, 0), TypeParam(3));
    EXPECT_EQ(up.at(2, 2), TypeParam(2));
}

TYPED_TEST(MapBuild, NegativeHalvesRoundUpwardNotAwayFromZero) {
    BuiltMap<TypeParam> m(std::vector<TypeParam>{-1, -2, -3, -4}, 2);
    EXPECT_EQ(m.at(1, 1), TypeParam(-2));   // mean -2.5
}

TYPED_TEST(MapBuild, HeightBoundsPerNodeSize) {
    // S = 5: the root's centre (2, 2) is 7, sample (0, 0) is 10, all others 0.
    auto grid = gridFromMap<TypeParam>(5, [](int i, int j) {
        if (i == 2 && j == 2) return 7.0;
        return (i == 0 && j == 0) ? 10.0 : 0.0;
    });
    BuiltMap<TypeParam> m(grid, 5);
    const TypeParam* maxDiff = m.map().maxDiff;
    EXPECT_EQ(maxDiff, m.columns[5]);
    EXPECT_EQ(maxDiff[4], TypeParam(7));    // |0 - 7| beats |10 - 7|
    EXPECT_EQ(maxDiff[2], TypeParam(10));   // node (1, 1) holds (0, 0) and its centre is 0
    EXPECT_EQ(maxDiff[0], TypeParam(0));
    EXPECT_EQ(maxDiff[1], TypeParam(0));
    EXPECT_EQ(maxDiff[3], TypeParam(0));
}

template <class Sample>
Sample recordingElevation(int i, int j, int S) {
    static int calls = 0;
    if (S < 0) return static_cast<Sample>(calls);   // query mode
    ++calls;
    return static_cast<Sample>(S * 100 + i * 10 + j);
}

TYPED_TEST(MapBuild, ElevationCallbackSeesTheEnlargedSizeAndYieldsToAGrid) {
    int size = 4;
    float cell = 1.0f;
    NodeMap nodeMap = nullptr;
    TypeParam** columns = buildMap<TypeParam>(nullptr, &nodeMap, &size, &cell, 1.0f, 1.0f,
                                              recordingElevation<TypeParam>);
    ASSERT_EQ(size, 5);
    EXPECT_EQ(columns[3][1], TypeParam(531));
    EXPECT_EQ(nodeMap, state<TypeParam>().map.nodeMap);
    releaseMap<TypeParam>();
    const TypeParam callsBefore = recordingElevation<TypeParam>(0, 0, -1);
    EXPECT_EQ(callsBefore, TypeParam(25));

    const std::vector<TypeParam> grid(9, TypeParam(4));
    size = 3;
    columns = buildMap<TypeParam>(grid.data(), &nodeMap, &size, &cell, 1.0f, 1.0f,
                                  recordingElevation<TypeParam>);
    EXPECT_EQ(columns[1][1], TypeParam(4));
    EXPECT_EQ(recordingElevation<TypeParam>(0, 0, -1), callsBefore);
    releaseMap<TypeParam>();
}

TYPED_TEST(MapBuild, ResetsTheMapSettingsAndClearsTheNodeMap) {
    auto& map = state<TypeParam>().map;
    map.textureId = 9;
    map.centerX = map.centerY = map.centerZ = 5.0f;
    unsigned char column[2] = {};
    NodeMap fake = reinterpret_cast<NodeMap>(column);
    for (NodeMap& neighbour : map.neighbourMaps) neighbour = fake;
    BuiltMap<TypeParam> m(std::vector<TypeParam>(9 * 9, TypeParam(3)), 9);
    EXPECT_EQ(map.textureId, 0);
    EXPECT_EQ(map.centerX, 0.0f);
    EXPECT_EQ(map.centerZ, 0.0f);
    EXPECT_EQ(map.fogMap, nullptr);
    for (NodeMap neighbour : map.neighbourMaps) EXPECT_EQ(neighbour, nullptr);
    for (int a = 0; a < 8; ++a)
        for (int b = 0; b < 8; ++b) EXPECT_EQ(m.nodeMap[a][b], 0) << a << "," << b;
}

// Built apart from the engine's state (as a loader thread builds tiles), a map has the same
// samples, height bounds and roughness, and the current map stays as it was.
TYPED_TEST(MapBuild, ArraysBuiltApartEqualTheCurrentMapsAndLeaveItCurrent) {
    const int n = 20;   // resampled to 33
    std::vector<TypeParam> grid(n * n);
    for (int k = 0; k < n * n; ++k) grid[k] = static_cast<TypeParam>((k * 7919) % 211 - 90);
    BuiltMap<TypeParam> m(grid, n, 3.0f, 0.5f, 1.25f);
    MapArrays<TypeParam> apart = buildMapArrays<TypeParam>(grid.data(), n, 3.0f, 0.5f, 1.25f, RefinementParams{});
    EXPECT_EQ(state<TypeParam>().map.columns, m.columns);
    ASSERT_EQ(apart.size, m.size);
    EXPECT_EQ(apart.cellSize, m.cellSize);
    for (int i = 0; i <= m.size; ++i)
        for (int j = 0; j < m.size; ++j) ASSERT_EQ(apart.columns[i][j], m.columns[i][j]) << i << "," << j;
    for (int i = 0; i < m.size - 1; ++i)
        for (int j = 0; j < m.size - 1; ++j) ASSERT_EQ(apart.nodeMap[i][j], m.nodeMap[i][j]) << i << "," << j;
    releaseMapArrays(apart);
    EXPECT_EQ(apart.columns, nullptr);
}

TYPED_TEST(MapBuild, InstallsDefaultParametersUnlessSetBeforeTheFirstMap) {
    const std::vector<TypeParam> grid(9, TypeParam(0));
    auto& params = state<TypeParam>().params;
    params.minRefineFactor = 2.0f;   // left over from an earlier map's settings
    {
        BuiltMap<TypeParam> m(grid, 3);
        EXPECT_EQ(params.minRefineFactor, 9.0f);
        EXPECT_EQ(params.maxRoughness, 100.0f);
        EXPECT_EQ(params.slopeWeight, 0.5f);
        EXPECT_EQ(params.cullDepth, 8);
        // With nothing set before the first map, a map's own settings are taken.
        setRefinementParams<TypeParam>(3.0f, 20.0f, 0.0f, 2);
        EXPECT_EQ(params.minRefineFactor, 3.0f);
        EXPECT_EQ(params.paramsSetCount, 0);
    }
    setRefinementParams<TypeParam>(4.0f, 50.0f, 0.25f, 6);
    EXPECT_EQ(params.paramsSetCount, 1);
    BuiltMap<TypeParam> m(grid, 3);
    EXPECT_EQ(params.minRefineFactor, 4.0f);
    EXPECT_EQ(params.maxRoughness, 50.0f);
    EXPECT_EQ(params.slopeWeight, 0.25f);
    EXPECT_EQ(params.cullDepth, 6);
    setRefinementParams<TypeParam>(1.0f, 1.0f, 1.0f, 1);   // ignored while a map exists
    EXPECT_EQ(params.minRefineFactor, 4.0f);
    EXPECT_EQ(params.cullDepth, 6);
}

struct TextureLog {
    static inline std::vector<std::string> calls;
    static int create(void*, int* width, int* height) {
        calls.push_back("create " + std::to_string(*width) + "x" + std::to_string(*height));
        *width = 64;   // a renderer may round the size
        return 7;
    }
    static void remove(int id) { calls.push_back("delete " + std::to_string(id)); }
};

TYPED_TEST(MapBuild, TextureGoesThroughTheHooks) {
    TextureLog::calls.clear();
    renderHooks().createTexture = TextureLog::create;
    renderHooks().deleteTexture = TextureLog::remove;
    {
        BuiltMap<TypeParam> m(std::vector<TypeParam>(9, TypeParam(0)), 3);
        unsigned char pixels[4 * 60 * 30] = {};
        int width = 60, height = 30;
        setTexture<TypeParam>(pixels, &width, &height);
        EXPECT_EQ(m.map().textureId, 7);
        EXPECT_EQ(m.map().textureWidth, 64);
        EXPECT_EQ(m.map().textureHeight, 30);
        setTexture<TypeParam>(nullptr, nullptr, nullptr);
        EXPECT_EQ(m.map().textureId, 0);
        setTexture<TypeParam>(pixels, &width, &height);
    }   // releasing the map hands its texture back
    renderHooks() = emptyRenderHooks();
    EXPECT_EQ(TextureLog::calls, (std::vector<std::string>{"create 60x30", "delete 7",
                                                           "create 64x30", "delete 7"}));
}

TYPED_TEST(MapBuild, ShippedTextureHookCreatesNoTexture) {
    BuiltMap<TypeParam> m(std::vector<TypeParam>(9, TypeParam(0)), 3);
    unsigned char pixels[16] = {};
    int width = 2, height = 2;
    setTexture<TypeParam>(pixels, &width, &height);
    EXPECT_EQ(m.map().textureId, 0);
}

// ---- fatal checks ----

template <class Sample>
void buildSized(int n, float cell, float heightScale) {
    const std::vector<Sample> grid(n > 0 ? static_cast<std::size_t>(n) * n : 1, Sample(0));
    NodeMap nodeMap;
    buildMap<Sample>(grid.data(), &nodeMap, &n, &cell, heightScale, 1.0f, nullptr);
}

TYPED_TEST(MapBuild, RefusesBadArguments) {
    const std::string line = engineFatal(Expected<TypeParam>::buildMapArguments);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EXIT(buildSized<TypeParam>(1, 1.0f, 1.0f), ::testing::ExitedWithCode(1), line);
    EXPECT_EXIT(buildSized<TypeParam>(3, 0.0f, 1.0f), ::testing::ExitedWithCode(1), line);
    EXPECT_EXIT(buildSized<TypeParam>(3, nan, 1.0f), ::testing::ExitedWithCode(1), line);
    EXPECT_EXIT(buildSized<TypeParam>(3, 1.0f, -0.5f), ::testing::ExitedWithCode(1), line);
    EXPECT_EXIT(buildSized<TypeParam>(3, 1.0f, nan), ::testing::ExitedWithCode(1), line);
}

TYPED_TEST(MapBuild, NeedsAGridOrAnElevationCallback) {
    EXPECT_EXIT(
        {
            int n = 3;
            float cell = 1.0f;
            NodeMap nodeMap;
            buildMap<TypeParam>(nullptr, &nodeMap, &n, &cell, 1.0f, 1.0f, nullptr);
        },
        ::testing::ExitedWithCode(1), engineFatal(Expected<TypeParam>::noElevationSource));
}

TYPED_TEST(MapBuild, ReportsEachFailedAllocation) {
    // Allocation order for S = 3: the column array, 4 columns, the node-map array, 2 columns.
    const struct {
        long successes;
        int line;
    } cases[] = {{0, Expected<TypeParam>::columnArrayAlloc},
                 {2, Expected<TypeParam>::columnAlloc},
                 {5, Expected<TypeParam>::nodeMapArrayAlloc},
                 {7, Expected<TypeParam>::nodeMapColumnAlloc}};
    for (const auto& c : cases) {
        EXPECT_EXIT(
            {
                testing::failAllocationAfter(c.successes);
                buildSized<TypeParam>(3, 1.0f, 1.0f);
            },
            ::testing::ExitedWithCode(1), engineFatal(c.line));
    }
}

TYPED_TEST(MapBuild, RefusesRefinementParametersOutOfRange) {
    const std::string line = engineFatal(Expected<TypeParam>::refinementParamsRange);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EXIT(setRefinementParams<TypeParam>(0.99f, 100.0f, 0.5f, 8),
                ::testing::ExitedWithCode(1), line);
    EXPECT_EXIT(setRefinementParams<TypeParam>(9.0f, 0.0f, 0.5f, 8), ::testing::ExitedWithCode(1),
                line);
    EXPECT_EXIT(setRefinementParams<TypeParam>(9.0f, 100.0f, -0.1f, 8),
                ::testing::ExitedWithCode(1), line);
    EXPECT_EXIT(setRefinementParams<TypeParam>(9.0f, 100.0f, 0.5f, -1),
                ::testing::ExitedWithCode(1), line);
    EXPECT_EXIT(setRefinementParams<TypeParam>(nan, 100.0f, 0.5f, 8), ::testing::ExitedWithCode(1),
                line);
}

TYPED_TEST(MapBuild, TextureNeedsAMapAndASize) {
    unsigned char pixels[16] = {};
    int width = 2, height = 1;
    EXPECT_EXIT(setTexture<TypeParam>(pixels, &width, &height), ::testing::ExitedWithCode(1),
                engineFatal(Expected<TypeParam>::setTextureNoMap));
    BuiltMap<TypeParam> m(std::vector<TypeParam>(9, TypeParam(0)), 3);
    EXPECT_EXIT(setTexture<TypeParam>(pixels, &width, &height), ::testing::ExitedWithCode(1),
                engineFatal(Expected<TypeParam>::setTextureSize));
}

TEST(MapBuild16, RefusesHeightDifferencesASampleCannotHold) {
    resetEngine<std::int16_t>();
    auto grid = gridFromMap<std::int16_t>(3, [](int i, int j) {
        if (i == 1 && j == 1) return -20000.0;
        return (i == 0 && j == 2) ? 20000.0 : 0.0;
    });
    EXPECT_EXIT(BuiltMap<std::int16_t>(grid, 3), ::testing::ExitedWithCode(1),
                engineFatal(Expected<std::int16_t>::maxDiffOverflow));
    // 32767 apart still fits.
    grid = gridFromMap<std::int16_t>(3, [](int i, int j) {
        return (i == 1 && j == 1) ? -16384.0 : (i == 0 && j == 2) ? 16383.0 : 0.0;
    });
    BuiltMap<std::int16_t> m(grid, 3);
    EXPECT_EQ(m.map().maxDiff[2], 32767);
}

TEST(MapBuildFloat, HeightBoundsHaveNoLimit) {
    resetEngine<float>();
    auto grid = gridFromMap<float>(3, [](int i, int j) {
        return (i == 1 && j == 1) ? -1e6 : (i == 0 && j == 2) ? 1e6 : 0.0;
    });
    BuiltMap<float> m(grid, 3);
    EXPECT_EQ(m.map().maxDiff[2], 2e6f);
}

}  // namespace
}  // namespace kalde::test
