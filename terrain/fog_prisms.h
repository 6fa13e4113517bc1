// The prism phase: the fog prisms collected during fan emission, handed on as edges or
// drawn through the built-in renderer's hooks.
#pragma once

#include "terrain/view.h"

namespace kalde {

// Hands every collected prism to prismEdge as three vertical edges when it is set,
// otherwise draws the list through the render hooks (by depth when the map's
// prismDrawParam is above 0, else by slicing), turning the view's eye into world
// coordinates first. Empties the list, keeping its memory.
template <class Sample> void drawFogPrisms(ViewState& view, PrismEdgeFn prismEdge);

// The two built-in drawings of the collected prisms; the view's eye in world coordinates.
template <class Sample> void drawPrismsByDepth(const ViewState& view);
template <class Sample> void drawPrismsBySlicing(const ViewState& view);

}  // namespace kalde
