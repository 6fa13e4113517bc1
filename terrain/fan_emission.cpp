// Fan emission without fog: through the caller's callbacks, or the silent walk of the
// built-in renderer (whose hooks draw nothing).
#include "terrain/fan_emission.h"

#include "terrain/fan_walk.h"

namespace kalde {

namespace {

template <class Sample>
struct ElevationOnly {
    using Value = float;
    static float sample(const MapState<Sample>& map, int i, int j) {
        return static_cast<float>(map.columns[i][j]);
    }
};

template <class Sample>
struct CallbackOutput : ElevationOnly<Sample> {
    FanCallbacks callbacks;
    void notify(int i, int j, int s) {
        if (callbacks.notify) callbacks.notify(i, j, s);
    }
    void begin() { callbacks.begin(); }
    void vertex(int i, float y, int j) {
        callbacks.vertex(static_cast<float>(i), y, static_cast<float>(j));
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
void emitFans(const ViewState& view, const FanCallbacks& callbacks, int i, int j, int s, float e1,
              float e2, float e3, float e4) {
    CallbackOutput<Sample> out{{}, callbacks};
    FanWalker<Sample, CallbackOutput<Sample>>(view, out).walk(i, j, s, e1, e2, e3, e4);
}

template <class Sample>
void renderFans(const ViewState& view, int i, int j, int s, float e1, float e2, float e3,
                float e4) {
    SilentOutput<Sample> out;
    FanWalker<Sample, SilentOutput<Sample>>(view, out).walk(i, j, s, e1, e2, e3, e4);
}

#define KALDE_INSTANTIATE(Sample)                                                              \
    template void emitFans<Sample>(const ViewState&, const FanCallbacks&, int, int, int, float, \
                                   float, float, float);                                       \
    template void renderFans<Sample>(const ViewState&, int, int, int, float, float, float,     \
                                     float);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
