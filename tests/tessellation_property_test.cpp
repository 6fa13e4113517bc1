// Properties of the emitted mesh over many random maps and views: it covers the map
// exactly once, without cracks or T-junctions, wound one way, with one elevation per
// grid point.
#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <random>
#include <tuple>

#include "landscape_test_support.h"

namespace kalde::test {
namespace {

template <class Sample>
class Tessellation : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }
};
TYPED_TEST_SUITE(Tessellation, SampleTypes);

using Point = std::pair<int, int>;

// Grid point of a fan vertex; every vertex must lie on one.
Point gridPoint(const FanVertex& v) {
    EXPECT_EQ(v.i, std::floor(v.i));
    EXPECT_EQ(v.j, std::floor(v.j));
    return {static_cast<int>(v.i), static_cast<int>(v.j)};
}

// Twice the signed area in the grid plane (column first, row second).
long long doubleArea(Point a, Point b, Point c) {
    return static_cast<long long>(b.first - a.first) * (c.second - a.second) -
           static_cast<long long>(b.second - a.second) * (c.first - a.first);
}

// Checks the mesh of the last pass over a map of size S; returns the elevation it gave
// each grid point it used.
std::map<Point, float> checkWatertight(int S, const std::string& where) {
    SCOPED_TRACE(where);
    long long area2 = 0;
    std::map<std::pair<Point, Point>, int> edgeUses;
    std::map<Point, float> elevation;
    for (const Triangle& t : passLog().triangles()) {
        const Point p[3] = {gridPoint(t.a), gridPoint(t.b), gridPoint(t.c)};
        const float y[3] = {t.a.y, t.b.y, t.c.y};
        const long long a2 = doubleArea(p[0], p[1], p[2]);
        EXPECT_GT(a2, 0) << "triangle not counter-clockwise";
        area2 += a2;
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(p[k].first >= 0 && p[k].first < S && p[k].second >= 0 && p[k].second < S);
            const auto [it, fresh] = elevation.emplace(p[k], y[k]);
            if (!fresh) {
                EXPECT_EQ(it->second, y[k])
                    << "point " << p[k].first << "," << p[k].second << " has two elevations";
            }
            const Point u = p[k], v = p[(k + 1) % 3];
            ++edgeUses[std::minmax(u, v)];
        }
    }
    EXPECT_EQ(area2, 2LL * (S - 1) * (S - 1)) << "the triangles do not cover the map once";
    for (const auto& [edge, uses] : edgeUses) {
        const auto [u, v] = edge;
        const bool border = (u.first == v.first && (u.first == 0 || u.first == S - 1)) ||
                            (u.second == v.second && (u.second == 0 || u.second == S - 1));
        EXPECT_EQ(uses, border ? 1 : 2)
            << "edge " << u.first << "," << u.second << " - " << v.first << "," << v.second;
    }
    return elevation;
}

template <class Sample>
std::vector<Sample> randomGrid(std::mt19937& rng, int n) {
    std::vector<Sample> grid(static_cast<std::size_t>(n) * n);
    const int style = std::uniform_int_distribution<int>(0, 2)(rng);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double amplitude = style == 0 ? 50.0 : 8000.0;
    double walk = 0.0;
    for (auto& g : grid) {
        double value;
        if (style == 2) {   // a rough random walk
            walk = std::clamp(walk + (unit(rng) - 0.5) * 2000.0, -8000.0, 8000.0);
            value = walk;
        } else {
            value = (unit(rng) - 0.5) * 2.0 * amplitude;
        }
        g = static_cast<Sample>(std::is_integral_v<Sample> ? std::round(value) : value);
    }
    return grid;
}

TYPED_TEST(Tessellation, RandomMapsAndViewsGiveAWatertightMesh) {
    std::mt19937 rng(20261206);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int round = 0; round < 60; ++round) {
        resetEngine<TypeParam>();
        // Refinement parameters that keep subdivided neighbours within one level.
        setRefinementParams<TypeParam>(2.5f + 17.5f * unit(rng), 1.0f + 200.0f * unit(rng),
                                       unit(rng), 0);
        const int n = std::uniform_int_distribution<int>(2, 129)(rng);
        int size = n;
        float cell = 0.2f + 5.0f * unit(rng);
        const float heightScale = 0.01f + 2.0f * unit(rng);
        const float aspect = 0.5f + 1.5f * unit(rng);
        const std::vector<TypeParam> grid = randomGrid<TypeParam>(rng, n);
        NodeMap nodeMap;
        buildMap<TypeParam>(grid.data(), &nodeMap, &size, &cell, heightScale, aspect, nullptr);
        const int S = size;
        const float extent = (S - 1) * cell;
        for (int frame = 0; frame < 3; ++frame) {
            View v;
            v.res = 1.0f + 3000.0f * unit(rng);
            v.ex = (unit(rng) - 0.5f) * 2.0f * extent;
            v.ez = (unit(rng) - 0.5f) * 2.0f * extent;
            v.ey = (unit(rng) - 0.2f) * 2.0f * extent * heightScale;
            v.dx = unit(rng) - 0.5f;
            v.dy = unit(rng) - 0.7f;
            v.dz = unit(rng) - 0.5f;
            v.fovy = unit(rng) < 0.2f ? -extent * (0.1f + unit(rng)) : 10.0f + 160.0f * unit(rng);
            runPass<TypeParam>(v);
            checkWatertight(S, "round " + std::to_string(round) + " frame " +
                                   std::to_string(frame) + " S " + std::to_string(S));
            if (::testing::Test::HasFailure()) break;
        }
        releaseMap<TypeParam>();
        if (::testing::Test::HasFailure()) break;
    }
}

TYPED_TEST(Tessellation, FullWeightsGiveTheTrueSamplesEverywhere) {
    std::mt19937 rng(7);
    for (int S : {3, 5, 17, 65}) {
        BuiltMap<TypeParam> m(randomGrid<TypeParam>(rng, S), S);
        state<TypeParam>().params.cullDepth = 0;
        setAllWeights(m.nodeMap, S, 255);
        runPass<TypeParam>(View{}, 2);
        const std::map<Point, float> elevation = checkWatertight(S, "S " + std::to_string(S));
        EXPECT_EQ(elevation.size(), static_cast<std::size_t>(S) * S);
        for (const auto& [p, y] : elevation)
            EXPECT_EQ(y, static_cast<float>(m.at(p.first, p.second)));
        EXPECT_EQ(passLog().triangles().size(), 2u * (S - 1) * (S - 1));
    }
}

// Two maps side by side along x, sharing the border where west's last column meets
// east's first, each knowing the other's node map.
template <class Sample>
struct SideBySide {
    struct Side {
        std::vector<Sample> grid;
        Sample** columns = nullptr;
        NodeMap nodeMap = nullptr;
        int size = 0;
        float cell = 0.0f;
        float centerX = 0.0f;
    };
    Side west, east;
    float heightScale = 0.5f;

    // Samples height(x, z) at the world positions of a map of size n and cell size cell
    // centred at (centerX, 0).
    static void build(Side* side, int n, float cell, float centerX,
                      const std::function<double(double, double)>& height) {
        side->grid = gridFromMap<Sample>(n, [&](int i, int j) {
            return height(centerX + (i - n / 2) * cell, (n / 2 - j) * cell);
        });
        side->size = n;
        side->cell = cell;
        side->centerX = centerX;
        side->columns = buildMap<Sample>(side->grid.data(), &side->nodeMap, &side->size,
                                         &side->cell, 1.0f, 1.0f, nullptr);
    }

    SideBySide(int westSize, int eastSize, float westCell,
               const std::function<double(double, double)>& height) {
        const float eastCell = westCell * (westSize - 1) / (eastSize - 1);   // same extent
        build(&west, westSize, westCell, 0.0f, height);
        build(&east, eastSize, eastCell, (westSize - 1) * westCell, height);
    }

    void bind(const Side& side, const Side& other, bool otherIsEast) {
        const NodeMap maps[4] = {otherIsEast ? nullptr : other.nodeMap,
                                 otherIsEast ? other.nodeMap : nullptr, nullptr, nullptr};
        const int sizes[4] = {other.size, other.size, 0, 0};
        bindMapState<Sample>(side.columns, side.nodeMap, side.size, side.cell, heightScale, 0, 0,
                             0, 1.0f, side.centerX, 0.0f, 0.0f, maps, sizes, nullptr, 0.0f, 0.0f,
                             0.0f, 1.0f, 1.0f, 1.0f);
    }

    // The world (z, height) of every vertex either map emits on the shared border,
    // after refining both for the view.
    std::pair<std::set<std::pair<float, float>>, std::set<std::pair<float, float>>> border(
        const View& v) {
        bind(west, east, true);
        runPass<Sample>(v, 1);
        bind(east, west, false);
        runPass<Sample>(v, 1);
        std::set<std::pair<float, float>> fromWest, fromEast;
        const auto collect = [&](const Side& side, float column,
                                 std::set<std::pair<float, float>>* out) {
            for (const auto& fan : passLog().fans)
                for (const FanVertex& p : fan)
                    if (p.i == column)
                        out->emplace((side.size / 2 - p.j) * side.cell, p.y * heightScale);
        };
        bind(west, east, true);
        runPass<Sample>(v, 2);
        collect(west, float(west.size - 1), &fromWest);
        bind(east, west, false);
        runPass<Sample>(v, 2);
        collect(east, 0.0f, &fromEast);
        return {fromWest, fromEast};
    }

    ~SideBySide() {
        for (Side* side : {&west, &east}) {
            bind(*side, *side, true);
            releaseMap<Sample>();
        }
    }
};

TYPED_TEST(Tessellation, NeighbouringMapsShareTheirBorder) {
    // Gentle hills: the two maps refine alike near their border.
    const auto hills = [](double x, double z) {
        return 40.0 * std::sin(x * 0.05) * std::cos(z * 0.04) + 0.5 * x;
    };
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (auto [westSize, eastSize] : {std::pair{33, 33}, {33, 17}, {17, 65}}) {
        SideBySide<TypeParam> maps(westSize, eastSize, 2.0f, hills);
        state<TypeParam>().params.cullDepth = 0;   // both sides whole
        for (int frame = 0; frame < 10; ++frame) {
            View v;
            v.ex = 64.0f * (unit(rng) * 2.0f - 0.5f);
            v.ez = 64.0f * (unit(rng) - 0.5f);
            v.ey = 5.0f + 60.0f * unit(rng);
            v.dx = unit(rng) - 0.5f;
            v.dz = unit(rng) - 0.5f;
            const auto [fromWest, fromEast] = maps.border(v);
            SCOPED_TRACE("sizes " + std::to_string(westSize) + " and " + std::to_string(eastSize) +
                         ", frame " + std::to_string(frame));
            EXPECT_FALSE(fromWest.empty());
            if (westSize == eastSize) {
                EXPECT_EQ(fromWest, fromEast);
                continue;
            }
            // The finer map may refine below what the coarser one can hold; it then adds
            // points on the coarser map's straight border edges, never beside them.
            const bool westCoarser = westSize < eastSize;
            const auto& coarse = westCoarser ? fromWest : fromEast;
            const auto& fine = westCoarser ? fromEast : fromWest;
            for (const auto& point : coarse) EXPECT_EQ(fine.count(point), 1u) << point.first;
            for (const auto& [z, y] : fine) {
                if (coarse.count({z, y})) continue;
                const auto after = coarse.lower_bound({z, -1e30f});
                ASSERT_TRUE(after != coarse.begin() && after != coarse.end()) << z;
                const auto before = std::prev(after);
                const float t = (z - before->first) / (after->first - before->first);
                EXPECT_NEAR(y, before->second + t * (after->second - before->second), 1e-4f)
                    << "at z = " << z;
            }
        }
    }
}

}  // namespace
}  // namespace kalde::test
