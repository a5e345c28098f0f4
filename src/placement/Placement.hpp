#pragma once

#include "app/PackJob.hpp"
#include "parts/Part.hpp"

namespace nest {

// Below this length (in both components) a slide step is not halved again.
inline constexpr double kMinSlideStep = 0.01;
// Most moves one pass of a slide makes. A pass ends long before this unless
// the step is tiny against the distance to slide (a part a billionth of a unit
// thick would otherwise take trillions of moves to cross the sheet).
inline constexpr long long kMaxSlideMovesPerPass = 1000000;
// Most candidate points a grid may hold.
inline constexpr double kMaxCandidatePoints = 50000000.0;

// Number of grid points BuildCandidateGrid would make for this sheet and
// spacing (as a double, so that absurd spacings do not overflow).
double CandidateGridSize(double sheetLength, double sheetWidth, double ppd);

// Replaces CandidatePoints by the grid over the sheet: both sheet edges are
// grid lines and the spacing is PPD or a little more. Points run by
// ascending x and, for equal x, ascending y.
void BuildCandidateGrid(PackJob& job);

// Drops the candidate points in the part's material; points in its holes stay.
void RemoveCoveredPoints(PackJob& job, const Part& part);

// Lays one member of job.Parts onto the sheet: of the (candidate point,
// rotation) pairs at which it fits, the one whose centroid lies furthest
// towards x = 0; then slides it left and down and prunes the grid. A part
// that fits nowhere stays where it is.
void PlacePart(PackJob& job, Part& part);

class PlacedIndexes;
// The same, within a layout whose placed parts keep their indexes in
// `placed`; the part's own index is added once it is placed.
void PlacePart(PackJob& job, Part& part, PlacedIndexes* placed);

void SlideLeft(PackJob& job, Part& part);
void SlideDown(PackJob& job, Part& part);

}  // namespace nest
