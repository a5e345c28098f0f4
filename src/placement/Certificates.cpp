#include "placement/Certificates.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "placement/CertificateReach.hpp"

namespace nest {

// The last row from `row` of column c (rotation k, the trial `t` lying at
// `row`) up to which the certificate keeps the trial failing, found without
// testing the rows between; kNone when it does not hold at `row` itself. A
// certificate of kind kUnknown is taken from where the last failed test of
// `t` found an overlap, and filled in (left kUnknown when it serves only
// `row`). `guess` (kNone for none) is where the answer is likely to be.
//
// A trial vertex inside a placed part: the ray test's answer stays while no
// vertex ordinate of that loop is passed and every crossing edge is crossed
// on the same side, and each such condition, once false, stays false further
// up (the coordinates grow with the row, and every computed value is a chain
// of correctly rounded operations with one varying operand). So do the box
// conditions. The last row is then found by galloping and halving.
//
// A placed part's vertex inside the trial: see ReverseReach. Crossing edges:
// see CrossingReach.
int BlockedThrough(const PartSearch& s, Worker& w, TrialShape& t, int k, int row, Certificate& cert,
                   int guess) {
  using Kind = Certificate::Kind;
  const bool derive = cert.kind == Kind::kUnknown;
  // Without a certificate of its own making, the row fails all the same.
  const int none = derive ? row : kNone;
  const std::size_t i = derive ? t.Hints().lastBlocker : cert.blocker;
  if (i >= s.obstacles->Size()) return none;
  const Part& source = s.turned[static_cast<std::size_t>(k)];
  const BoundingBox& ob = s.obstacles->EntryBox(i);
  const ShapeView& other = s.obstacles->EntryView(i);
  const BoundingBox& tb = t.OuterBox();
  if (BoxesApart(tb, ob)) return none;
  // No hole may hold the other part, now and further up.
  w.holeLimits.clear();
  const std::vector<Loop>& holes = source.InnerLoops.Loops();
  for (int h = 0; h < t.HoleCount(); ++h) {
    const BoundingBox hb = t.HoleBox(h);
    if (BoxMayHold(hb, ob)) return none;
    if (ob.minX < hb.minX || ob.maxX > hb.maxX || ob.minY < hb.minY) continue;
    w.holeLimits.push_back(holes[static_cast<std::size_t>(h)].Box().maxY);  // ob.maxY > this + dy
  }
  w.obstacleHoleLimits.clear();
  for (int h = 0; h < other.holeCount; ++h) {
    const BoundingBox& gb = other.holes[h].box;
    if (BoxMayHold(gb, tb)) return none;
    if (tb.minX < gb.minX || tb.maxX > gb.maxX || tb.maxY > gb.maxY) continue;
    w.obstacleHoleLimits.push_back(gb.minY);  // source minY + dy < this
  }
  const CandidateGrid& grid = *s.grid;
  const BoundingBox& sb = source.OutLoop.Box();
  const auto boxesHold = [&](double dy) {
    const BoundingBox moved{tb.minX, tb.maxX, sb.minY + dy, sb.maxY + dy};
    if (BoxesApart(moved, ob)) return false;
    for (const double limit : w.holeLimits) {
      if (!(ob.maxY > limit + dy)) return false;
    }
    for (const double limit : w.obstacleHoleLimits) {
      if (!(sb.minY + dy < limit)) return false;
    }
    return true;
  };
  const LoopView& o = other.outer;
  const std::vector<Vertex>& sv = source.OutLoop.Vertices();
  const int sn = source.OutLoop.Count();
  Kind kind = cert.kind;
  int pair[2] = {cert.a, cert.b};
  // The trial's vertex in the placed part: where it lies.
  double px = 0.0;
  double py = 0.0;
  double vy = 0.0;
  // The slab of the ray's line y = py: the next vertex ordinate above, and
  // the side on which each edge crossing the line passes px.
  double above = std::numeric_limits<double>::infinity();
  const auto slabAt = [&] {
    w.slab.clear();
    w.slabSide.clear();
    const auto addEdge = [&](int e) {
      const Vertex a = o.At(e);
      const Vertex b = o.At(e + 1 == o.n ? 0 : e + 1);
      bool beyond = false;
      if (std::fabs(a.x - b.x) < kVerticalEdgeEpsilon) {
        beyond = px < a.x;
      } else {
        beyond = CrossingX(a, b, py) > px;
      }
      w.slab.push_back(e);
      w.slabSide.push_back(beyond ? 1 : 0);
    };
    if (o.index != nullptr && !o.index->Empty()) {
      const auto yOf = [&o](int e) { return o.At(e).y; };
      above = o.index->NextAbove(py, yOf);
      const int* first = nullptr;
      const int* last = nullptr;
      o.index->EdgesAt(py, yOf, &first, &last);
      for (const int* e = first; e != last; ++e) addEdge(*e);
    } else {
      for (int e = 0; e < o.n; ++e) {
        const Vertex a = o.At(e);
        const Vertex b = o.At(e + 1 == o.n ? 0 : e + 1);
        if (a.y > py && a.y < above) above = a.y;
        if ((a.y > py) != (b.y > py)) addEdge(e);
      }
    }
  };
  // Whether the trial's vertex vi lies in the placed part's outer loop. The
  // ray test's crossing edges are those of the slab, so the test builds it.
  const auto ownInside = [&](int vi) {
    if (vi < 0 || vi >= sn) return false;
    const Vertex v = sv[static_cast<std::size_t>(vi)];
    px = v.x + t.Dx();
    py = v.y + t.Dy();
    vy = v.y;
    const BoundingBox& b = o.box;
    if (px < b.minX || px > b.maxX || py < b.minY || py > b.maxY) return false;
    slabAt();
    int beyond = 0;
    for (const unsigned char side : w.slabSide) beyond += side;
    return (beyond & 1) != 0;
  };
  const auto otherInside = [&](int qi) {
    return qi >= 0 && qi < o.n && IsPointInLoop(t.View().outer, o.At(qi));
  };
  const double dyMax = grid.Ys().back() - s.r.y;
  double reach = 0.0;
  if (derive) {
    const int vi = t.Hints().vertices[2 * i];
    const int qi = t.Hints().vertices[2 * i + 1];
    if (ownInside(vi)) {
      kind = Kind::kOwnVertex;
      pair[0] = vi;
    } else if (otherInside(qi)) {
      kind = Kind::kOtherVertex;
      pair[0] = qi;
    } else {
      kind = Kind::kCrossing;
      reach = CrossingReach(t.View().outer, o, dyMax, pair, false);
      if (!(reach > 0.0)) return row;
    }
    cert = Certificate{i, kind, pair[0], pair[1]};
  } else if (kind == Kind::kOwnVertex) {
    if (!ownInside(pair[0])) return kNone;
  } else if (kind == Kind::kOtherVertex) {
    if (!otherInside(pair[0])) return kNone;
  } else {
    const LoopView trial = t.View().outer;
    const int i2 = pair[0] + 1 == trial.n ? 0 : pair[0] + 1;
    const int j2 = pair[1] + 1 == o.n ? 0 : pair[1] + 1;
    if (!SegmentsIntersect(trial.At(pair[0]), trial.At(i2), o.At(pair[1]), o.At(j2))) return kNone;
    reach = CrossingReach(trial, o, dyMax, pair, true);
    if (!(reach > 0.0)) return row;
  }
  Vertex q;  // (the slab of a trial vertex was built by its test above)
  if (kind == Kind::kOtherVertex) {
    q = o.At(pair[0]);
    reach = ReverseReach(source.OutLoop, t.Dx(), t.Dy(), dyMax, q);
    if (!(reach > 0.0)) return row;
  }
  const auto pointHolds = [&](double dy) {
    if (kind == Kind::kCrossing) {
      const double y1 = sv[static_cast<std::size_t>(pair[0])].y + dy;
      const double y2 = sv[static_cast<std::size_t>(pair[0] + 1 == sn ? 0 : pair[0] + 1)].y + dy;
      const Vertex b1 = o.At(pair[1]);
      const Vertex b2 = o.At(pair[1] + 1 == o.n ? 0 : pair[1] + 1);
      return (dy - t.Dy()) < reach && std::min(y1, y2) <= std::max(b1.y, b2.y);
    }
    if (kind == Kind::kOtherVertex) return (dy - t.Dy()) < reach && !(sb.minY + dy > q.y);
    const double y = vy + dy;
    if (!(y <= ob.maxY) || !(y < above)) return false;
    for (std::size_t e = 0; e < w.slab.size(); ++e) {
      const Vertex a = o.At(w.slab[e]);
      const Vertex b = o.At(w.slab[e] + 1 == o.n ? 0 : w.slab[e] + 1);
      if (std::fabs(a.x - b.x) < kVerticalEdgeEpsilon) continue;
      const bool beyond = CrossingX(a, b, y) > px;
      if (beyond != (w.slabSide[e] != 0)) return false;
    }
    return true;
  };
  const auto holdsAt = [&](int j) {
    const double dy = grid.Y(j) - s.r.y;
    return boxesHold(dy) && pointHolds(dy);
  };
  // The conditions hold at `row`, and once false stay false: the answer is
  // the last row lo at which they hold, below hi where they fail.
  const int rows = grid.Rows();
  int lo = row;
  int hi = rows;
  if (guess > lo && guess < hi) {
    if (holdsAt(guess)) {
      lo = guess;
    } else {
      // Gallop down from the guess.
      hi = guess;
      for (int step = 1;; step *= 2) {
        const int j = guess - step;
        if (j <= lo) break;
        if (holdsAt(j)) {
          lo = j;
          break;
        }
        hi = j;
      }
    }
  }
  if (hi == rows) {
    for (int step = 1;; step *= 2) {
      const long long j = static_cast<long long>(lo) + step;
      if (j >= rows) break;
      if (!holdsAt(static_cast<int>(j))) {
        hi = static_cast<int>(j);
        break;
      }
      lo = static_cast<int>(j);
    }
  }
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    if (holdsAt(mid)) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lo;
}

}  // namespace nest
