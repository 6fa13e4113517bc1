// Fog-aware fan emission: exactly the fans of the plain emission, with a fog value
// carried along with every vertex. Each emitted fan triangle with fog at a corner is
// lifted into a vertical prism, collected in the prism list for the prism phase.
#include "terrain/fog_fan_emission.h"

#include "terrain/fan_walk.h"
#include "terrain/fatal.h"
#include "terrain/heap.h"

namespace kalde {

namespace {

// The list grows in steps of this many records and keeps its memory between frames.
constexpr int kPrismListStep = 10000;

// A fan vertex with its fog value.
struct TrackedVertex {
    int i = 0;
    float elevation = 0.0f;
    float fog = 0.0f;
    int j = 0;
};

template <class Sample>
void appendPrism(const TrackedVertex& a, const TrackedVertex& b, const TrackedVertex& c) {
    const FatalLines& lines = fatalLines<Sample>();
    PrismList& list = prismList<Sample>();
    if (!list.prisms) {
        list.prisms = static_cast<FogPrism*>(allocateBlock(kPrismListStep, sizeof(FogPrism)));
        if (!list.prisms) failEngineCheck(lines.prismListAlloc);
        list.capacity = kPrismListStep;
        list.count = 0;
    }
    ++list.count;
    if (list.count >= list.capacity) {
        void* grown = resizeBlock(list.prisms, list.capacity + kPrismListStep, sizeof(FogPrism));
        if (!grown) failEngineCheck(lines.prismListGrow);
        list.prisms = static_cast<FogPrism*>(grown);
        list.capacity += kPrismListStep;
    }
    // World coordinates; the prism's floor lies fogOffset above the terrain and its
    // roof the vertex's fog thickness above that.
    const MapState<Sample>& map = state<Sample>().map;
    const float half = static_cast<float>(map.size / 2);
    const float x0 = -half * map.cellX + map.centerX;
    const float z0 = half * map.cellZ + map.centerZ;
    const float floorY = map.centerY + map.fogOffset;
    const auto corner = [&](const TrackedVertex& v, float* x, float* y, float* top, float* z) {
        *x = x0 + static_cast<float>(v.i) * map.cellX;
        *y = map.heightScale * v.elevation + floorY;
        *top = map.fogScale * v.fog + map.heightScale * v.elevation + floorY;
        *z = z0 - static_cast<float>(v.j) * map.cellZ;
    };
    FogPrism& p = list.prisms[list.count - 1];
    corner(a, &p.ax, &p.ay, &p.aTop, &p.az);
    corner(b, &p.bx, &p.by, &p.bTop, &p.bz);
    corner(c, &p.cx, &p.cy, &p.cTop, &p.cz);
}

// Follows the fan being emitted (its centre, the previous vertex and how many of the
// two it has seen) and appends a prism for each of its triangles with fog at a corner.
template <class Sample>
class FanTracker {
public:
    void begin() { seen_ = 0; }
    void vertex(const TrackedVertex& v) {
        if (seen_ == 0) {
            centre_ = v;
            seen_ = 1;
        } else if (seen_ == 1) {
            previous_ = v;
            seen_ = 2;
        } else {
            if (centre_.fog > 0.0f || previous_.fog > 0.0f || v.fog > 0.0f)
                appendPrism<Sample>(centre_, previous_, v);
            previous_ = v;
        }
    }

private:
    TrackedVertex centre_;
    TrackedVertex previous_;
    int seen_ = 0;
};

template <class Sample>
struct ElevationAndFog {
    using Value = FogValue;
    static FogValue sample(const MapState<Sample>& map, int i, int j) {
        return {static_cast<float>(map.columns[i][j]), static_cast<float>(map.fogMap[i][j])};
    }
};

// The callback path: fans go to the callbacks, then into the tracker.
template <class Sample>
struct FogCallbackOutput : ElevationAndFog<Sample> {
    FanCallbacks callbacks;
    FanTracker<Sample> tracker;
    void notify(int i, int j, int s) {
        if (callbacks.notify) callbacks.notify(i, j, s);
    }
    void begin() {
        tracker.begin();
        callbacks.begin();
    }
    void vertex(int i, const FogValue& v, int j) {
        callbacks.vertex(static_cast<float>(i), v.y, static_cast<float>(j));
        tracker.vertex({i, v.y, v.fog, j});
    }
};

// The built-in path: no vertex leaves the engine; only the prisms are collected.
template <class Sample>
struct FogTrackingOutput : ElevationAndFog<Sample> {
    FanTracker<Sample> tracker;
    void notify(int, int, int) {}
    void begin() { tracker.begin(); }
    void vertex(int i, const FogValue& v, int j) { tracker.vertex({i, v.y, v.fog, j}); }
};

template <class Sample, class Output>
void walkWithFog(const ViewState& view, Output& out, int i, int j, int s, float e1, float e2,
                 float e3, float e4, float f1, float f2, float f3, float f4) {
    FanWalker<Sample, Output>(view, out).walk(i, j, s, {e1, f1}, {e2, f2}, {e3, f3}, {e4, f4});
}

}  // namespace

template <class Sample>
void releasePrismList() {
    PrismList& list = prismList<Sample>();
    freeBlock(list.prisms);
    list = PrismList{};
}

template <class Sample>
void emitFogFans(const ViewState& view, const FanCallbacks& callbacks, int i, int j, int s,
                 float e1, float e2, float e3, float e4, float f1, float f2, float f3, float f4) {
    FogCallbackOutput<Sample> out{{}, callbacks, {}};
    walkWithFog<Sample>(view, out, i, j, s, e1, e2, e3, e4, f1, f2, f3, f4);
}

template <class Sample>
void renderFogFans(const ViewState& view, int i, int j, int s, float e1, float e2, float e3,
                   float e4, float f1, float f2, float f3, float f4) {
    FogTrackingOutput<Sample> out;
    walkWithFog<Sample>(view, out, i, j, s, e1, e2, e3, e4, f1, f2, f3, f4);
}

#define KALDE_INSTANTIATE(Sample)                                                             \
    template void releasePrismList<Sample>();                                                 \
    template void emitFogFans<Sample>(const ViewState&, const FanCallbacks&, int, int, int,    \
                                      float, float, float, float, float, float, float, float); \
    template void renderFogFans<Sample>(const ViewState&, int, int, int, float, float, float,  \
                                        float, float, float, float, float);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
