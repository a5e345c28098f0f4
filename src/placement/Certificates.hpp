#pragma once

#include "placement/PartSearch.hpp"

namespace nest {

// The last row from `row` of column c (rotation k, the trial `t` lying at
// `row`) up to which the certificate keeps the trial failing, found without
// testing the rows between; kNone when it does not hold at `row` itself. A
// certificate of kind kUnknown is taken from where the last failed test of
// `t` found an overlap, and filled in (left kUnknown when it serves only
// `row`). `guess` (kNone for none) is where the answer is likely to be.
int BlockedThrough(const PartSearch& s, Worker& w, TrialShape& t, int k, int row, Certificate& cert,
                   int guess);

}  // namespace nest
