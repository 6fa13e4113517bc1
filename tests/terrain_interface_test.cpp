// The embedding interface (terrain/terrain.h): the plain interface's fans in world
// coordinates, meshes made of exactly those triangles, exceptions instead of exits,
// threads, and tiles that meet without cracks.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <set>
#include <thread>

#include "bench/camera_path.h"
#include "landscape_test_support.h"
#include "terrain/heap.h"
#include "terrain/terrain.h"

namespace kalde::test {
namespace {

using View = kalde::View;   // not the plain interface tests' bundle

template <class Sample>
class TerrainInterface : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }
    void TearDown() override { kalde::testing::failAllocationAfter(-1); }
};
TYPED_TEST_SUITE(TerrainInterface, SampleTypes);

bool sameBits(const Point& a, const Point& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

using Fans = std::vector<std::vector<Point>>;
using Triangles = std::vector<std::array<Point, 3>>;

// What a draw hands its sink.
struct FanSink {
    Fans fans;
    void beginFan() { fans.emplace_back(); }
    void vertex(float x, float y, float z) { fans.back().push_back({x, y, z}); }
};

Triangles fanTriangles(const Fans& fans) {
    Triangles out;
    for (const auto& fan : fans)
        for (std::size_t k = 2; k < fan.size(); ++k) out.push_back({fan[0], fan[k - 1], fan[k]});
    return out;
}

Triangles meshTriangles(const Mesh& mesh) {
    const auto at = [&](std::uint32_t v) {
        return Point{mesh.positions[3 * v], mesh.positions[3 * v + 1], mesh.positions[3 * v + 2]};
    };
    Triangles out;
    for (std::size_t k = 0; k + 2 < mesh.indices.size(); k += 3)
        out.push_back({at(mesh.indices[k]), at(mesh.indices[k + 1]), at(mesh.indices[k + 2])});
    return out;
}

void expectSameFans(const Fans& a, const Fans& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t f = 0; f < a.size(); ++f) {
        ASSERT_EQ(a[f].size(), b[f].size()) << "fan " << f;
        for (std::size_t v = 0; v < a[f].size(); ++v)
            ASSERT_TRUE(sameBits(a[f][v], b[f][v])) << "fan " << f << " vertex " << v;
    }
}

// The scripted flight of the benchmark over a map of the given extent, as views.
std::vector<View> flight(float extent, int frames, const Point& centre) {
    std::vector<View> views;
    for (const bench::CameraPose& p : bench::flightPath(extent, frames, [](float, float) { return 0.0f; })) {
        View v;
        v.eye = {centre.x + p.ex, centre.y + p.ey + 20.0f, centre.z + p.ez};
        v.direction = {p.dx, p.dy, p.dz};
        v.fovyDegrees = 90.0f;
        v.farDist = 3000.0f;
        views.push_back(v);
    }
    return views;
}

// A view from high above that sees the whole map.
View overview(float height) {
    View v;
    v.eye = {0.0f, height, 0.0f};
    v.direction = {0.0f, -1.0f, -0.01f};
    v.fovyDegrees = 120.0f;
    v.farDist = 10.0f * height;
    return v;
}

// The same flight through the plain interface: its fans in the world coordinates that
// kalde.h documents.
template <class Sample>
std::vector<Fans> plainFlight(const std::vector<Sample>& grid, int n, float cell, float heightScale,
                              const Point& c, const std::vector<View>& views) {
    BuiltMap<Sample> map(grid, n, cell, heightScale);
    bindMapState<Sample>(map.columns, map.nodeMap, map.size, map.cellSize, heightScale, 0, 0, 0,
                         1.0f, c.x, c.y, c.z, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0);
    const float half = static_cast<float>(map.size / 2);
    std::vector<Fans> frames;
    for (const View& v : views) {
        passLog().clear();
        runLandscapePass<Sample>(v.resolution, v.eye.x, v.eye.y, v.eye.z, v.eye.x, v.eye.y,
                                 v.eye.z, v.direction.x, v.direction.y, v.direction.z, v.up.x,
                                 v.up.y, v.up.z, v.fovyDegrees, v.aspect, v.nearDist, v.farDist,
                                 logFanBegin, logFanVertex, nullptr, nullptr, 0);
        Fans fans;
        for (const auto& fan : passLog().fans) {
            fans.emplace_back();
            for (const FanVertex& g : fan)
                fans.back().push_back({c.x + (g.i - half) * map.cellSize, c.y + g.y * heightScale,
                                       c.z - (g.j - half) * map.cellSize});
        }
        frames.push_back(std::move(fans));
    }
    return frames;
}

TYPED_TEST(TerrainInterface, DrawAndMeshGiveThePlainInterfacesFansInWorldCoordinates) {
    using Sample = TypeParam;
    const int n = 100;   // resampled to 129
    const float cell = 2.0f, heightScale = 0.25f;
    const Point centre{300.0f, -40.0f, -75.5f};
    const std::vector<Sample> grid = noiseGrid<Sample>(n, 7, 3000);
    const std::vector<View> views = flight(cell * (n - 1), 40, centre);
    const std::vector<Fans> expected = plainFlight(grid, n, cell, heightScale, centre, views);

    auto terrain = Terrain<Sample>::fromGrid(grid.data(), n, cell, heightScale);
    EXPECT_EQ(terrain.size(), 129);
    EXPECT_EQ(terrain.cellSize(), cell * 99.0f / 128.0f);
    terrain.setCentre(centre);
    for (std::size_t f = 0; f < views.size(); ++f) {
        SCOPED_TRACE("frame " + std::to_string(f));
        // Odd frames as a mesh: the refinement carries over from frame to frame either way.
        if (f % 2 == 0) {
            FanSink sink;
            terrain.draw(views[f], sink);
            expectSameFans(sink.fans, expected[f]);
            continue;
        }
        const Mesh mesh = terrain.mesh(views[f]);
        const Triangles want = fanTriangles(expected[f]), got = meshTriangles(mesh);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t t = 0; t < want.size(); ++t)
            for (int k = 0; k < 3; ++k) ASSERT_TRUE(sameBits(got[t][k], want[t][k])) << t;
        // Each position once, and every vertex in use.
        std::set<std::array<std::uint32_t, 3>> distinct;
        for (std::size_t v = 0; v < mesh.positions.size(); v += 3) {
            std::array<std::uint32_t, 3> bits;
            std::memcpy(bits.data(), &mesh.positions[v], sizeof bits);
            distinct.insert(bits);
        }
        EXPECT_EQ(distinct.size(), mesh.positions.size() / 3);
        EXPECT_EQ(std::set<std::uint32_t>(mesh.indices.begin(), mesh.indices.end()).size(),
                  mesh.positions.size() / 3);
    }
}

TYPED_TEST(TerrainInterface, MeshTrianglesTurnCounterClockwiseSeenFromAboveAndCoverTheMapOnce) {
    const int n = 65;
    const std::vector<TypeParam> grid = noiseGrid<TypeParam>(n, 3, 2000);
    auto terrain = Terrain<TypeParam>::fromGrid(grid.data(), n, 1.0f, 0.01f);
    for (float resolution : {1.0f, 1e3f, 1e7f}) {
        View view = overview(200.0f);
        view.resolution = resolution;
        const Mesh mesh = terrain.mesh(view);
        double area = 0.0;
        for (const auto& t : meshTriangles(mesh)) {
            // The normal's y: (b - a) x (c - a) in a right-handed frame.
            const double y = static_cast<double>(t[1].z - t[0].z) * (t[2].x - t[0].x) -
                             static_cast<double>(t[1].x - t[0].x) * (t[2].z - t[0].z);
            EXPECT_GT(y, 0.0);
            area += y / 2;
        }
        EXPECT_EQ(area, 64.0 * 64.0) << "resolution " << resolution;
    }
}

TYPED_TEST(TerrainInterface, HeightAtReadsTheSurfaceAndIsEmptyOffTheMap) {
    const std::vector<TypeParam> grid = noiseGrid<TypeParam>(33, 5, 1000);
    auto terrain = Terrain<TypeParam>::fromGrid(grid.data(), 33, 2.0f, 0.5f);
    BuiltMap<TypeParam> plain(grid, 33, 2.0f, 0.5f);
    for (float x : {-32.0f, -7.3f, 0.0f, 12.9f, 32.0f})
        for (float z : {-32.0f, 0.4f, 31.0f}) EXPECT_EQ(terrain.heightAt(x, z), heightAt<TypeParam>(x, z));
    EXPECT_EQ(terrain.heightAt(32.5f, 0.0f), std::nullopt);
    EXPECT_EQ(terrain.heightAt(std::nanf(""), 0.0f), std::nullopt);
    terrain.setCentre({100.0f, 10.0f, 0.0f});
    EXPECT_FLOAT_EQ(*terrain.heightAt(107.3f, 0.4f), heightAt<TypeParam>(7.3f, 0.4f) + 10.0f);
    EXPECT_EQ(terrain.heightAt(0.0f, 0.0f), std::nullopt);
}

// Runs call and expects an Error whose message contains what.
template <class Call>
void expectError(Call call, const std::string& what) {
    try {
        call();
        ADD_FAILURE() << "no error; expected one about " << what;
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
    }
}

TYPED_TEST(TerrainInterface, BadArgumentsThrowAndLeaveEverythingUsable) {
    using Sample = TypeParam;
    using T = Terrain<Sample>;
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
    // A map of the plain interface stays current through all of it.
    setRefinementParams<Sample>(4.0f, 50.0f, 1.0f, 3);
    const std::vector<Sample> plainGrid = noiseGrid<Sample>(17, 9, 500);
    BuiltMap<Sample> plain(plainGrid, 17);
    const float plainHeight = heightAt<Sample>(1.5f, -2.25f);

    const std::vector<Sample> grid = noiseGrid<Sample>(33, 1, 2000);
    auto terrain = T::fromGrid(grid.data(), 33, 1.0f, 1.0f);
    const View above = overview(5000.0f);   // the heights reach about 2000
    const Mesh reference = terrain.mesh(above);
    ASSERT_FALSE(reference.indices.empty());
    const auto stillWorks = [&](const std::string& after) {
        SCOPED_TRACE("after " + after);
        EXPECT_EQ(meshTriangles(terrain.mesh(above)).size(),
                  meshTriangles(reference).size());
        EXPECT_EQ(T::fromGrid(grid.data(), 33, 1.0f, 1.0f).mesh(above).positions,
                  reference.positions);
        EXPECT_EQ(state<Sample>().map.columns, plain.columns);
        EXPECT_EQ(state<Sample>().params.minRefineFactor, 4.0f);
        EXPECT_EQ(heightAt<Sample>(1.5f, -2.25f), plainHeight);
    };

    const std::pair<std::function<void()>, std::string> grids[] = {
        {[&] { T::fromGrid(nullptr, 33, 1.0f, 1.0f); }, "samples is null"},
        {[&] { T::fromGrid(grid.data(), 1, 1.0f, 1.0f); }, "n is 1;"},
        {[&] { T::fromGrid(grid.data(), 32770, 1.0f, 1.0f); }, "n is 32770;"},
        {[&] { T::fromGrid(grid.data(), 33, 0.0f, 1.0f); }, "cellSize is 0;"},
        {[&] { T::fromGrid(grid.data(), 33, nan, 1.0f); }, "cellSize is nan;"},
        {[&] { T::fromGrid(grid.data(), 33, inf, 1.0f); }, "cellSize is inf;"},
        {[&] { T::fromGrid(grid.data(), 33, 1.0f, -1.0f); }, "heightScale is -1;"},
        {[&] { T::fromGrid(grid.data(), 33, 1.0f, nan); }, "heightScale is nan;"},
    };
    for (const auto& [call, what] : grids) {
        expectError(call, what);
        stillWorks(what);
    }
    if constexpr (std::is_integral_v<Sample>) {
        // Only the engine can tell: a height bound that 16 bits do not hold.
        std::vector<Sample> steep = grid;   // samples from 0 up: far from -32768
        steep[0] = -32768;
        expectError([&] { T::fromGrid(steep.data(), 33, 1.0f, 1.0f); }, "differ by 32768 or more");
        stillWorks("the 16-bit bound");
    }

    const auto withView = [&](auto change) {
        View v = above;
        change(v);
        return v;
    };
    const std::pair<View, std::string> views[] = {
        {withView([&](View& v) { v.eye.y = nan; }), "View::eye is (0, nan, 0)"},
        {withView([&](View& v) { v.direction = {0, 0, 0}; }), "View::direction is (0, 0, 0)"},
        {withView([&](View& v) { v.direction.z = inf; }), "View::direction is"},
        {withView([&](View& v) { v.up = {0, 0, 0}; }), "View::up is (0, 0, 0)"},
        {withView([&](View& v) { v.fovyDegrees = 0.0f; }), "View::fovyDegrees is 0;"},
        {withView([&](View& v) { v.fovyDegrees = 180.0f; }), "View::fovyDegrees is 180;"},
        {withView([&](View& v) { v.fovyDegrees = -30.0f; }), "View::fovyDegrees is -30;"},
        {withView([&](View& v) { v.aspect = 0.0f; }), "View::aspect is 0;"},
        {withView([&](View& v) { v.aspect = nan; }), "View::aspect is nan;"},
        {withView([&](View& v) { v.nearDist = -1.0f; }), "View::nearDist is -1 and farDist"},
        {withView([&](View& v) { v.farDist = v.nearDist; }), "nearDist < farDist"},
        {withView([&](View& v) { v.farDist = inf; }), "farDist inf;"},
        {withView([&](View& v) { v.resolution = nan; }), "View::resolution is nan;"},
        // Caught by the engine's own checks.
        {withView([&](View& v) { v.direction = {0, -1e-30f, 0}; }), "too short to normalise"},
        {withView([&](View& v) { v.direction = {0, 0, -1}, v.up = {0, 0, 2}; }),
         "the view is degenerate"},
    };
    for (const auto& [view, what] : views) {
        FanSink sink;
        expectError([&] { terrain.draw(view, sink); }, what);
        EXPECT_TRUE(sink.fans.empty());
        expectError([&] { terrain.mesh(view); }, what);
        expectError([&] { terrain.refine(view); }, what);
        stillWorks(what);
    }

    // A sink that calls back into kalde, and one that fails on its own.
    struct CallingSink : FanSink {
        Terrain<Sample>* terrain;
        void beginFan() { terrain->heightAt(0.0f, 0.0f); }
    } calling;
    calling.terrain = &terrain;
    expectError([&] { terrain.draw(above, calling); }, "from inside a draw's sink");
    stillWorks("a sink calling back");
    struct FailingSink : FanSink {
        void vertex(float, float, float) { throw std::domain_error("full"); }
    } failing;
    EXPECT_THROW(terrain.draw(above, failing), std::domain_error);
    stillWorks("a failing sink");

    expectError([&] { terrain.setCentre({0, inf, 0}); }, "centre is (0, inf, 0)");
    T moved = std::move(terrain);
    expectError([&] { terrain.mesh(above); }, "moved from");
    expectError([&] { moved.setNeighbours(&terrain, nullptr, nullptr, nullptr); }, "moved from");
    terrain = std::move(moved);
    stillWorks("a move");
}

TYPED_TEST(TerrainInterface, RunningOutOfMemoryThrowsAndLeaksNothing) {
    const std::vector<TypeParam> grid = noiseGrid<TypeParam>(9, 2, 100);
    // A 9 x 9 map takes 20 blocks: the column arrays, S + 1 columns and S - 1 node map
    // columns. The sanitizer build checks that each failure frees what it had.
    for (long successes = 0; successes < 20; ++successes) {
        kalde::testing::failAllocationAfter(successes);
        expectError([&] { Terrain<TypeParam>::fromGrid(grid.data(), 9, 1.0f, 1.0f); },
                    "out of memory");
    }
    kalde::testing::failAllocationAfter(20);
    EXPECT_EQ(Terrain<TypeParam>::fromGrid(grid.data(), 9, 1.0f, 1.0f).size(), 9);
    EXPECT_EQ(state<TypeParam>().map.size, 0);
}

// A frame's fans as one number.
struct HashingSink {
    std::uint64_t value = 14695981039346656037ull;
    void word(std::uint32_t w) { value = (value ^ w) * 1099511628211ull; }
    void beginFan() { word(1); }
    void vertex(float x, float y, float z) {
        for (float c : {x, y, z}) {
            std::uint32_t bits;
            std::memcpy(&bits, &c, sizeof bits);
            word(bits);
        }
    }
};

// Every frame of a flight: its fans, its mesh and the ground below the eye.
template <class Sample>
std::vector<std::uint64_t> flyAndHash(Terrain<Sample>& terrain, const std::vector<View>& views) {
    std::vector<std::uint64_t> frames;
    for (const View& v : views) {
        HashingSink sink;
        terrain.draw(v, sink);
        sink.word(static_cast<std::uint32_t>(terrain.mesh(v).indices.size()));
        sink.vertex(terrain.heightAt(v.eye.x, v.eye.z).value_or(-1.0f), 0.0f, 0.0f);
        frames.push_back(sink.value);
    }
    return frames;
}

TYPED_TEST(TerrainInterface, TwoThreadsDrawAsTheyWouldOneAfterTheOther) {
    const std::vector<TypeParam> gridA = noiseGrid<TypeParam>(129, 11, 3000);
    const std::vector<TypeParam> gridB = noiseGrid<TypeParam>(65, 12, 1000);
    const std::vector<View> pathA = flight(256.0f, 150, {0, 0, 0});
    const std::vector<View> pathB = flight(128.0f, 150, {0, 0, 0});
    const auto terrains = [&] {
        return std::make_pair(Terrain<TypeParam>::fromGrid(gridA.data(), 129, 2.0f, 0.1f),
                              Terrain<TypeParam>::fromGrid(gridB.data(), 65, 2.0f, 0.3f));
    };
    auto [a1, b1] = terrains();
    const std::vector<std::uint64_t> alone[2] = {flyAndHash(a1, pathA), flyAndHash(b1, pathB)};
    for (const auto& frames : alone)   // frames that differ: the flights draw something
        ASSERT_GT(std::set<std::uint64_t>(frames.begin(), frames.end()).size(), frames.size() / 2);

    auto [a2, b2] = terrains();
    std::vector<std::uint64_t> together[2];
    std::thread first([&] { together[0] = flyAndHash(a2, pathA); });
    std::thread second([&] { together[1] = flyAndHash(b2, pathB); });
    first.join();
    second.join();
    EXPECT_EQ(together[0], alone[0]);
    EXPECT_EQ(together[1], alone[1]);
}

// The positions of a mesh on the line x = edge, as (z, y) by z.
std::vector<std::pair<float, float>> edgePoints(const Mesh& mesh, float edge) {
    std::vector<std::pair<float, float>> points;
    for (std::size_t v = 0; v < mesh.positions.size(); v += 3)
        if (mesh.positions[v] == edge) points.push_back({mesh.positions[v + 2], mesh.positions[v + 1]});
    std::sort(points.begin(), points.end());
    return points;
}

// Every point of one side's edge lies on the other side's: at one of its points, or on
// the straight segment between two (a T-junction, which leaves no gap).
void expectOnEdge(const std::vector<std::pair<float, float>>& points,
                  const std::vector<std::pair<float, float>>& edge) {
    ASSERT_GE(edge.size(), 2u);
    for (const auto& [z, y] : points) {
        const auto next = std::lower_bound(edge.begin(), edge.end(), std::make_pair(z, -1e30f));
        ASSERT_TRUE(next != edge.end() && (next->first == z || next != edge.begin())) << z;
        if (next->first == z) {
            EXPECT_EQ(next->second, y) << "at z = " << z;
            continue;
        }
        const auto& [z0, y0] = *(next - 1);
        const auto& [z1, y1] = *next;
        EXPECT_NEAR(y, y0 + (y1 - y0) * (z - z0) / (z1 - z0), 1e-4) << "at z = " << z;
    }
}

TYPED_TEST(TerrainInterface, NeighboursOfDifferentSizesMeetWithoutCracks) {
    // West: 65 samples 1 apart around the origin; east: 33 samples 2 apart around x = 64.
    // Both sample one surface, so their common edge x = 32 holds the same heights.
    const auto surface = [](float x, float z) {
        return static_cast<TypeParam>(std::lround(300.0 * std::sin(x * 0.21) * std::cos(z * 0.17)));
    };
    const auto tile = [&](int n, float cell, float centreX) {
        std::vector<TypeParam> grid(static_cast<std::size_t>(n) * n);
        for (int c = 0; c < n; ++c)
            for (int r = 0; r < n; ++r)
                grid[c + std::size_t(n) * r] =
                    surface(centreX + (c - n / 2) * cell, (r - n / 2) * cell);
        auto terrain = Terrain<TypeParam>::fromGrid(grid.data(), n, cell, 0.1f);
        terrain.setCentre({centreX, 0.0f, 0.0f});
        return terrain;
    };
    auto west = tile(65, 1.0f, 0.0f);
    auto east = tile(33, 2.0f, 64.0f);
    auto alone = tile(65, 1.0f, 0.0f);   // west's twin without neighbours
    west.setNeighbours(nullptr, &east, nullptr, nullptr);
    east.setNeighbours(&west, nullptr, nullptr, nullptr);

    // Low over the edge, looking along it: both sides refine deeply, and differently.
    View view;
    view.eye = {32.0f, 15.0f, 40.0f};
    view.direction = {0.2f, -0.3f, -1.0f};
    view.fovyDegrees = 100.0f;
    for (float resolution : {100.0f, 1e4f, 1e6f}) {
        view.resolution = resolution;
        west.refine(view);
        east.refine(view);
        alone.refine(view);
        SCOPED_TRACE("resolution " + std::to_string(resolution));
        const auto westEdge = edgePoints(west.mesh(view), 32.0f);
        const auto eastEdge = edgePoints(east.mesh(view), 32.0f);
        EXPECT_GT(westEdge.size(), 5u);
        expectOnEdge(westEdge, eastEdge);
        expectOnEdge(eastEdge, westEdge);
    }

    // A neighbour that is gone counts as none.
    const Mesh joined = west.mesh(view);
    const Mesh single = alone.mesh(view);
    EXPECT_NE(joined.positions, single.positions);
    { auto gone = std::move(east); }
    EXPECT_EQ(west.mesh(view).positions, single.positions);
}

}  // namespace
}  // namespace kalde::test
