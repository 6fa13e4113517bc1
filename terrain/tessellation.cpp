// The tessellation phase of a pass: the whole map from the root, with or without fog,
// to the pass's fan target or between the built-in renderer's hooks.
#include <type_traits>

#include "terrain/fan_emission.h"
#include "terrain/fog_fan_emission.h"
#include "terrain/render_hooks.h"

namespace kalde {

namespace {

// Walks the root with the plain or the fog-aware walk.
template <class Sample, class Fans>
void walkMap(const ViewState& view, Fans fans) {
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
    if (fog) {
        const auto fogAt = [fog](int i, int j) { return static_cast<float>(fog[i][j]); };
        emitFogFans<Sample>(view, fans, half, half, S - 1, e1, e2, e3, e4, fogAt(S - 1, S - 1),
                            fogAt(0, S - 1), fogAt(0, 0), fogAt(S - 1, 0));
    } else {
        emitFans<Sample>(view, fans, half, half, S - 1, e1, e2, e3, e4);
    }
    if constexpr (std::is_same_v<Fans, RecordedFans>) fans.finish();
}

}  // namespace

template <class Sample>
void emitLandscape(const ViewState& view, const FanTarget& target) {
    const MapState<Sample>& map = state<Sample>().map;
    if (target.sink) {
        walkMap<Sample>(view, SinkFans{*target.sink, GridToWorld(map)});
        return;
    }
    if (target.recording) {
        walkMap<Sample>(view, RecordedFans(target.recording, GridToWorld(map)));
        return;
    }
    if (target.callbacks.begin && target.callbacks.vertex) {
        walkMap<Sample>(view, CallbackFans{target.callbacks});
        return;
    }
    // The built-in renderer: grid (i, y, j) to world through the transform hooks.
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

template void emitLandscape<std::int16_t>(const ViewState&, const FanTarget&);
template void emitLandscape<float>(const ViewState&, const FanTarget&);

}  // namespace kalde
