// Fan emission: the refined quadtree of the current map as triangle fans, through the
// caller's callbacks or the built-in renderer's hooks.
#pragma once

#include "terrain/view.h"

namespace kalde {

// The caller's fan callbacks; the callback path needs begin and vertex, notify may be null.
struct FanCallbacks {
    FanBeginFn begin = nullptr;
    FanVertexFn vertex = nullptr;
    NotifyFn notify = nullptr;
};

// The one emission entry point of a pass: the whole map for the view, through the
// callbacks when begin and vertex are both set, else through the built-in renderer
// between the hooks that place it in the world. With a fog map, every fan triangle
// with fog is also collected as a prism for the prism phase.
template <class Sample> void emitLandscape(const ViewState& view, const FanCallbacks& callbacks);

// Emits the node (i, j, s) with corner elevations e1..e4 (NE, NW, SW, SE) and its
// subdivided quadrants; renderFans walks the same way for the built-in path.
template <class Sample>
void emitFans(const ViewState& view, const FanCallbacks& callbacks, int i, int j, int s, float e1,
              float e2, float e3, float e4);
template <class Sample>
void renderFans(const ViewState& view, int i, int j, int s, float e1, float e2, float e3, float e4);

}  // namespace kalde
