// Fan emission without fog.
#include "terrain/fan_emission.h"

#include "terrain/fan_walk.h"

namespace kalde {

namespace {

template <class Sample, class Fans>
struct PlainOutput : Fans {
    using Value = float;
    static float sample(const MapState<Sample>& map, int i, int j) {
        return static_cast<float>(map.columns[i][j]);
    }
};

}  // namespace

template <class Sample, class Fans>
void emitFans(const ViewState& view, const Fans& fans, int i, int j, int s, float e1, float e2,
              float e3, float e4) {
    PlainOutput<Sample, Fans> out{fans};
    FanWalker<Sample, PlainOutput<Sample, Fans>>(view, out).walk(i, j, s, e1, e2, e3, e4);
}

#define KALDE_INSTANTIATE(Sample, Fans)                                                       \
    template void emitFans<Sample, Fans>(const ViewState&, const Fans&, int, int, int, float, \
                                         float, float, float);
KALDE_INSTANTIATE(std::int16_t, CallbackFans)
KALDE_INSTANTIATE(std::int16_t, RecordedFans)
KALDE_INSTANTIATE(std::int16_t, SilentFans)
KALDE_INSTANTIATE(float, CallbackFans)
KALDE_INSTANTIATE(float, RecordedFans)
KALDE_INSTANTIATE(float, SilentFans)
#undef KALDE_INSTANTIATE

}  // namespace kalde
