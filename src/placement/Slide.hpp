#pragma once

#include "app/PackJob.hpp"
#include "parts/Part.hpp"
#include "placement/LoopIndex.hpp"
#include "placement/Obstacles.hpp"

namespace nest {

// Below this length (in both components) a slide step is not halved again.
inline constexpr double kMinSlideStep = 0.01;
// Most moves one pass of a slide makes. A pass ends long before this unless
// the step is tiny against the distance to slide (a part a billionth of a unit
// thick would otherwise take trillions of moves to cross the sheet).
inline constexpr long long kMaxSlideMovesPerPass = 1000000;

// Slides the placed part left (or down) in steps of a quarter of its smaller
// extent or PPD, whichever is less, halving the step down to kMinSlideStep,
// while it fits among `obstacles`. `index` indexes the part and stays valid
// through the slide, which only translates it.
void Slide(PackJob& job, Part& part, bool left, const Obstacles& obstacles, PartIndex& index);

// A slide outside a placement: the obstacles and the part's index are made
// for it alone.
void SlideLeft(PackJob& job, Part& part);
void SlideDown(PackJob& job, Part& part);

}  // namespace nest
