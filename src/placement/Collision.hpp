#pragma once

#include <cmath>

#include "app/PackJob.hpp"
#include "geometry/BoundingBox.hpp"
#include "geometry/Loop.hpp"
#include "geometry/Vertex.hpp"
#include "parts/Part.hpp"
#include "placement/LoopIndex.hpp"

namespace nest {

// Tolerance of box containment and box separation.
inline constexpr double kBoxTolerance = 0.00001;
// An edge whose ends differ in x by less than this is taken as vertical.
inline constexpr double kVerticalEdgeEpsilon = 1e-15;

// The x at which the line through the edge from a to b meets the line y, as
// the ray test computes it (for an edge that is not horizontal).
inline double CrossingX(const Vertex& a, const Vertex& b, double y) {
  return -(((a.x - b.x) * y + (b.x - a.x) * a.y - (b.y - a.y) * a.x) / (b.y - a.y));
}

// True when a part's outer-loop box lies inside `box`; each side may stick
// out by less than the box tolerance.
bool FitsInBox(const BoundingBox& partBox, const BoundingBox& box);

// Crossings of the ray towards +x. A point on the boundary is decided by
// which edges the ray meets: on the left or lower side of a rectangle it is
// inside, on the right or upper side outside.
bool IsPointInLoop(const LoopView& loop, const Vertex& p);

// Closed segments: touching, shared end points and collinear overlap meet.
bool SegmentsIntersect(const Vertex& a1, const Vertex& a2, const Vertex& b1, const Vertex& b2);

bool LoopEdgesIntersect(const LoopView& a, const LoopView& b);

// The box stage of the outer-loop test: true when the boxes are apart, or
// touch or overlap by less than the box tolerance.
inline bool BoxesApart(const BoundingBox& a, const BoundingBox& b) {
  // The four separations first, then the four near-contacts: the answer is
  // their disjunction, and separated boxes are the common case.
  if (a.minX > b.maxX || a.maxX < b.minX || a.minY > b.maxY || a.maxY < b.minY) return true;
  if (a.minX > b.maxX || std::fabs(a.minX - b.maxX) < kBoxTolerance) return true;
  if (a.maxX < b.minX || std::fabs(a.maxX - b.minX) < kBoxTolerance) return true;
  if (a.minY > b.maxY || std::fabs(a.minY - b.maxY) < kBoxTolerance) return true;
  if (a.maxY < b.minY || std::fabs(a.maxY - b.minY) < kBoxTolerance) return true;
  return false;
}

// True when the outer loops do not overlap. Once the boxes overlap, any
// contact of the outlines counts as overlap.
bool OuterLoopsDisjoint(const LoopView& a, const LoopView& b);

// True when no two consecutive edges turn in opposite strict senses.
bool IsLoopConvex(const LoopView& loop);

// False when a loop with box `l` cannot lie in a hole with box `h`: a vertex
// outside the hole's box is outside the hole, and a loop's box is the box of
// its vertices.
inline bool BoxMayHold(const BoundingBox& h, const BoundingBox& l) {
  return !(l.minX < h.minX || l.maxX > h.maxX || l.minY < h.minY || l.maxY > h.maxY);
}

// True when `loop` lies in `hole`: every vertex inside, and for a concave
// hole no edge of the loop properly crossing an edge of the hole (a loop
// can otherwise cut through the hole's inner corner into the material).
// Touching the hole's boundary is allowed.
bool IsLoopInsideLoop(const LoopView& hole, const LoopView& loop);

// True when the two parts may lie where they are together: their outer loops
// are disjoint, or one lies in a hole of the other.
bool PartsCompatible(const ShapeView& a, const ShapeView& b);
bool PartsCompatible(const Part& a, const Part& b);

// The pair test for two parts whose outer boxes overlap. The vertex tests of
// a's outer loop start at *hintA and those of b's at *hintB (when given), and
// the vertex found inside becomes the hint; with `hintAOutside`, vertex
// *hintA of a is already known to lie outside b. The answer does not depend
// on the hints.
bool CompatibleAfterBoxStage(const ShapeView& a, const ShapeView& b, int* hintA = nullptr,
                             int* hintB = nullptr, bool hintAOutside = false);

// Inside the outer loop and inside none of the holes.
bool IsPointInMaterial(const ShapeView& shape, const Vertex& p);
bool IsPointInMaterial(const Part& part, const Vertex& p);

// The part, a member of job.Parts, lies on the sheet and is compatible with
// every other member.
bool PartFits(const PackJob& job, const Part& part);

// A trial copy lies on the sheet and is compatible with every member whose ID
// differs from the copy's.
bool TrialFits(const PackJob& job, const Part& trial);

}  // namespace nest
