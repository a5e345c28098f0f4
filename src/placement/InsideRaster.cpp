#include "placement/InsideRaster.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "placement/Collision.hpp"

namespace nest {

void InsideRaster::Reset(double length, double width, double cell) {
  parts_.clear();
  const int oldNx = nx_;
  const int oldNy = ny_;
  const double oldCell = cell_;
  nx_ = ny_ = 0;
  if (!(length > 0.0) || !(width > 0.0) || !std::isfinite(length) || !std::isfinite(width)) return;
  if (!(cell > 0.0) || !std::isfinite(cell)) return;
  if ((length / cell + 2) * (width / cell + 2) > kMaxCells) {
    cell = std::sqrt(length * width / kMaxCells) * 1.1;
    while ((length / cell + 2) * (width / cell + 2) > kMaxCells) cell *= 1.1;
  }
  cell_ = cell;
  inverse_ = 1.0 / cell;
  nx_ = static_cast<int>(length / cell) + 2;
  ny_ = static_cast<int>(width / cell) + 2;
  if (nx_ == oldNx && ny_ == oldNy && cell_ == oldCell) {
    // The same raster again: only the columns parts were laid into need
    // clearing, row by row.
    const std::size_t nx = static_cast<std::size_t>(nx_);
    const std::size_t used = static_cast<std::size_t>(usedColumns_);
    for (std::size_t at = 0; at < cells_.size(); at += nx) {
      std::fill_n(cells_.begin() + static_cast<std::ptrdiff_t>(at), used, 0);
    }
  } else {
    cells_.assign(static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_), 0);
    up_.resize(cells_.size());  // read only where a part has written it
  }
  usedColumns_ = 0;
}

// Where part `id` took cells of another part in columns i0 .. i1, rows
// j0 .. j1, the runs of that part's cells below them now end lower.
void InsideRaster::CutRunsBelow(std::uint16_t id, int i0, int i1, int j0, int j1) {
  const std::size_t nx = static_cast<std::size_t>(nx_);
  for (int j = j0; j <= j1; ++j) {
    for (int i = i0; i <= i1; ++i) {
      const std::size_t at = static_cast<std::size_t>(j) * nx + static_cast<std::size_t>(i);
      if (cells_[at] != id || (j > 0 && cells_[at - nx] == id)) continue;
      for (int k = j - 1; k >= 0; --k) {
        const std::size_t below = static_cast<std::size_t>(k) * nx + static_cast<std::size_t>(i);
        if (cells_[below] == 0 || cells_[below] == id || k + up_[below] < j) break;
        up_[below] = static_cast<std::uint16_t>(j - 1 - k);
      }
    }
  }
}

// The x spans, widened by the rounding of the ray test's crossings and by
// `widenBy`, that the loop's edges cover within the band yLo .. yHi; false
// when an edge's rounding cannot be bounded there.
bool InsideRaster::BandSpans(const Loop& loop, double yLo, double yHi, double widenBy) {
  const double u = std::numeric_limits<double>::epsilon();
  const double reachY = std::max(std::fabs(yLo), std::fabs(yHi));
  spans_.clear();
  const std::vector<Vertex>& v = loop.Vertices();
  const int n = loop.Count();
  for (int i = 0; i < n; ++i) {
    const Vertex& a = v[static_cast<std::size_t>(i)];
    const Vertex& b = v[static_cast<std::size_t>(i + 1 == n ? 0 : i + 1)];
    if (std::max(a.y, b.y) < yLo || std::min(a.y, b.y) > yHi) continue;
    double xl = std::min(a.x, b.x);
    double xr = std::max(a.x, b.x);
    const double run = std::fabs(b.x - a.x);
    const double rise = std::fabs(b.y - a.y);
    double error = 8 * u * (std::fabs(a.x) + std::fabs(b.x));
    if (rise > 0) {
      // The part of the edge within the band, and a bound on the rounding
      // of the ray test's crossing on it (and of this clip).
      const double t0 = std::clamp((std::max(yLo, std::min(a.y, b.y)) - a.y) / (b.y - a.y), 0.0, 1.0);
      const double t1 = std::clamp((std::min(yHi, std::max(a.y, b.y)) - a.y) / (b.y - a.y), 0.0, 1.0);
      const double xa = a.x + t0 * (b.x - a.x);
      const double xb = a.x + t1 * (b.x - a.x);
      xl = std::min(xa, xb);
      xr = std::max(xa, xb);
      error = 2 * (error + 8 * u * (run * (reachY + std::fabs(a.y) + std::fabs(b.y)) +
                                    rise * (std::fabs(a.x) + std::fabs(b.x))) / rise);
    }
    const double widen = error + widenBy;
    if (!std::isfinite(widen) || !std::isfinite(xl) || !std::isfinite(xr)) return false;
    spans_.emplace_back(xl - widen, xr + widen);
  }
  std::sort(spans_.begin(), spans_.end());
  return true;
}

int InsideRaster::Add(const Part& part) {
  if (nx_ == 0 || parts_.size() >= 65535) return -1;
  const BoundingBox& box = part.OutLoop.Box();
  if (!std::isfinite(box.minX) || !std::isfinite(box.maxX) || !std::isfinite(box.minY) ||
      !std::isfinite(box.maxY)) {
    return -1;
  }
  // Margins: the box tolerance, twice over, and the rounding of a point's
  // cell, which is found by one multiplication.
  const double margin = 2 * kBoxTolerance;
  const double sheet = cell_ * (nx_ + ny_);
  const double slack = 1e-9 * (1.0 + sheet + std::fabs(box.minX) + std::fabs(box.maxX) +
                               std::fabs(box.minY) + std::fabs(box.maxY));
  const LoopView view = ViewOf(part.OutLoop);
  const std::uint16_t id = static_cast<std::uint16_t>(parts_.size() + 1);
  bool marked = false;
  bool overwrote = false;
  int iLo = nx_;
  int iHi = -1;
  const int j0 = std::max(0, static_cast<int>(std::floor((box.minY - margin) * inverse_)));
  const int j1 = std::min(ny_ - 1, static_cast<int>(std::floor((box.maxY + margin) * inverse_)));
  // From the top down, so that each marked cell finds the run above it.
  const std::size_t nx = static_cast<std::size_t>(nx_);
  for (int j = j1; j >= j0; --j) {
    // The band of cell row j, widened by the slack, and the edges that come
    // within the margin of it.
    const double y0 = j * cell_ - slack;
    const double y1 = (j + 1) * cell_ + slack;
    if (!BandSpans(part.OutLoop, y0 - margin, y1 + margin, margin + slack)) continue;
    // The gaps between the spans lie clear of every edge: all of a gap is
    // inside or none of it, as its middle tells.
    double from = box.minX;
    std::size_t at = 0;
    const double ym = (j + 0.5) * cell_;
    while (from < box.maxX) {
      double to = box.maxX;
      double after = box.maxX;
      while (at < spans_.size() && !(spans_[at].first > from)) {
        from = std::max(from, spans_[at].second);
        ++at;
      }
      if (at < spans_.size()) {
        to = std::min(to, spans_[at].first);
        after = spans_[at].second;
      }
      if (to > from && IsPointInLoop(view, Vertex{(from + to) / 2, ym})) {
        const int i0 = std::max(0, static_cast<int>(std::ceil((from + slack) * inverse_)));
        const int i1 = std::min(nx_ - 1, static_cast<int>(std::floor((to - slack) * inverse_)) - 1);
        if (i0 <= i1) {
          marked = true;
          iLo = std::min(iLo, i0);
          iHi = std::max(iHi, i1);
        }
        for (int i = i0; i <= i1; ++i) {
          const std::size_t at = static_cast<std::size_t>(j) * nx + static_cast<std::size_t>(i);
          overwrote = overwrote || cells_[at] != 0;
          cells_[at] = id;
          up_[at] = j < j1 && cells_[at + nx] == id
                        ? static_cast<std::uint16_t>(std::min(up_[at + nx] + 1, 65535))
                        : 0;
        }
      }
      if (at >= spans_.size()) break;
      from = after;
      ++at;
    }
  }
  if (!marked) return -1;
  if (overwrote) CutRunsBelow(id, iLo, iHi, j0, j1);
  usedColumns_ = std::max(usedColumns_, iHi + 1);
  parts_.push_back(&part);
  return static_cast<int>(parts_.size()) - 1;
}

}  // namespace nest
