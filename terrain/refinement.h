// View-dependent refinement of the current map's quadtree.
#pragma once

#include "terrain/view.h"

namespace kalde {

// Rewrites the refinement weights in the current map's node map for the view.
template <class Sample> void refine(const ViewState& view);

}  // namespace kalde
