#include "placement/Collision.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "placement/ThreadScratch.hpp"

namespace nest {

namespace {

// The ends of a loop's edges that reach into another loop's box, kept by the
// thread from one test to the next.
struct NearEdges {
  std::vector<Vertex> ends;
};

// cross(d, v) = v.y * d.x - v.x * d.y
inline double Cross(double dX, double dY, double vX, double vY) { return vY * dX - vX * dY; }

inline int NextIndex(int i, int n) { return i + 1 == n ? 0 : i + 1; }

// Whether the edge from a to c counts as a crossing of the ray from p towards
// +x, for an edge with exactly one end above the line y = p.y.
inline bool CrossesRay(const Vertex& a, const Vertex& c, const Vertex& p) {
  if (std::fabs(a.x - c.x) < kVerticalEdgeEpsilon) return p.x < a.x;
  return CrossingX(a, c, p.y) > p.x;
}

}  // namespace

bool FitsInBox(const BoundingBox& p, const BoundingBox& b) {
  if (!(p.maxX < b.maxX || std::fabs(p.maxX - b.maxX) < kBoxTolerance)) return false;
  if (!(p.minX > b.minX || std::fabs(p.minX - b.minX) < kBoxTolerance)) return false;
  if (!(p.maxY < b.maxY || std::fabs(p.maxY - b.maxY) < kBoxTolerance)) return false;
  if (!(p.minY > b.minY || std::fabs(p.minY - b.minY) < kBoxTolerance)) return false;
  return true;
}

namespace {

template <bool Moved>
inline Vertex VertexOf(const LoopView& loop, int i) {
  if constexpr (Moved) {
    return Vertex{loop.v[i].x + loop.dx, loop.v[i].y + loop.dy};
  } else {
    return loop.v[i];
  }
}

// The crossing count of the ray from p, for a point inside the loop's box.
template <bool Moved>
bool OddCrossings(const LoopView& loop, const Vertex& p) {
  int crossings = 0;
  const int n = loop.n;
  if (loop.index != nullptr && !loop.index->Empty()) {
    const int* first = nullptr;
    const int* last = nullptr;
    loop.index->EdgesAt(
        p.y, [&loop](int i) { return VertexOf<Moved>(loop, i).y; }, &first, &last);
    for (const int* e = first; e != last; ++e) {
      if (CrossesRay(VertexOf<Moved>(loop, *e), VertexOf<Moved>(loop, NextIndex(*e, n)), p)) {
        ++crossings;
      }
    }
    return (crossings & 1) != 0;
  }
  if (n == 0) return false;
  const Vertex start = VertexOf<Moved>(loop, 0);
  Vertex a = start;
  bool aAbove = a.y > p.y;
  for (int i = 0; i < n; ++i) {
    const Vertex c = i + 1 == n ? start : VertexOf<Moved>(loop, i + 1);
    const bool cAbove = c.y > p.y;
    if (aAbove != cAbove && CrossesRay(a, c, p)) ++crossings;
    a = c;
    aAbove = cAbove;
  }
  return (crossings & 1) != 0;
}

}  // namespace

bool IsPointInLoop(const LoopView& loop, const Vertex& p) {
  const BoundingBox& b = loop.box;
  if (p.x < b.minX || p.x > b.maxX || p.y < b.minY || p.y > b.maxY) return false;
  return loop.moved ? OddCrossings<true>(loop, p) : OddCrossings<false>(loop, p);
}

bool SegmentsIntersect(const Vertex& a1, const Vertex& a2, const Vertex& b1, const Vertex& b2) {
  if (!(std::max(a1.x, a2.x) >= std::min(b1.x, b2.x))) return false;
  if (!(std::min(a1.x, a2.x) <= std::max(b1.x, b2.x))) return false;
  if (!(std::max(a1.y, a2.y) >= std::min(b1.y, b2.y))) return false;
  if (!(std::min(a1.y, a2.y) <= std::max(b1.y, b2.y))) return false;
  const double dAx = a2.x - a1.x;
  const double dAy = a2.y - a1.y;
  if (Cross(dAx, dAy, b1.x - a1.x, b1.y - a1.y) * Cross(dAx, dAy, b2.x - a1.x, b2.y - a1.y) > 0) {
    return false;
  }
  const double dBx = b2.x - b1.x;
  const double dBy = b2.y - b1.y;
  return Cross(dBx, dBy, a1.x - b1.x, a1.y - b1.y) * Cross(dBx, dBy, a2.x - b1.x, a2.y - b1.y) <= 0;
}

namespace {

// An edge wholly outside a box: it fails the extent test against every edge
// of a loop whose box that is.
inline bool EdgeOutsideBox(const Vertex& p, const Vertex& q, const BoundingBox& box) {
  return std::max(p.x, q.x) < box.minX || std::min(p.x, q.x) > box.maxX ||
         std::max(p.y, q.y) < box.minY || std::min(p.y, q.y) > box.maxY;
}

}  // namespace

bool LoopEdgesIntersect(const LoopView& a, const LoopView& b) {
  const BoundingBox& ab = a.box;
  const BoundingBox& bb = b.box;
  // Only edges that reach into the other loop's box can pass the extent test
  // against any edge of it (a stored box is the box of the loop's vertices).
  std::vector<Vertex>& near = ThreadScratch<NearEdges>().ends;
  near.clear();
  for (int j = 0; j < b.n; ++j) {
    const Vertex b1 = b.At(j);
    const Vertex b2 = b.At(NextIndex(j, b.n));
    if (EdgeOutsideBox(b1, b2, ab)) continue;
    near.push_back(b1);
    near.push_back(b2);
  }
  if (near.empty()) return false;
  for (int i = 0; i < a.n; ++i) {
    const Vertex a1 = a.At(i);
    const Vertex a2 = a.At(NextIndex(i, a.n));
    if (EdgeOutsideBox(a1, a2, bb)) continue;
    for (std::size_t j = 0; j < near.size(); j += 2) {
      if (SegmentsIntersect(a1, a2, near[j], near[j + 1])) return true;
    }
  }
  return false;
}

namespace {

// True when no vertex of `a` lies in `b`. The vertices are tried from
// `*hint` on, round the loop; the answer does not depend on the order. The
// vertex found inside becomes the next hint. With `hintOutside`, the hinted
// vertex is already known to lie outside and is not tried again.
bool NoVertexInside(const LoopView& a, const LoopView& b, int* hint, bool hintOutside = false) {
  const int start = (hint != nullptr && *hint < a.n) ? *hint : 0;
  for (int k = hintOutside ? 1 : 0; k < a.n; ++k) {
    const int i = start + k < a.n ? start + k : start + k - a.n;
    if (IsPointInLoop(b, a.At(i))) {
      if (hint != nullptr) *hint = i;
      return false;
    }
  }
  return true;
}

// Whether two outer loops whose boxes overlap are apart: no vertex of either
// lies inside the other and no edge of one meets an edge of the other.
bool OutlinesDisjoint(const LoopView& a, const LoopView& b, int* hintA = nullptr,
                      int* hintB = nullptr, bool hintAOutside = false) {
  if (!NoVertexInside(a, b, hintA, hintAOutside)) return false;
  if (!NoVertexInside(b, a, hintB)) return false;
  return !LoopEdgesIntersect(a, b);
}

// The hole stages of the pair test, once the outer loops overlap.
bool OneInHoleOfOther(const ShapeView& a, const ShapeView& b) {
  for (int i = 0; i < a.holeCount; ++i) {
    if (IsLoopInsideLoop(a.holes[i], b.outer)) return true;
  }
  for (int i = 0; i < b.holeCount; ++i) {
    if (IsLoopInsideLoop(b.holes[i], a.outer)) return true;
  }
  return false;
}

}  // namespace

bool CompatibleAfterBoxStage(const ShapeView& a, const ShapeView& b, int* hintA, int* hintB,
                             bool hintAOutside) {
  if (OutlinesDisjoint(a.outer, b.outer, hintA, hintB, hintAOutside)) return true;
  return OneInHoleOfOther(a, b);
}

bool OuterLoopsDisjoint(const LoopView& a, const LoopView& b) {
  if (BoxesApart(a.box, b.box)) return true;
  return OutlinesDisjoint(a, b);
}

bool IsLoopConvex(const LoopView& loop) {
  bool positive = false;
  bool negative = false;
  const int n = loop.n;
  for (int i = 0; i < n; ++i) {
    const Vertex p0 = loop.At(i);
    const Vertex p1 = loop.At((i + 1) % n);
    const Vertex p2 = loop.At((i + 2) % n);
    const double z = Cross(p1.x - p0.x, p1.y - p0.y, p2.x - p1.x, p2.y - p1.y);
    if (z > 0) positive = true;
    if (z < 0) negative = true;
  }
  return !(positive && negative);
}

bool IsLoopInsideLoop(const LoopView& hole, const LoopView& loop) {
  if (loop.n > 0 && !BoxMayHold(hole.box, loop.box)) return false;
  for (int i = 0; i < loop.n; ++i) {
    if (!IsPointInLoop(hole, loop.At(i))) return false;
  }
  if (IsLoopConvex(hole)) return true;
  for (int i = 0; i < loop.n; ++i) {
    const Vertex a1 = loop.At(i);
    const Vertex a2 = loop.At(NextIndex(i, loop.n));
    const double dAx = a2.x - a1.x;
    const double dAy = a2.y - a1.y;
    for (int j = 0; j < hole.n; ++j) {
      const Vertex b1 = hole.At(j);
      const Vertex b2 = hole.At(NextIndex(j, hole.n));
      const double c1 = Cross(dAx, dAy, b1.x - a1.x, b1.y - a1.y);
      const double c2 = Cross(dAx, dAy, b2.x - a1.x, b2.y - a1.y);
      const double dBx = b2.x - b1.x;
      const double dBy = b2.y - b1.y;
      const double c3 = Cross(dBx, dBy, a1.x - b1.x, a1.y - b1.y);
      const double c4 = Cross(dBx, dBy, a2.x - b1.x, a2.y - b1.y);
      if (c1 * c2 < 0 && c3 * c4 < 0) return false;
    }
  }
  return true;
}

bool PartsCompatible(const ShapeView& a, const ShapeView& b) {
  if (BoxesApart(a.outer.box, b.outer.box)) return true;
  return CompatibleAfterBoxStage(a, b);
}

bool PartsCompatible(const Part& a, const Part& b) {
  ShapeBuffer ba;
  ShapeBuffer bb;
  return PartsCompatible(ba.Of(a), bb.Of(b));
}

bool IsPointInMaterial(const ShapeView& shape, const Vertex& p) {
  if (!IsPointInLoop(shape.outer, p)) return false;
  for (int h = 0; h < shape.holeCount; ++h) {
    if (IsPointInLoop(shape.holes[h], p)) return false;
  }
  return true;
}

bool IsPointInMaterial(const Part& part, const Vertex& p) {
  ShapeBuffer buffer;
  return IsPointInMaterial(buffer.Of(part), p);
}

namespace {

// On the sheet, and compatible with every member that `skip` does not name.
template <class Skip>
bool FitsAmongMembers(const PackJob& job, const Part& part, Skip skip) {
  if (!FitsInBox(part.OutLoop.Box(), job.SheetBox)) return false;
  ShapeBuffer self;
  ShapeBuffer other;
  for (const Part& member : job.Parts) {
    if (skip(member)) continue;
    if (!PartsCompatible(self.Of(part), other.Of(member))) return false;
  }
  return true;
}

}  // namespace

bool PartFits(const PackJob& job, const Part& part) {
  return FitsAmongMembers(job, part, [&part](const Part& m) { return &m == &part; });
}

bool TrialFits(const PackJob& job, const Part& trial) {
  return FitsAmongMembers(job, trial, [&trial](const Part& m) { return m.ID == trial.ID; });
}

}  // namespace nest
