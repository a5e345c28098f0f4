#pragma once

#include "geometry/Loop.hpp"
#include "geometry/Vertex.hpp"
#include "placement/LoopIndex.hpp"

namespace nest {

// How far a certificate reaches up a column, for the two kinds whose answer
// the rounding of moved coordinates could change on the way: a placed
// part's vertex inside the trial, and two edges properly crossing.

// How far the trial's outer loop `loop` (unmoved, to be moved by dx and a
// growing dy from dy0) may climb while the ray test still finds the point q
// inside it; 0 when that cannot be shown.
double ReverseReach(const Loop& loop, double dx, double dy0, double dyMax, const Vertex& q);

// How far (in y) the trial may climb while some edge of its outer loop
// (`trial`, where it lies now) still properly crosses an edge of the placed
// part's outer loop `o` by the computed segment test; 0 when no pair shows
// that (`pair` receives the pair). With `fixed`, only the pair given in
// `pair` is looked at.
double CrossingReach(const LoopView& trial, const LoopView& o, double dyMax, int* pair, bool fixed);

}  // namespace nest
