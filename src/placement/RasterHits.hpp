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
inline bool HoleMayHold(const PartSearch& s, const Part& source, std::size_t entry, double dx,
                        double dy, bool anyRow = false) {
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
inline bool RasterBlocks(const PartSearch& s, Worker& w, int k, double dx, double dy,
                         Certificate* cert) {
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

// The first row from `lo` up to `hi` at which a hole of the trial (rotation
// `source` on the column dx) or of obstacle `entry` may hold the other part
// by their boxes, as HoleMayHold finds it; hi + 1 for none. For a hole whose
// x extent allows it, one of the two y conditions only turns true as the
// row rises and the other only turns false (the rounded sums never fall), so
// the first row is where the first turns true, if the second still holds.
inline int FirstHoldingRow(const PartSearch& s, const Part& source, std::size_t entry, double dx,
                           int lo, int hi) {
  const std::vector<double>& ys = s.grid->Ys();
  const auto dy = [&](int r) { return ys[static_cast<std::size_t>(r)] - s.r.y; };
  int first = hi + 1;
  const auto earliest = [&](auto rises, auto stays) {
    int a = lo;
    int b = first;  // the first row at which `rises` holds lies in a .. b
    while (a < b) {
      const int mid = a + (b - a) / 2;
      if (rises(mid)) {
        b = mid;
      } else {
        a = mid + 1;
      }
    }
    if (a < first && stays(a)) first = a;
  };
  const BoundingBox& ob = s.obstacles->EntryBox(entry);
  for (const Loop& hole : source.InnerLoops.Loops()) {
    const BoundingBox& hb = hole.Box();
    if (ob.minX < hb.minX + dx || ob.maxX > hb.maxX + dx) continue;
    earliest([&](int r) { return !(ob.maxY > hb.maxY + dy(r)); },
             [&](int r) { return !(ob.minY < hb.minY + dy(r)); });
  }
  const ShapeView& other = s.obstacles->EntryView(entry);
  const BoundingBox& sb = source.OutLoop.Box();
  for (int h = 0; h < other.holeCount; ++h) {
    const BoundingBox& gb = other.holes[h].box;
    if (sb.minX + dx < gb.minX || sb.maxX + dx > gb.maxX) continue;
    earliest([&](int r) { return !(sb.minY + dy(r) < gb.minY); },
             [&](int r) { return !(sb.maxY + dy(r) > gb.maxY); });
  }
  return first;
}

// The last row, from `row` up to `limit`, through which the raster's `hit`
// at `row` holds: its vertex stays in cells of the same part, and no hole
// can hold either part. Rows removed from the column count too. The cell
// row of the vertex never falls as the row rises, so the rows that keep it
// in the part's run of cells above it come first.
inline int RasterRun(const PartSearch& s, int k, double dx, int row, int limit,
                     const Certificate& hit) {
  const Part& source = s.turned[static_cast<std::size_t>(k)];
  const std::vector<double>& ys = s.grid->Ys();
  const Vertex& a = source.OutLoop.Vertices()[static_cast<std::size_t>(hit.a)];
  const double x = a.x + dx;
  const auto y = [&](int r) { return a.y + (ys[static_cast<std::size_t>(r)] - s.r.y); };
  const int end = std::min(limit, s.grid->Rows() - 1);
  if (s.holes && HoleMayHold(s, source, hit.blocker, dx, 0.0, true)) {
    const int cell = s.raster->At(x, y(row));
    const int held = FirstHoldingRow(s, source, hit.blocker, dx, row + 1, end);
    while (row + 1 < held && s.raster->At(x, y(row + 1)) == cell) ++row;
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
