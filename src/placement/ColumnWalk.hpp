#pragma once

#include "placement/PartSearch.hpp"
#include "placement/Placement.hpp"

namespace nest {

// Searches the columns from `firstColumn` on for the part's position: of
// the (candidate point, rotation) pairs at which it fits, the one whose
// centroid lies furthest towards x = 0, the walk's rule deciding ties. The
// choice's reference is left for the caller.
PlacementChoice WalkColumns(const PartSearch& s, Worker& w, int firstColumn);

}  // namespace nest
