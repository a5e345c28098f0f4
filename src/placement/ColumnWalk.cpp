#include "placement/ColumnWalk.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "placement/Certificates.hpp"
#include "placement/RasterHits.hpp"

namespace nest {

namespace {

// The first row from `from` to `limit` (inclusive) of column c at which
// rotation k fits, or kNone.
int FirstFitRow(const PartSearch& s, Worker& w, int k, int c, int from, int limit) {
  const CandidateGrid& grid = *s.grid;
  const BoundingBox& sheet = s.job->SheetBox;
  const BoundingBox& b = s.turned[static_cast<std::size_t>(k)].OutLoop.Box();
  const double dx = grid.X(c) - s.r.x;
  // The sheet test along x is the same for the whole column.
  if (!NearOrBelow(b.maxX + dx, sheet.maxX) || !NearOrAbove(b.minX + dx, sheet.minX)) return kNone;
  TrialShape& t = w.trials[static_cast<std::size_t>(k)];
  const std::vector<double>& ys = grid.Ys();
  std::vector<Block>& seen = w.seen[static_cast<std::size_t>(k)];
  std::vector<Block>& seeing = w.seeing;
  seeing.clear();
  std::size_t next = 0;   // the first block seen in the last column not yet passed
  int lastVisit = kNone;  // the row visited last
  // Keeps what this column showed, then what the last one showed further up.
  const auto remember = [&](int result) {
    const int passed = seeing.empty() ? -1 : seeing.back().last;
    for (const Block& block : seen) {
      if (block.first > passed) seeing.push_back(block);
    }
    seen.swap(seeing);
    return result;
  };
  for (int row = grid.NextLive(c, from); row <= limit && row < grid.Rows();) {
    const double dy = ys[static_cast<std::size_t>(row)] - s.r.y;
    // Sticking out at the top stays so further up; at the bottom, it ends at
    // the first row high enough.
    if (!NearOrBelow(b.maxY + dy, sheet.maxY)) return remember(kNone);
    if (!NearOrAbove(b.minY + dy, sheet.minY)) {
      const auto low = std::partition_point(ys.begin() + row, ys.end(), [&](double y) {
        return !NearOrAbove(b.minY + (y - s.r.y), sheet.minY);
      });
      row = grid.NextLive(c, static_cast<int>(low - ys.begin()));
      continue;
    }
    while (next < seen.size() && seen[next].last < row) ++next;
    // A vertex certainly inside a placed part settles the row at once, and
    // the rows above while it stays in that part's cells. Rows settled so by
    // the same vertex in the same part make one block, so that the next
    // column knows how long it was. The vertex the last column found in a
    // part here is likely in one again, so it is tried first.
    if (next < seen.size() && seen[next].first <= row &&
        seen[next].certificate.kind == Certificate::Kind::kOwnVertex) {
      w.rasterHint[static_cast<std::size_t>(k)] = seen[next].certificate.a;
    }
    Certificate hit;
    if (s.raster != nullptr && RasterBlocks(s, w, k, dx, dy, &hit)) {
      const int last = RasterRun(s, k, dx, row, limit, hit);
      if (!seeing.empty() && seeing.back().last == lastVisit && seeing.back().certificate == hit) {
        seeing.back().last = last;
      } else {
        seeing.push_back(Block{hit, row, last});
      }
      lastVisit = last;
      row = grid.NextLive(c, last + 1);
      continue;
    }
    lastVisit = row;
    t.MoveTo(dx, dy);
    int last = kNone;
    Certificate cert;
    if (next < seen.size()) {
      cert = seen[next].certificate;
      last = BlockedThrough(s, w, t, k, row, cert, seen[next].last);
    }
    if (last == kNone) {
      if (s.obstacles->TrialFits(*s.job, t)) return remember(row);
      cert = Certificate{};
      last = BlockedThrough(s, w, t, k, row, cert, kNone);
    }
    if (cert.kind != Certificate::Kind::kUnknown) seeing.push_back(Block{cert, row, last});
    row = grid.NextLive(c, last + 1);
  }
  return remember(kNone);
}

// Rows of the first fit of each rotation in one column (kNone
// where there is none, or where the rotation need not be searched).
//
// The walk's rule reads a column as a list of (row, rotation) events in row
// order: before any fit, the first event is the first fit; after it, an
// event wins when its centroid x is below the best so far. So only each
// rotation's first fit in the column matters, rotations whose centroid x
// cannot beat `bound` (once a fit is known) need no search, and a rotation
// need not be searched beyond the first fit of a rotation whose centroid x
// is no greater than its own.
void SearchColumn(const PartSearch& s, Worker& w, int c, bool anyFit, double bound, int* rows) {
  for (int k = 0; k < s.rn; ++k) rows[k] = kNone;
  if (s.grid->ColumnEmpty(c)) return;
  std::vector<int>& order = w.order;
  order.resize(static_cast<std::size_t>(s.rn));
  for (int k = 0; k < s.rn; ++k) order[static_cast<std::size_t>(k)] = k;
  const auto cx = [&](int k) { return s.CentroidX(c, k); };
  // Ascending centroid x, NaN last; equal ones keep their order. For the
  // usual few rotations an insertion sort, which needs no buffer.
  const auto before = [&](int a, int b) {
    const double xa = cx(a);
    const double xb = cx(b);
    if (std::isnan(xa) || std::isnan(xb)) return !std::isnan(xa) && std::isnan(xb);
    return xa < xb;
  };
  if (order.size() > 16) {
    std::stable_sort(order.begin(), order.end(), before);
  } else {
    for (std::size_t i = 1; i < order.size(); ++i) {
      const int k = order[i];
      std::size_t j = i;
      for (; j > 0 && before(k, order[j - 1]); --j) order[j] = order[j - 1];
      order[j] = k;
    }
  }
  const int from = s.StartRow(c);
  int limitAll = std::numeric_limits<int>::max();     // first fit of any rotation
  int limitNumber = std::numeric_limits<int>::max();  // of one with a numeric centroid x
  for (const int k : order) {
    const double x = cx(k);
    int limit = limitNumber;
    if (std::isnan(x)) {
      if (anyFit) continue;  // it can only be a first fit
      limit = limitAll;
    } else if (anyFit && !(x < bound)) {
      continue;
    }
    const int row = FirstFitRow(s, w, k, c, from, limit);
    rows[k] = row;
    if (row == kNone) continue;
    limitAll = std::min(limitAll, row);
    if (!std::isnan(x)) limitNumber = std::min(limitNumber, row);
  }
}

// The walk over the columns from the first one the part's type may use. A
// column is searched knowing the fits of the earlier columns, and its fits
// are then read by the walk's rule: before any fit, the first (row,
// rotation) event is the first fit; after it, an event wins when its
// centroid x is below the best so far, and the walk ends at the first point
// whose x, less the reach of the centroid, exceeds the best.
class ColumnWalk {
 public:
  ColumnWalk(const PartSearch& s, int first) : s_(s), first_(first) {}

  [[nodiscard]] PlacementChoice Run(Worker& w) {
    const int columns = s_.grid->Columns();
    std::vector<int> rows(static_cast<std::size_t>(s_.rn));
    for (int c = first_; c < columns; ++c) {
      // Past the walk's end, or where no rotation can beat the fits known.
      if (found_ && s_.grid->X(c) - s_.d > bestX_) break;
      if (anyFit_ && !CanImprove(c)) break;
      SearchColumn(s_, w, c, anyFit_, bound_, rows.data());
      for (int k = 0; k < s_.rn; ++k) {
        if (rows[static_cast<std::size_t>(k)] == kNone) continue;
        anyFit_ = true;
        const double x = s_.CentroidX(c, k);
        if (x < bound_) bound_ = x;
      }
      if (!Replay(c, rows)) break;
    }
    PlacementChoice choice;
    if (!found_) return choice;
    choice.found = true;
    choice.firstFit = Vertex{s_.grid->X(firstC_), s_.grid->Y(firstRow_)};
    choice.point = Vertex{s_.grid->X(bestC_), s_.grid->Y(bestRow_)};
    choice.rotation = bestK_;
    return choice;
  }

 private:
  // Whether a rotation can still win in column c or beyond against the
  // least centroid x of the fits before c: the walk ends where a point's x,
  // less the reach of the centroid, exceeds the best, and no rotation wins
  // unless its centroid x is below it (both only grow with the column).
  [[nodiscard]] bool CanImprove(int c) const {
    if (s_.grid->X(c) - s_.d > bound_) return false;
    for (int k = 0; k < s_.rn; ++k) {
      if (s_.CentroidX(c, k) < bound_) return true;
    }
    return false;
  }

  // Reads column c's fits in row order by the walk's rule; false when the
  // walk ends in this column.
  bool Replay(int c, const std::vector<int>& rows) {
    const double columnX = s_.grid->X(c);
    events_.clear();
    for (int k = 0; k < s_.rn; ++k) {
      const int row = rows[static_cast<std::size_t>(k)];
      if (row != kNone) events_.emplace_back(row, k);
    }
    std::sort(events_.begin(), events_.end());
    int checkedRow = kNone;
    for (const auto& [row, k] : events_) {
      const double x = s_.CentroidX(c, k);
      if (!found_) {
        found_ = true;
        firstC_ = bestC_ = c;
        firstRow_ = bestRow_ = row;
        bestK_ = k;
        bestX_ = x;
        checkedRow = kNone;
      }
      // Every point the walk visits after the first fit checks its bound
      // first; the points of a column share x.
      if (row != checkedRow) {
        if (columnX - s_.d > bestX_) return false;
        checkedRow = row;
      }
      if (x < bestX_) {
        bestC_ = c;
        bestRow_ = row;
        bestK_ = k;
        bestX_ = x;
      }
    }
    return true;
  }

  const PartSearch& s_;
  const int first_;
  bool anyFit_ = false;  // a fit was found in the columns searched
  double bound_ = std::numeric_limits<double>::infinity();  // their least centroid x
  bool found_ = false;                                      // the walk's rule has read a fit
  int firstC_ = 0;
  int firstRow_ = 0;
  int bestC_ = 0;
  int bestRow_ = 0;
  int bestK_ = 0;
  double bestX_ = 0.0;
  std::vector<std::pair<int, int>> events_;  // scratch: (row, rotation)
};

}  // namespace

PlacementChoice WalkColumns(const PartSearch& s, Worker& w, int firstColumn) {
  return ColumnWalk(s, firstColumn).Run(w);
}

}  // namespace nest
