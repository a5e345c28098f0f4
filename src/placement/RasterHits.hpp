#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "placement/PartSearch.hpp"

// The raster's quick answers during a search. They run for every row a
// column walk visits, so they are defined here, where the walk can inline
// them.

namespace nest {

// Whether a hole of the trial (rotation `source` moved by (dx, dy)) or of
// obstacle `entry` may hold the other part, by their boxes. With `anyRow`,
// by their x extents alone, which the row does not change: false then means
// false in every row of the column.
inline bool HoleMayHold(const PartSearch& s, const Part& source, std::size_t entry, double dx, double dy,
                 bool anyRow = false) {
  const auto holds = [anyRow](const BoundingBox& h, const BoundingBox& l) {
    if (l.minX < h.minX || l.maxX > h.maxX) return false;
    return anyRow || BoxMayHold(h, l);
  };
  const BoundingBox& ob = s.obstacles->EntryBox(entry);
  for (const Loop& hole : source.InnerLoops.Loops()) {
    if (holds(hole.Box().Translated(dx, dy), ob)) return true;
  }
  const ShapeView& other = s.obstacles->EntryView(entry);
  if (other.holeCount == 0) return false;
  const BoundingBox tb = source.OutLoop.Box().Translated(dx, dy);
  for (int h = 0; h < other.holeCount; ++h) {
    if (holds(other.holes[h].box, tb)) return true;
  }
  return false;
}

// Whether a vertex of rotation k's outer loop, moved by (dx, dy), lies
// certainly inside a placed part's outer loop while no hole of either part
// can hold the other: then the trial overlaps the part, and `cert` says so.
inline bool RasterBlocks(const PartSearch& s, Worker& w, int k, double dx, double dy, Certificate* cert) {
  const Part& source = s.turned[static_cast<std::size_t>(k)];
  const std::vector<Vertex>& v = source.OutLoop.Vertices();
  const int n = source.OutLoop.Count();
  int& start = w.rasterHint[static_cast<std::size_t>(k)];
  for (int m = 0; m < n; ++m) {
    const int i = start + m < n ? start + m : start + m - n;
    const Vertex& a = v[static_cast<std::size_t>(i)];
    const int cell = s.raster->At(a.x + dx, a.y + dy);
    if (cell == 0) continue;
    const int entry = s.entryOf[static_cast<std::size_t>(cell - 1)];
    if (entry < 0 || (s.holes && HoleMayHold(s, source, static_cast<std::size_t>(entry), dx, dy))) {
      continue;
    }
    start = i;
    *cert = Certificate{static_cast<std::size_t>(entry), Certificate::Kind::kOwnVertex, i, 0};
    return true;
  }
  return false;
}

// The last row, from `row` up to `limit`, through which the raster's `hit`
// at `row` holds: its vertex stays in cells of the same part, and no hole
// can hold either part. Rows removed from the column count too. The cell
// row of the vertex never falls as the row rises, so the rows that keep it
// in the part's run of cells above it come first.
inline int RasterRun(const PartSearch& s, int k, double dx, int row, int limit, const Certificate& hit) {
  const Part& source = s.turned[static_cast<std::size_t>(k)];
  const std::vector<double>& ys = s.grid->Ys();
  const Vertex& a = source.OutLoop.Vertices()[static_cast<std::size_t>(hit.a)];
  const double x = a.x + dx;
  const auto y = [&](int r) { return a.y + (ys[static_cast<std::size_t>(r)] - s.r.y); };
  const int end = std::min(limit, s.grid->Rows() - 1);
  if (s.holes && HoleMayHold(s, source, hit.blocker, dx, 0.0, true)) {
    const int cell = s.raster->At(x, y(row));
    while (row < end && s.raster->At(x, y(row + 1)) == cell &&
           !HoleMayHold(s, source, hit.blocker, dx, ys[static_cast<std::size_t>(row) + 1] - s.r.y)) {
      ++row;
    }
    return row;
  }
  const double below = s.raster->RunTop(x, y(row)) + 1.0;
  const double inverse = s.raster->Inverse();
  const auto holds = [&](int r) { return y(r) * inverse < below; };
  // The rows are evenly spaced: start from where the run's top falls, and
  // step to the exact last row that holds.
  const double guess = row + (below / inverse - y(row)) / s.pitch;
  int r = row;  // also for a NaN guess
  if (guess >= end) {
    r = end;
  } else if (guess > row) {
    r = static_cast<int>(guess);
  }
  while (r > row && !holds(r)) --r;
  while (r < end && holds(r + 1)) ++r;
  return r;
}

}  // namespace nest
