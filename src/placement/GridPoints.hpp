#pragma once

#include "app/PackJob.hpp"
#include "parts/Part.hpp"

namespace nest {

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

}  // namespace nest
