// The tessellation phase of a pass: the whole map from the root, with or without fog,
// through the caller's callbacks, into a recording, or between the built-in renderer's
// hooks.
#include "terrain/fan_emission.h"
#include "terrain/fog_fan_emission.h"
#include "terrain/render_hooks.h"

namespace kalde {

namespace {

// Walks the root with the plain or the fog-aware walk.
template <class Sample, class Fans>
void walkMap(const ViewState& view, const Fans& fans) {
    const MapState<Sample>& map = state<Sample>().map;
    const int S = map.size;
    const int half = S / 2;
    Sample* const* columns = map.columns;
    // Corners NE, NW, SW, SE.
    const float e1 = static_cast<float>(columns[S - 1][S - 1]);
    const float e2 = static_cast<float>(columns[0][S - 1]);
    const float e3 = static_cast<float>(columns[0][0]);
    const float e4 = static_cast<float>(columns[S - 1][0]);
    const FogMap fog = map.fogMap;
    if (!fog) {
        emitFans<Sample>(view, fans, half, half, S - 1, e1, e2, e3, e4);
        return;
    }
    const auto fogAt = [fog](int i, int j) { return static_cast<float>(fog[i][j]); };
    emitFogFans<Sample>(view, fans, half, half, S - 1, e1, e2, e3, e4, fogAt(S - 1, S - 1),
                        fogAt(0, S - 1), fogAt(0, 0), fogAt(S - 1, 0));
}

}  // namespace

template <class Sample>
void emitLandscape(const ViewState& view, const FanCallbacks& callbacks) {
    if (callbacks.begin && callbacks.vertex) {
        walkMap<Sample>(view, CallbackFans{callbacks});
        return;
    }
    // The built-in renderer: grid (i, y, j) to world through the transform hooks.
    const MapState<Sample>& map = state<Sample>().map;
    const int half = map.size / 2;
    const RenderHooks& hooks = renderHooks();
    hooks.beginLandscape();
    hooks.bindTexture(map.textureId, map.textureWidth, map.textureHeight, map.size);
    hooks.pushTransform();
    hooks.translateTransform(map.centerX, map.centerY, map.centerZ);
    hooks.scaleTransform(map.cellX, map.heightScale, -map.cellZ);
    hooks.translateTransform(-static_cast<float>(half), 0.0f, -static_cast<float>(half));
    hooks.beginPrimitives();
    walkMap<Sample>(view, SilentFans{});
    hooks.endPrimitives();
    hooks.popTransform();
    hooks.bindTexture(0, 0, 0, 0);
    hooks.endLandscape();
}

template <class Sample>
void recordLandscape(const ViewState& view, FanRecording recording) {
    walkMap<Sample>(view, RecordedFans(recording, state<Sample>().map));
}

#define KALDE_INSTANTIATE(Sample)                                                  \
    template void emitLandscape<Sample>(const ViewState&, const FanCallbacks&);    \
    template void recordLandscape<Sample>(const ViewState&, FanRecording);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
