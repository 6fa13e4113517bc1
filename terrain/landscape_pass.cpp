// The per-frame landscape pass: checks the view and sets it up, then runs the
// refinement, tessellation and fog prism phases.
#include "terrain/landscape_pass.h"

#include "terrain/fatal.h"
#include "terrain/fog_prisms.h"
#include "terrain/kalde.h"
#include "terrain/refinement.h"

namespace kalde {

namespace {

constexpr float kMaxFovy = 180.0f;

}  // namespace

template <class Sample>
void runPass(const PassCamera& c, const FanTarget& fans, PrismEdgeFn prismEdge, int phase) {
    const MapState<Sample>& map = state<Sample>().map;
    const FatalLines& lines = fatalLines<Sample>();
    if (map.size == 0) failEngineCheck(lines.passNoMap);
    if (!(c.fovy != 0.0f && c.fovy < kMaxFovy && c.aspect > 0.0f && c.nearDist >= 0.0f &&
          c.farDist > c.nearDist))
        failEngineCheck(lines.passView);
    if (phase < kAllPhases || phase > kFogPrisms) return;

    ViewState& view = viewState<Sample>();
    setUpView<Sample>(view, c.res, c.eye, c.lod, c.dir, c.up, c.fovy, c.aspect, c.nearDist,
                      c.farDist);
    if (phase == kAllPhases || phase == kRefinement) refine<Sample>(view);
    if (phase == kAllPhases || phase == kTessellation) emitLandscape<Sample>(view, fans);
    if ((phase == kAllPhases || phase == kFogPrisms) && map.fogMap)
        drawFogPrisms<Sample>(view, prismEdge);
}

template <class Sample>
void runLandscapePass(float res, float ex, float ey, float ez, float lx, float ly, float lz,
                      float dx, float dy, float dz, float ux, float uy, float uz, float fovy,
                      float aspect, float nearDist, float farDist, FanBeginFn fanBegin,
                      FanVertexFn fanVertex, NotifyFn notify, PrismEdgeFn prismEdge, int phase) {
    const PassCamera camera{res,  {ex, ey, ez}, {lx, ly, lz}, {dx, dy, dz}, {ux, uy, uz},
                            fovy, aspect,       nearDist,     farDist};
    runPass<Sample>(camera, {{fanBegin, fanVertex, notify}}, prismEdge, phase);
}

#define KALDE_INSTANTIATE(Sample)                                                              \
    template void runPass<Sample>(const PassCamera&, const FanTarget&, PrismEdgeFn, int);      \
    template void runLandscapePass<Sample>(float, float, float, float, float, float, float,    \
                                           float, float, float, float, float, float, float,    \
                                           float, float, float, FanBeginFn, FanVertexFn,       \
                                           NotifyFn, PrismEdgeFn, int);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
