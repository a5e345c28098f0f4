#include "placement/GridPoints.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "placement/Collision.hpp"
#include "placement/ThreadScratch.hpp"

namespace nest {

namespace {

// A grid row's crossings of a part's outer loop and of each hole, kept by the
// thread from one removal to the next.
struct RowScratch {
  std::vector<double> outer;
  std::vector<std::vector<double>> inner;
};

// The x of every edge of `loop` that crosses the line y, as the ray test
// computes it; a point (px, y) in the loop's box is inside when an odd number
// of them exceed px. All points of a grid row share y, so a row needs them
// once.
void RowCrossings(const Loop& loop, double y, std::vector<double>& out) {
  out.clear();
  const std::vector<Vertex>& v = loop.Vertices();
  const int n = loop.Count();
  for (int i = 0; i < n; ++i) {
    const Vertex& a = v[static_cast<std::size_t>(i)];
    const Vertex& b = v[static_cast<std::size_t>(i + 1 == n ? 0 : i + 1)];
    if ((a.y > y) == (b.y > y)) continue;
    double x = a.x;
    if (!(std::fabs(a.x - b.x) < kVerticalEdgeEpsilon)) {
      x = CrossingX(a, b, y);
    }
    if (!std::isnan(x)) out.push_back(x);  // NaN exceeds nothing
  }
  std::sort(out.begin(), out.end());
}

// Counts the crossings beyond px, for px met in ascending order.
struct CrossingCounter {
  const std::vector<double>* xs = nullptr;
  std::size_t passed = 0;  // crossings not beyond the previous px
  bool OddBeyond(double px) {
    while (passed < xs->size() && !((*xs)[passed] > px)) ++passed;
    return ((xs->size() - passed) & 1u) != 0;
  }
};

bool InBox(const BoundingBox& b, double x, double y) {
  return !(x < b.minX || x > b.maxX || y < b.minY || y > b.maxY);
}

bool FiniteBox(const BoundingBox& b) {
  return std::isfinite(b.minX) && std::isfinite(b.maxX) && std::isfinite(b.minY) &&
         std::isfinite(b.maxY);
}

// Drops the grid points in the part's material, walking the grid in order up
// to the first point beyond the part's max x. Only points in the outer
// loop's box can be inside, and each row's crossings are computed once.
void RemoveCovered(CandidateGrid& grid, const Part& part) {
  const BoundingBox& box = part.OutLoop.Box();
  const double stopX = part.Box.maxX;
  const std::vector<double>& xs = grid.Xs();
  const std::vector<double>& ys = grid.Ys();
  const int columns = grid.Columns();
  if (!FiniteBox(box) || std::isnan(stopX)) {
    for (int c = 0; c < columns && !(xs[static_cast<std::size_t>(c)] > stopX); ++c) {
      for (int r = grid.NextLive(c, 0); r < grid.Rows(); r = grid.NextLive(c, r + 1)) {
        if (IsPointInMaterial(part, Vertex{grid.X(c), grid.Y(r)})) grid.Remove(c, r);
      }
    }
    return;
  }
  const int c0 = static_cast<int>(
      std::partition_point(xs.begin(), xs.end(), [&box](double x) { return x < box.minX; }) -
      xs.begin());
  int c1 = c0;
  while (c1 < columns && !(xs[static_cast<std::size_t>(c1)] > stopX) &&
         !(xs[static_cast<std::size_t>(c1)] > box.maxX)) {
    ++c1;
  }
  if (c0 >= c1) return;
  const int r0 = static_cast<int>(
      std::partition_point(ys.begin(), ys.end(), [&box](double y) { return y < box.minY; }) -
      ys.begin());
  const std::vector<Loop>& holes = part.InnerLoops.Loops();
  RowScratch& scratch = ThreadScratch<RowScratch>();
  std::vector<double>& outer = scratch.outer;
  std::vector<std::vector<double>>& inner = scratch.inner;
  if (inner.size() < holes.size()) inner.resize(holes.size());
  std::vector<CrossingCounter> counters(holes.size());
  std::vector<bool> holeRow(holes.size());
  for (int r = r0; r < grid.Rows() && !(ys[static_cast<std::size_t>(r)] > box.maxY); ++r) {
    const double y = ys[static_cast<std::size_t>(r)];
    RowCrossings(part.OutLoop, y, outer);
    if (outer.empty()) continue;
    for (std::size_t h = 0; h < holes.size(); ++h) {
      const BoundingBox& hb = holes[h].Box();
      holeRow[h] = !(y < hb.minY || y > hb.maxY);
      if (holeRow[h]) RowCrossings(holes[h], y, inner[h]);
      counters[h] = CrossingCounter{&inner[h], 0};
    }
    // The columns from `c` up to the first whose x is not below crossing i
    // have i crossings at or before them; the rest lie beyond, and an odd
    // count beyond is inside.
    const std::size_t m = outer.size();
    int c = c0;
    for (std::size_t i = 0; i <= m && c < c1; ++i) {
      int end = c1;
      if (i < m) {
        const double cross = outer[i];
        end = static_cast<int>(std::partition_point(xs.begin() + c, xs.begin() + c1,
                                                    [cross](double x) { return x < cross; }) -
                               xs.begin());
      }
      if (((m - i) & 1u) != 0) {
        for (; c < end; ++c) {
          const double x = xs[static_cast<std::size_t>(c)];
          bool inHole = false;
          for (std::size_t h = 0; h < holes.size() && !inHole; ++h) {
            inHole = holeRow[h] && InBox(holes[h].Box(), x, y) && counters[h].OddBeyond(x);
          }
          if (!inHole) grid.Remove(c, r);
        }
      }
      c = end;
    }
  }
}

}  // namespace

double CandidateGridSize(double sheetLength, double sheetWidth, double ppd) {
  const double nx = std::trunc(sheetLength / ppd);
  const double ny = std::trunc(sheetWidth / ppd);
  if (nx < 0 || ny < 0) return 0.0;
  return (nx + 1) * (ny + 1);
}

void BuildCandidateGrid(PackJob& job) {
  job.CandidatePoints.Clear();
  const int nx = static_cast<int>(job.SheetLength / job.PPD);
  const int ny = static_cast<int>(job.SheetWidth / job.PPD);
  if (nx < 0 || ny < 0) return;
  std::vector<double> xs;
  std::vector<double> ys;
  xs.reserve(static_cast<std::size_t>(nx) + 1);
  ys.reserve(static_cast<std::size_t>(ny) + 1);
  for (int i = 0; i <= nx; ++i) xs.push_back((i * job.SheetLength) / nx);
  for (int j = 0; j <= ny; ++j) ys.push_back((j * job.SheetWidth) / ny);
  job.CandidatePoints.Assign(std::move(xs), std::move(ys));
}

void RemoveCoveredPoints(PackJob& job, const Part& part) {
  RemoveCovered(job.CandidatePoints, part);
}

}  // namespace nest
