#include "placement/CertificateReach.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "placement/Collision.hpp"

namespace nest {

// How far the trial's outer loop `loop` (unmoved, to be moved by dx and a
// growing dy from dy0) may climb while the ray test still finds the point q
// inside it; 0 when that cannot be shown.
//
// The ray test of a moved loop rounds every moved vertex and every crossing,
// so its answer is not a monotone function of dy. It is the true answer,
// though, while q stays clear of the loop by more than all those roundings:
// a moved vertex is off its exact place by at most a unit in the last place,
// and a crossing's x is off by a bound that grows as its edge turns
// horizontal. So the point q - (0, dy - dy0), seen in the unmoved loop, must
// keep a margin far above those errors from every edge, and must not reach
// the height of an edge whose crossing cannot be computed that closely.
double ReverseReach(const Loop& loop, double dx, double dy0, double dyMax, const Vertex& q) {
  const std::vector<Vertex>& v = loop.Vertices();
  const int n = loop.Count();
  if (n < 3) return 0.0;
  double extent = 0.0;
  for (const Vertex& a : v) extent = std::max({extent, std::fabs(a.x + dx), std::fabs(a.y)});
  const double scale = 1.0 + extent + std::fabs(q.x) + std::fabs(q.y) + std::fabs(dy0) + std::fabs(dyMax);
  if (!std::isfinite(scale)) return 0.0;
  const double u = std::numeric_limits<double>::epsilon();
  const double eta = 2 * u * scale;     // a rounded moved vertex
  const double margin = 1e-9 * scale;   // kept from every edge
  const double slack = 1e-12 * scale;   // for this function's own roundings
  const double px = q.x;
  const double py = q.y - dy0;
  double reach = std::numeric_limits<double>::infinity();
  for (int i = 0; i < n; ++i) {
    const Vertex& a0 = v[static_cast<std::size_t>(i)];
    const Vertex& b0 = v[static_cast<std::size_t>(i + 1 == n ? 0 : i + 1)];
    const double ax = a0.x + dx;
    const double bx = b0.x + dx;
    const double ay = a0.y;
    const double by = b0.y;
    const double minX = std::min(ax, bx);
    const double maxX = std::max(ax, bx);
    const double minY = std::min(ay, by);
    const double maxY = std::max(ay, by);
    // Bound on the error of this edge's crossing x; a horizontal edge is
    // never crossed (its ends move alike).
    const double rise = maxY - minY - 4 * eta;
    double error = 0.0;
    if (ay != by) {
      error = rise > 0 ? 16 * u * ((maxX - minX) * 2 * scale / rise + 3 * scale)
                       : std::numeric_limits<double>::infinity();
    }
    const bool accurate = error < margin / 4;
    const double reachOf = accurate ? margin : margin + error;
    if (px < minX - reachOf || px > maxX + reachOf) continue;
    // Keep clear of the edge by the margin.
    const double x1 = std::max(minX, px - margin);
    const double x2 = std::min(maxX, px + margin);
    if (x1 <= x2) {
      double yLo = minY;
      double yHi = maxY;
      const double run = maxX - minX;
      if (run * 1e3 >= maxY - minY && run > 0) {
        const double slope = (by - ay) / (bx - ax);
        const double y1 = ay + (x1 - ax) * slope;
        const double y2 = ay + (x2 - ax) * slope;
        yLo = std::min(y1, y2);
        yHi = std::max(y1, y2);
      }
      yLo -= margin + slack;
      yHi += margin + slack;
      if (!(py < yLo)) {
        if (!(py > yHi)) return 0.0;
        reach = std::min(reach, py - yHi);
      }
    }
    // Never reach the height of an edge whose crossing may be off.
    if (!accurate) {
      const double bandLo = minY - eta - slack;
      const double bandHi = maxY + eta + slack;
      if (!(py < bandLo)) {
        if (!(py > bandHi)) return 0.0;
        reach = std::min(reach, py - bandHi);
      }
    }
  }
  return reach - slack;
}

// How far (in y) the trial may climb while some edge of its outer loop
// (`trial`, where it lies now) still properly crosses an edge of the placed
// part's outer loop `o` by the computed segment test; 0 when no pair shows
// that. Along x nothing moves within a column, and the extent tests along y
// are checked row by row (`pair` receives the pair); the two sign tests of
// each pair are linear in the climb, and kept clear of zero by far more
// than their rounding.
//
// With `fixed`, only the pair given in `pair` is looked at.
double CrossingReach(const LoopView& trial, const LoopView& o, double dyMax, int* pair, bool fixed) {
  double extent = 0.0;
  for (int i = 0; i < trial.n; ++i) {
    const Vertex a = trial.At(i);
    extent = std::max({extent, std::fabs(a.x), std::fabs(a.y)});
  }
  for (int j = 0; j < o.n; ++j) extent = std::max({extent, std::fabs(o.v[j].x), std::fabs(o.v[j].y)});
  const double scale = 1.0 + extent + std::fabs(dyMax);
  if (!std::isfinite(scale)) return 0.0;
  const double u = std::numeric_limits<double>::epsilon();
  double best = 0.0;
  const int iFirst = fixed ? pair[0] : 0;
  const int iEnd = fixed ? pair[0] + 1 : trial.n;
  for (int i = iFirst; i < iEnd; ++i) {
    const Vertex a1 = trial.At(i);
    const Vertex a2 = trial.At(i + 1 == trial.n ? 0 : i + 1);
    if (std::max(a1.x, a2.x) < o.box.minX || std::min(a1.x, a2.x) > o.box.maxX ||
        std::max(a1.y, a2.y) < o.box.minY || std::min(a1.y, a2.y) > o.box.maxY) {
      continue;
    }
    const double dAx = a2.x - a1.x;
    const double dAy = a2.y - a1.y;
    const double errorA = 32 * u * scale * (std::fabs(dAx) + std::fabs(dAy) + scale);
    const int jFirst = fixed ? pair[1] : 0;
    const int jEnd = fixed ? pair[1] + 1 : o.n;
    for (int j = jFirst; j < jEnd; ++j) {
      const Vertex b1 = o.At(j);
      const Vertex b2 = o.At(j + 1 == o.n ? 0 : j + 1);
      if (!SegmentsIntersect(a1, a2, b1, b2)) continue;
      const double dBx = b2.x - b1.x;
      const double dBy = b2.y - b1.y;
      const double errorB = 32 * u * scale * (std::fabs(dBx) + std::fabs(dBy) + scale);
      // Sides of b1, b2 against the trial's edge, and of a1, a2 against the
      // placed edge, as the trial climbs by t: c - t dAx and d + t dBx.
      const double c1 = (b1.y - a1.y) * dAx - (b1.x - a1.x) * dAy;
      const double c2 = (b2.y - a1.y) * dAx - (b2.x - a1.x) * dAy;
      const double d1 = (a1.y - b1.y) * dBx - (a1.x - b1.x) * dBy;
      const double d2 = (a2.y - b1.y) * dBx - (a2.x - b1.x) * dBy;
      if (!((c1 > 0) != (c2 > 0)) || !((d1 > 0) != (d2 > 0))) continue;
      double reach = std::numeric_limits<double>::infinity();
      const auto keep = [&reach](double value, double slope, double error) {
        if (!(std::fabs(value) > 2 * error)) {
          reach = 0.0;
          return;
        }
        if ((value > 0) == (slope > 0) || slope == 0) return;  // moving away from zero
        reach = std::min(reach, (std::fabs(value) - 2 * error) / std::fabs(slope));
      };
      keep(c1, -dAx, errorA);
      keep(c2, -dAx, errorA);
      keep(d1, dBx, errorB);
      keep(d2, dBx, errorB);
      if (reach > best) {
        best = reach;
        pair[0] = i;
        pair[1] = j;
      }
    }
  }
  return best * (1 - 1e-9);
}
}  // namespace nest
