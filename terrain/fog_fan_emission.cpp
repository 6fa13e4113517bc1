// Fog-aware fan emission: exactly the fans of the plain emission, with a fog value
// carried along with every vertex. Each emitted fan triangle with fog at a corner is
// lifted into a vertical prism, collected in the prism list for the prism phase.
#include "terrain/engine_internal.h"
#include "terrain/fan_walk.h"
#include "terrain/fatal.h"
#include "terrain/heap.h"

namespace kalde {

namespace {

// The list grows in steps of this many records and keeps its memory between frames.
constexpr int kPrismListStep = 10000;

template <class Sample>
void appendPrism(EngineState<Sample>& st, const TrackedVertex& a, const TrackedVertex& b,
                 const TrackedVertex& c) {
    const FatalLines& lines = fatalLines<Sample>();
    if (!st.prismList) {
        st.prismList = static_cast<FogPrism*>(allocateBlock(kPrismListStep, sizeof(FogPrism)));
        if (!st.prismList) fatalError(kEngineModule, lines.prismListAlloc);
        st.prismCapacity = kPrismListStep;
        st.prismCount = 0;
    }
    ++st.prismCount;
    if (st.prismCount >= st.prismCapacity) {
        void* grown = resizeBlock(st.prismList, st.prismCapacity + kPrismListStep, sizeof(FogPrism));
        if (!grown) fatalError(kEngineModule, lines.prismListGrow);
        st.prismList = static_cast<FogPrism*>(grown);
        st.prismCapacity += kPrismListStep;
    }
    // World coordinates; the prism's floor lies fogOffset above the terrain and its
    // roof the vertex's fog thickness above that.
    const MapState<Sample>& map = st.map;
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
    FogPrism& p = st.prismList[st.prismCount - 1];
    corner(a, &p.ax, &p.ay, &p.aTop, &p.az);
    corner(b, &p.bx, &p.by, &p.bTop, &p.bz);
    corner(c, &p.cx, &p.cy, &p.cTop, &p.cz);
}

// Follows the fan being emitted and appends a prism for each of its triangles that
// has fog at a corner.
template <class Sample>
void trackFogVertex(EngineState<Sample>& st, FanTracker& tracker, const TrackedVertex& v) {
    if (st.fanVertexCount == 0) {
        tracker.centre = v;
        st.fanVertexCount = 1;
    } else if (st.fanVertexCount == 1) {
        tracker.previous = v;
        st.fanVertexCount = 2;
    } else {
        if (tracker.centre.fog > 0.0f || tracker.previous.fog > 0.0f || v.fog > 0.0f)
            appendPrism(st, tracker.centre, tracker.previous, v);
        tracker.previous = v;
    }
}

template <class Sample>
struct ElevationAndFog {
    using Value = FogValue;
    static FogValue sample(const MapState<Sample>& map, int i, int j) {
        return {static_cast<float>(map.columns[i][j]), static_cast<float>(map.fogMap[i][j])};
    }
    static FogValue absent() { return {kAbsent, kAbsent}; }
};

// The callback path: fans go to the stored callbacks, then into the tracker.
template <class Sample>
struct FogCallbackOutput : ElevationAndFog<Sample> {
    EngineState<Sample>& st;
    explicit FogCallbackOutput(EngineState<Sample>& s) : st(s) {}
    void notify(int i, int j, int s) {
        if (st.view.storedNotify) st.view.storedNotify(i, j, s);
    }
    void begin() {
        st.fanVertexCount = 0;
        st.view.storedFanBegin();
    }
    void vertex(int i, const FogValue& v, int j) {
        st.view.storedFanVertex(static_cast<float>(i), v.y, static_cast<float>(j));
        trackFogVertex(st, st.callbackTracker, {i, v.y, v.fog, j});
    }
};

// The built-in path: no vertex leaves the engine; only the prisms are collected.
template <class Sample>
struct FogTrackingOutput : ElevationAndFog<Sample> {
    EngineState<Sample>& st;
    explicit FogTrackingOutput(EngineState<Sample>& s) : st(s) {}
    void notify(int, int, int) {}
    void begin() { st.fanVertexCount = 0; }
    void vertex(int i, const FogValue& v, int j) {
        trackFogVertex(st, st.builtInTracker, {i, v.y, v.fog, j});
    }
};

template <class Output, class Sample>
void walkWithFog(EngineState<Sample>& st, int i, int j, int s, float e1, float e2, float e3,
                 float e4, float f1, float f2, float f3, float f4) {
    Output out(st);
    FanWalker<Sample, Output>(st, out).walk(i, j, s, {e1, f1}, {e2, f2}, {e3, f3}, {e4, f4});
}

}  // namespace

template <class Sample>
void emitFogFans(int i, int j, int s, float e1, float e2, float e3, float e4, float f1, float f2,
                 float f3, float f4) {
    walkWithFog<FogCallbackOutput<Sample>>(state<Sample>(), i, j, s, e1, e2, e3, e4, f1, f2, f3,
                                           f4);
}

template <class Sample>
void renderFogFans(int i, int j, int s, float e1, float e2, float e3, float e4, float f1,
                   float f2, float f3, float f4) {
    walkWithFog<FogTrackingOutput<Sample>>(state<Sample>(), i, j, s, e1, e2, e3, e4, f1, f2, f3,
                                           f4);
}

#define KALDE_INSTANTIATE(Sample)                                                              \
    template void emitFogFans<Sample>(int, int, int, float, float, float, float, float, float, \
                                      float, float);                                           \
    template void renderFogFans<Sample>(int, int, int, float, float, float, float, float,      \
                                        float, float, float);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
