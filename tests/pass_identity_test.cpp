// The landscape pass keeps its output bit for bit: golden hashes, recorded from the
// engine before any speed work, of everything each flight produced (every callback
// with its arguments in order, notify and prism edges included, the built-in
// renderer's hook calls) and of the node map after every frame.
//
// A change that alters any of them fails here. When an output is meant to change, the
// failure prints the new values to paste into the table below.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "bench/camera_path.h"
#include "landscape_test_support.h"
#include "terrain/render_hooks.h"

namespace kalde::test {
namespace {

// FNV-1a over 32-bit words.
struct Hash {
    std::uint64_t value = 14695981039346656037ull;
    void word(std::uint32_t w) { value = (value ^ w) * 1099511628211ull; }
    void number(float x) {
        std::uint32_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        word(bits);
    }
    void number(int x) { word(static_cast<std::uint32_t>(x)); }
    template <class... T> void add(std::uint32_t tag, T... values) {
        word(tag);
        (number(values), ...);
    }
};

Hash stream;   // what left the engine, in order

enum Tag : std::uint32_t { kBegin = 1, kVertex, kNotify, kPrismEdge, kHook, kQuad, kTriangle };

void hashBegin() { stream.add(kBegin); }
void hashVertex(float i, float y, float j) { stream.add(kVertex, i, y, j); }
void hashNotify(int i, int j, int s) { stream.add(kNotify, i, j, s); }
void hashPrismEdge(float x, float y, float yTop, float z) { stream.add(kPrismEdge, x, y, yTop, z); }

void hashSection(Tag tag, const SectionPoint* p, bool withAttribute) {
    stream.add(tag, withAttribute ? 1 : 0);
    for (int k = 0; k < 4; ++k) stream.add(tag, p[k].x, p[k].y, p[k].z, p[k].distance, p[k].attribute);
}

// Hooks that hash every call of the built-in renderer with its arguments, in order;
// each hook has its number.
RenderHooks hashingHooks() {
    RenderHooks h = emptyRenderHooks();
#define HASH(name, id) h.name = [] { stream.add(kHook, id); }
    HASH(beginLandscape, 1), HASH(endLandscape, 2), HASH(beginPrimitives, 3);
    HASH(endPrimitives, 4), HASH(beginFog, 5), HASH(endFog, 6), HASH(beginPrism, 7);
    HASH(endPrism, 8), HASH(beginPrismClip, 9), HASH(endPrismClip, 10), HASH(beginSection, 11);
    HASH(endSection, 12), HASH(beginPrismBatch, 13), HASH(endPrismBatch, 14);
    HASH(pushTransform, 15), HASH(popTransform, 16);
#undef HASH
    h.bindTexture = [](int id, int w, int h, int size) { stream.add(kHook, 17, id, w, h, size); };
    h.translateTransform = [](float x, float y, float z) { stream.add(kHook, 18, x, y, z); };
    h.scaleTransform = [](float x, float y, float z) { stream.add(kHook, 19, x, y, z); };
    h.sectionQuad = [](const SectionPoint* p, bool withAttribute) { hashSection(kQuad, p, withAttribute); };
    h.sectionTriangle = [](const SectionPoint* p) { hashSection(kTriangle, p, true); };
    return h;
}

// A rough terrain from integer value noise: every sample follows from integer
// arithmetic, so the maps are the same on every machine. The float variant adds an
// exact fraction to each sample.
template <class Sample>
std::vector<Sample> noiseGrid(int n, std::uint32_t seed, int amplitude) {
    const auto lattice = [seed](int x, int y, int octave) {
        std::uint32_t h = seed * 0x9E3779B1u ^ static_cast<std::uint32_t>(x) * 0x85EBCA77u ^
                          static_cast<std::uint32_t>(y) * 0xC2B2AE3Du ^
                          static_cast<std::uint32_t>(octave) * 0x27D4EB2Fu;
        h ^= h >> 15;
        h *= 0x2C1B3C6Du;
        h ^= h >> 12;
        return static_cast<int>(h % 1024u);
    };
    std::vector<Sample> grid(static_cast<std::size_t>(n) * n);
    for (int c = 0; c < n; ++c)
        for (int r = 0; r < n; ++r) {
            long long sum = 0;
            int weight = 1 << 6;
            for (int octave = 0, cell = 64; cell >= 2; ++octave, cell /= 2, weight /= 2) {
                const int x = c / cell, y = r / cell, fx = c % cell, fy = r % cell;
                const long long top = lattice(x, y, octave) * (cell - fx) + lattice(x + 1, y, octave) * fx;
                const long long bottom =
                    lattice(x, y + 1, octave) * (cell - fx) + lattice(x + 1, y + 1, octave) * fx;
                sum += (top * (cell - fy) + bottom * fy) * weight / (cell * cell);
            }
            const long long value = sum * amplitude / (1024LL * 127);
            Sample s = static_cast<Sample>(value);
            if constexpr (!std::is_integral_v<Sample>)
                s += static_cast<float>(lattice(c, r, 99) % 64) / 64.0f;
            grid[c + static_cast<std::size_t>(n) * r] = s;
        }
    return grid;
}

// One built map that the flights bind with their own placement, fog and neighbours.
template <class Sample>
struct FlightMap {
    Sample** columns = nullptr;
    NodeMap nodeMap = nullptr;
    FogMap fogMap = nullptr;
    int size = 0;
    float cell = 0.0f;
    float heightScale = 0.0f;
    float fogScale = 0.0f;
    float fogOffset = 0.0f;
    float prismDrawParam = 0.0f;
    float centre[3] = {0.0f, 0.0f, 0.0f};
    const NodeMap* neighbours = nullptr;
    const int* neighbourSizes = nullptr;

    FlightMap(const std::vector<Sample>& grid, int n, float cellSize, float scale)
        : size(n), cell(cellSize), heightScale(scale) {
        columns = buildMap<Sample>(grid.data(), &nodeMap, &size, &cell, heightScale, 1.0f, nullptr);
    }
    ~FlightMap() {
        bind();
        releaseMap<Sample>();
    }
    FlightMap(const FlightMap&) = delete;
    FlightMap& operator=(const FlightMap&) = delete;

    void addFog(int n, float scale, float offset, float drawParam) {
        std::vector<unsigned char> image(static_cast<std::size_t>(n) * n);
        for (int k = 0; k < n * n; ++k) image[k] = static_cast<unsigned char>((k * 37 + k / n * 11) % 97 < 40 ? 0 : k % 251);
        fogScale = scale;
        fogOffset = offset;
        prismDrawParam = drawParam;
        fogMap = buildFogMap<Sample>(image.data(), n, scale, offset, drawParam, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    void bind() const {
        bindMapState<Sample>(columns, nodeMap, size, cell, heightScale, 0, 0, 0, 1.0f, centre[0],
                             centre[1], centre[2], neighbours, neighbourSizes, fogMap, fogScale,
                             fogOffset, prismDrawParam, 1.0f, 1.0f, 1.0f);
    }
    float extent() const { return static_cast<float>(size - 1) * cell; }
    void hashNodeMap(Hash* nodes) const {
        for (int i = 0; i < size - 1; ++i)
            for (int j = 0; j < size - 1; j += 4) {
                std::uint32_t w = 0;
                for (int k = 0; k < 4 && j + k < size - 1; ++k) w |= std::uint32_t{nodeMap[i][j + k]} << (8 * k);
                nodes->word(w);
            }
    }
};

struct Frame {
    float res;
    float eye[3], lod[3], dir[3], up[3];
    float fovy, aspect, nearDist, farDist;
    bool callbacks = true;   // false: the built-in renderer
    bool notify = true;
    int phase = 0;
};

struct Result {
    std::uint64_t stream, nodes;
    bool operator==(const Result& o) const { return stream == o.stream && nodes == o.nodes; }
};

template <class Sample>
Result fly(const FlightMap<Sample>& map, const std::vector<Frame>& frames) {
    stream = Hash{};
    Hash nodes;
    renderHooks() = hashingHooks();
    for (const Frame& f : frames) {
        map.bind();
        runLandscapePass<Sample>(f.res, f.eye[0], f.eye[1], f.eye[2], f.lod[0], f.lod[1], f.lod[2],
                                 f.dir[0], f.dir[1], f.dir[2], f.up[0], f.up[1], f.up[2], f.fovy,
                                 f.aspect, f.nearDist, f.farDist, f.callbacks ? hashBegin : nullptr,
                                 f.callbacks ? hashVertex : nullptr, f.notify ? hashNotify : nullptr,
                                 f.callbacks ? hashPrismEdge : nullptr, f.phase);
        map.hashNodeMap(&nodes);
    }
    renderHooks() = emptyRenderHooks();
    return {stream.value, nodes.value};
}

// The benchmark's scripted flight with the fly-over's draw parameters.
template <class Sample>
std::vector<Frame> benchFlight(const FlightMap<Sample>& map, int count, float res) {
    map.bind();
    std::vector<Frame> frames;
    for (const bench::CameraPose& p :
         bench::flightPath(map.extent(), count, [](float x, float z) { return heightAt<Sample>(x, z); })) {
        Frame f{res, {p.ex, p.ey, p.ez}, {p.ex, p.ey, p.ez}, {p.dx, p.dy, p.dz}, {0.0f, 1.0f, 0.0f},
                72.0f * 2.4f, 4.0f / 3.0f, 1.0f, 3000.0f};
        f.notify = false;
        frames.push_back(f);
    }
    return frames;
}

// Views from everywhere: perspective and orthographic, eye and viewpoint apart,
// resolutions from 1 to 10^7, some phases on their own, some views that no real
// camera has (non-finite, far away).
std::vector<Frame> randomFlight(float extent, float height, int count, std::uint32_t seed,
                                bool builtIn) {
    std::mt19937 random(seed);
    const auto uniform = [&](float lo, float hi) {
        return lo + (hi - lo) * static_cast<float>(random() >> 8) / 16777216.0f;
    };
    const auto point = [&](float* p) {
        p[0] = uniform(-0.7f, 0.7f) * extent;
        p[1] = uniform(-0.1f, 1.5f) * height;
        p[2] = uniform(-0.7f, 0.7f) * extent;
    };
    std::vector<Frame> frames;
    for (int k = 0; k < count; ++k) {
        Frame f{};
        f.res = std::pow(10.0f, uniform(0.0f, 7.0f));
        point(f.eye);
        if (k % 3 == 0)
            point(f.lod);
        else
            std::memcpy(f.lod, f.eye, sizeof f.lod);
        f.dir[0] = uniform(-1.0f, 1.0f), f.dir[1] = uniform(-1.0f, 0.3f), f.dir[2] = uniform(-1.0f, 1.0f);
        f.up[0] = uniform(-0.2f, 0.2f), f.up[1] = 1.0f, f.up[2] = uniform(-0.2f, 0.2f);
        f.fovy = k % 4 == 1 ? -uniform(0.05f, 1.5f) * extent : uniform(10.0f, 170.0f);
        f.aspect = uniform(0.5f, 2.5f);
        f.nearDist = uniform(0.0f, 0.05f) * extent;
        f.farDist = f.nearDist + uniform(0.1f, 2.0f) * extent;
        f.notify = k % 5 != 2;
        f.callbacks = !builtIn || k % 2 == 0;
        if (k % 7 == 3) f.phase = 1;   // refine here, emit from the next frame's view
        if (k % 7 == 4) f.phase = 2;
        if (k % 7 == 5) f.phase = 3;
        if (k == 11) f.eye[0] = NAN;
        if (k == 12) f.lod[1] = INFINITY;
        if (k == 13) f.eye[2] = f.lod[2] = 1e30f;
        frames.push_back(f);
    }
    return frames;
}

// The node map of a neighbour of size n: weights that vary from node to node.
struct NeighbourMap {
    std::vector<std::vector<unsigned char>> columns;
    std::vector<unsigned char*> pointers;
    explicit NeighbourMap(int n, int seed) {
        const int m = n > 1 ? n - 1 : 1;
        columns.assign(m, std::vector<unsigned char>(m));
        for (int a = 0; a < m; ++a) {
            for (int b = 0; b < m; ++b)
                columns[a][b] = static_cast<unsigned char>((a * 7 + b * 13 + seed) % 5 == 0 ? 0 : (a * b + seed) % 256);
            pointers.push_back(columns[a].data());
        }
    }
    NodeMap map() { return pointers.data(); }
};

template <class Sample>
struct Golden;

// Golden values: {callback stream, node maps}.
template <>
struct Golden<std::int16_t> {
    static constexpr Result benchPath{0xa851b5c704cff66aull, 0x71f498f7bae448f4ull};
    static constexpr Result highResolution{0xafc612a4b0f60112ull, 0x4f63686bbcce1f5ull};
    static constexpr Result randomViews{0xeee1b444439e9803ull, 0xdcf5aee30d9a656full};
    static constexpr Result fog{0xcc9f860d3bc3e1d5ull, 0x85522244a2a0952aull};
    static constexpr Result neighbours{0x19e8c6ed5130f884ull, 0xc5f98a9d96feb04aull};
    static constexpr Result extremeSamples{0xff45caee04ff59b1ull, 0x422d5e5d37391bc1ull};
};
template <>
struct Golden<float> {
    static constexpr Result benchPath{0x4af3d0a568c36958ull, 0xcaf92d35bd0816acull};
    static constexpr Result highResolution{0xfe5935bb7b3f0adbull, 0x23daf8bb16521388ull};
    static constexpr Result randomViews{0xda11e7d9fd370d2aull, 0x3ef1fd51faf3e33dull};
    static constexpr Result fog{0xab9fc7978880e779ull, 0x51522a44928548a0ull};
    static constexpr Result neighbours{0x56f34d0ceecb06c4ull, 0xabba7761d17bb429ull};
    static constexpr Result extremeSamples{0x6528c417d14f9287ull, 0xedd5e74552d20b0ull};
};

std::string print(const Result& r) {
    char text[64];
    std::snprintf(text, sizeof text, "{0x%llxull, 0x%llxull}", static_cast<unsigned long long>(r.stream),
                  static_cast<unsigned long long>(r.nodes));
    return text;
}

template <class Sample>
class PassIdentity : public ::testing::Test {
protected:
    void SetUp() override { resetEngine<Sample>(); }
    void TearDown() override { resetEngine<Sample>(); }
    static void expect(const Result& actual, const Result& golden) {
        EXPECT_TRUE(actual == golden) << "now " << print(actual) << ", was " << print(golden);
    }
};
TYPED_TEST_SUITE(PassIdentity, SampleTypes);

// The fly-over's sample terrain size and height scale, along the benchmark's path.
TYPED_TEST(PassIdentity, BenchPath) {
    const FlightMap<TypeParam> map(noiseGrid<TypeParam>(256, 1, 255), 256, 1.0f, 0.2f);
    this->expect(fly(map, benchFlight(map, 60, 1000.0f)), Golden<TypeParam>::benchPath);
}

TYPED_TEST(PassIdentity, HighResolution) {
    const FlightMap<TypeParam> map(noiseGrid<TypeParam>(513, 2, 4000), 513, 2.0f, 0.05f);
    this->expect(fly(map, benchFlight(map, 24, 1e7f)), Golden<TypeParam>::highResolution);
}

TYPED_TEST(PassIdentity, RandomViews) {
    FlightMap<TypeParam> map(noiseGrid<TypeParam>(129, 3, 3000), 129, 1.5f, 0.1f);
    map.centre[0] = 40.0f, map.centre[1] = -7.0f, map.centre[2] = 13.0f;
    this->expect(fly(map, randomFlight(map.extent(), 300.0f, 80, 3, true)),
                 Golden<TypeParam>::randomViews);
}

// Fog prisms through the callbacks and through both built-in drawings.
TYPED_TEST(PassIdentity, Fog) {
    FlightMap<TypeParam> map(noiseGrid<TypeParam>(100, 4, 2000), 100, 1.0f, 0.1f);
    map.addFog(50, 0.4f, 0.5f, 0.0f);
    const std::vector<Frame> frames = randomFlight(map.extent(), 200.0f, 60, 4, true);
    const Result slicing = fly(map, frames);
    map.prismDrawParam = 1.0f;   // by depth
    const Result byDepth = fly(map, frames);
    this->expect({slicing.stream ^ (byDepth.stream * 3), slicing.nodes ^ (byDepth.nodes * 3)},
                 Golden<TypeParam>::fog);
}

// Neighbour maps smaller, larger and as large as the map, too small, and absent.
TYPED_TEST(PassIdentity, Neighbours) {
    FlightMap<TypeParam> map(noiseGrid<TypeParam>(65, 5, 3000), 65, 1.0f, 0.2f);
    NeighbourMap west(33, 1), east(129, 2), south(65, 3), north(2, 4);
    const NodeMap maps[4] = {west.map(), east.map(), south.map(), north.map()};
    const int sizes[4] = {33, 129, 65, 2};
    map.neighbours = maps;
    map.neighbourSizes = sizes;
    Result all = fly(map, randomFlight(map.extent(), 300.0f, 50, 5, false));
    const NodeMap someAbsent[4] = {nullptr, west.map(), east.map(), nullptr};
    const int otherSizes[4] = {0, 33, 129, 0};
    map.neighbours = someAbsent;
    map.neighbourSizes = otherSizes;
    const Result swapped = fly(map, randomFlight(map.extent(), 300.0f, 30, 6, false));
    this->expect({all.stream ^ (swapped.stream * 3), all.nodes ^ (swapped.nodes * 3)},
                 Golden<TypeParam>::neighbours);
}

// Samples at the ends of their range: the 16-bit variant's full span, and infinite
// and NaN samples in the float variant, at the root's centre too.
TYPED_TEST(PassIdentity, ExtremeSamples) {
    std::vector<TypeParam> grid = noiseGrid<TypeParam>(65, 7, 32000);
    if constexpr (!std::is_integral_v<TypeParam>) {
        grid[100] = NAN;
        grid[2000] = INFINITY;
        grid[3000] = -INFINITY;
        grid[32 + 65 * 32] = NAN;
    }
    const FlightMap<TypeParam> map(grid, 65, 1.0f, 0.2f);
    this->expect(fly(map, randomFlight(map.extent(), 3000.0f, 50, 7, false)),
                 Golden<TypeParam>::extremeSamples);
}

}  // namespace
}  // namespace kalde::test
