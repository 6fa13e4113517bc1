// Fan emission without fog.
#include "terrain/fan_emission.h"

#include <algorithm>

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

RecordedFans::RecordedFans(FanRecording* recording, const GridToWorld& world)
    : recording_(recording), world_(world) {
    recording->fanStarts.clear();
    reserve(0);
}

void RecordedFans::reserve(std::uint32_t vertices) {
    constexpr std::size_t kInitialFloats = 3 * 4096;
    std::vector<float>& positions = recording_->positions;
    const std::size_t used = 3 * static_cast<std::size_t>(vertices);
    if (positions.size() < used + 3)
        positions.resize(std::max(kInitialFloats, 2 * positions.size()));
    cursor_ = positions.data() + used;
    limit_ = positions.data() + positions.size() / 3 * 3;
}

// The walk works on a copy of fans (kept in registers where it can), which goes back to
// the caller at the end.
template <class Sample, class Fans>
void emitFans(const ViewState& view, Fans& fans, int i, int j, int s, float e1, float e2, float e3,
              float e4) {
    PlainOutput<Sample, Fans> out{fans};
    FanWalker<Sample, PlainOutput<Sample, Fans>>(view, out).walk(i, j, s, e1, e2, e3, e4);
    fans = out;
}

#define KALDE_INSTANTIATE(Sample, Fans)                                                  \
    template void emitFans<Sample, Fans>(const ViewState&, Fans&, int, int, int, float, \
                                         float, float, float);
KALDE_FOR_EACH_FAN_KIND(KALDE_INSTANTIATE)
#undef KALDE_INSTANTIATE

}  // namespace kalde
