#pragma once

#include "placement/PartSearch.hpp"

namespace nest {

// Whether a vertex of rotation k's outer loop, moved by (dx, dy), lies
// certainly inside a placed part's outer loop while no hole of either part
// can hold the other: then the trial overlaps the part, and `cert` says so.
bool RasterBlocks(const PartSearch& s, Worker& w, int k, double dx, double dy, Certificate* cert);

// The last row, from `row` up to `limit`, through which the raster's `hit`
// at `row` holds: its vertex stays in cells of the same part, and no hole
// can hold either part.
int RasterRun(const PartSearch& s, int k, double dx, int row, int limit, const Certificate& hit);

}  // namespace nest
