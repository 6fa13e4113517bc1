// The per-frame landscape pass. The view checks, the view set-up and the refinement
// and tessellation phases arrive with the level-of-detail work; until then a pass
// draws nothing.
#include "terrain/kalde.h"

namespace kalde {

template <class Sample>
void runLandscapePass(float, float, float, float, float, float, float, float, float, float,
                      float, float, float, float, float, float, float, FanBeginFn, FanVertexFn,
                      NotifyFn, PrismEdgeFn, int) {}

#define KALDE_INSTANTIATE(Sample)                                                              \
    template void runLandscapePass<Sample>(float, float, float, float, float, float, float,    \
                                           float, float, float, float, float, float, float,    \
                                           float, float, float, FanBeginFn, FanVertexFn,       \
                                           NotifyFn, PrismEdgeFn, int);
KALDE_INSTANTIATE(std::int16_t)
KALDE_INSTANTIATE(float)
#undef KALDE_INSTANTIATE

}  // namespace kalde
