// The per-frame landscape pass: checks the view and sets it up, then runs the
// refinement, tessellation and fog prism phases.
#include "terrain/fan_emission.h"
#include "terrain/fatal.h"
#include "terrain/fog_prisms.h"
#include "terrain/kalde.h"
#include "terrain/refinement.h"
#include "terrain/view.h"

namespace kalde {

namespace {

constexpr float kMaxFovy = 180.0f;

enum Phase { kAllPhases = 0, kRefinement = 1, kTessellation = 2, kFogPrisms = 3 };

}  // namespace

template <class Sample>
void runLandscapePass(float res, float ex, float ey, float ez, float lx, float ly, float lz,
                      float dx, float dy, float dz, float ux, float uy, float uz, float fovy,
                      float aspect, float nearDist, float farDist, FanBeginFn fanBegin,
                      FanVertexFn fanVertex, NotifyFn notify, PrismEdgeFn prismEdge, int phase) {
    const MapState<Sample>& map = state<Sample>().map;
    const FatalLines& lines = fatalLines<Sample>();
    if (map.size == 0) failEngineCheck(lines.passNoMap);
    if (!(fovy != 0.0f && fovy < kMaxFovy && aspect > 0.0f && nearDist >= 0.0f &&
          farDist > nearDist))
        failEngineCheck(lines.passView);
    if (phase < kAllPhases || phase > kFogPrisms) return;

    ViewState& view = viewState<Sample>();
    setUpView<Sample>(view, res, {ex, ey, ez}, {lx, ly, lz}, {dx, dy, dz}, {ux, uy, uz}, fovy,
                      aspect, nearDist, farDist);
    if (phase == kAllPhases || phase == kRefinement) refine<Sample>(view);
    if (phase == kAllPhases || phase == kTessellation)
        emitLandscape<Sample>(view, {fanBegin, fanVertex, notify});
    if ((phase == kAllPhases || phase == kFogPrisms) && map.fogMap)
        drawFogPrisms<Sample>(view, prismEdge);
}

#define KALDE_INSTANTIATE(Sample)                                                              \
    template void runLandscapePass<Sample>(float, float, float, float, float, float, float,    \
                                           float, float, float, float, float, float, float,    \
                                           float, float, float, FanBeginFn, FanVertexFn,       \
                                           NotifyFn, PrismEdgeFn, int);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
