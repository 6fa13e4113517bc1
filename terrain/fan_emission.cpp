// Fan emission without fog: through the caller's callbacks, or the silent walk of the
// built-in renderer (whose hooks draw nothing).
#include "terrain/engine_internal.h"
#include "terrain/fan_walk.h"

namespace kalde {

namespace {

template <class Sample>
struct ElevationOnly {
    using Value = float;
    static float sample(const MapState<Sample>& map, int i, int j) {
        return static_cast<float>(map.columns[i][j]);
    }
    static float absent() { return kAbsent; }
};

template <class Sample>
struct CallbackOutput : ElevationOnly<Sample> {
    const ViewState& view;
    explicit CallbackOutput(const ViewState& v) : view(v) {}
    void notify(int i, int j, int s) {
        if (view.storedNotify) view.storedNotify(i, j, s);
    }
    void begin() { view.storedFanBegin(); }
    void vertex(int i, float y, int j) {
        view.storedFanVertex(static_cast<float>(i), y, static_cast<float>(j));
    }
};

template <class Sample>
struct SilentOutput : ElevationOnly<Sample> {
    void notify(int, int, int) {}
    void begin() {}
    void vertex(int, float, int) {}
};

}  // namespace

template <class Sample>
void emitFans(int i, int j, int s, float e1, float e2, float e3, float e4) {
    const auto& st = state<Sample>();
    CallbackOutput<Sample> out(st.view);
    FanWalker<Sample, CallbackOutput<Sample>>(st, out).walk(i, j, s, e1, e2, e3, e4);
}

template <class Sample>
void renderFans(int i, int j, int s, float e1, float e2, float e3, float e4) {
    const auto& st = state<Sample>();
    SilentOutput<Sample> out;
    FanWalker<Sample, SilentOutput<Sample>>(st, out).walk(i, j, s, e1, e2, e3, e4);
}

#define KALDE_INSTANTIATE(Sample)                                                     \
    template void emitFans<Sample>(int, int, int, float, float, float, float);       \
    template void renderFans<Sample>(int, int, int, float, float, float, float);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
