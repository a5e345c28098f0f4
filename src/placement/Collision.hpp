#pragma once

#include <vector>

#include "app/PackJob.hpp"
#include "geometry/BoundingBox.hpp"
#include "geometry/Loop.hpp"
#include "geometry/Vertex.hpp"
#include "parts/Part.hpp"

namespace nest {

// Tolerance of box containment and box separation.
inline constexpr double kBoxTolerance = 0.00001;
// An edge whose ends differ in x by less than this is taken as vertical.
inline constexpr double kVerticalEdgeEpsilon = 1e-15;

// A loop as the tests read it: its vertices in order and its stored box.
struct LoopView {
  const Vertex* v = nullptr;
  int n = 0;
  BoundingBox box;
};

inline LoopView ViewOf(const Loop& loop) {
  return LoopView{loop.Vertices().data(), loop.Count(), loop.Box()};
}

// A part as the pair tests read it: its outer loop and its holes.
struct ShapeView {
  LoopView outer;
  const LoopView* holes = nullptr;
  int holeCount = 0;
};

// Holds the hole views of a part while it is tested.
class ShapeBuffer {
 public:
  const ShapeView& Of(const Part& part);

 private:
  std::vector<LoopView> holes_;
  ShapeView view_;
};

// True when a part's outer-loop box lies inside `box`; each side may stick
// out by less than the box tolerance.
bool FitsInBox(const BoundingBox& partBox, const BoundingBox& box);

// Crossings of the ray towards +x. A point on a left or lower boundary is
// usually inside, one on a right or upper boundary outside.
bool IsPointInLoop(const LoopView& loop, const Vertex& p);

// Closed segments: touching, shared end points and collinear overlap meet.
bool SegmentsIntersect(const Vertex& a1, const Vertex& a2, const Vertex& b1, const Vertex& b2);

bool LoopEdgesIntersect(const LoopView& a, const LoopView& b);

// The box stage of the outer-loop test: true when the boxes are apart, or
// touch or overlap by less than the box tolerance.
bool BoxesApart(const BoundingBox& a, const BoundingBox& b);

// True when the outer loops do not overlap. Once the boxes overlap, any
// contact of the outlines counts as overlap.
bool OuterLoopsDisjoint(const LoopView& a, const LoopView& b);

// True when no two consecutive edges turn in opposite strict senses.
bool IsLoopConvex(const LoopView& loop);

// True when `loop` lies in `hole`: every vertex inside, and for a concave
// hole no edge of the loop properly crossing an edge of the hole (a loop
// can otherwise cut through the hole's inner corner into the material).
// Touching the hole's boundary is allowed.
bool IsLoopInsideLoop(const LoopView& hole, const LoopView& loop);

// True when the two parts may lie where they are together: their outer loops
// are disjoint, or one lies in a hole of the other.
bool PartsCompatible(const ShapeView& a, const ShapeView& b);
bool PartsCompatible(const Part& a, const Part& b);

// Inside the outer loop and inside none of the holes.
bool IsPointInMaterial(const Part& part, const Vertex& p);

// The part, a member of job.Parts, lies on the sheet and is compatible with
// every other member.
bool PartFits(const PackJob& job, const Part& part);

// A trial copy lies on the sheet and is compatible with every member whose ID
// differs from the copy's.
bool TrialFits(const PackJob& job, const Part& trial);

// A trial position of a prepared part: the part moved by (dx, dy). Its
// vertices are worked out only when a test needs them.
class TrialShape {
 public:
  void Prepare(const Part& source);
  void MoveTo(double dx, double dy);
  [[nodiscard]] int ID() const { return id_; }
  [[nodiscard]] const BoundingBox& OuterBox() const { return outerBox_; }
  const ShapeView& View();

 private:
  const Part* source_ = nullptr;
  int id_ = 0;
  double dx_ = 0.0;
  double dy_ = 0.0;
  BoundingBox outerBox_;
  bool built_ = false;
  std::vector<std::vector<Vertex>> loops_;  // outer loop first, then holes
  std::vector<LoopView> holes_;
  ShapeView view_;
};

bool TrialFits(const PackJob& job, TrialShape& trial);

// The parts a moving part must be tested against while it is placed: every
// other member of job.Parts, ordered by falling max x so that a scan can stop
// at the first one lying wholly left of the tested box. Members whose box
// ends at or below y = 0 (the parked ones) are left out: a box that passes
// the sheet test is always apart from them. The other members do not move
// while one part is placed, so the set is built once per placement.
class Obstacles {
 public:
  void Build(const PackJob& job, const Part& moving);
  // The same answers as TrialFits and PartFits above.
  bool TrialFits(const PackJob& job, TrialShape& trial) const;
  bool PartFits(const PackJob& job, const Part& moving) const;

 private:
  struct Entry {
    const Part* part;
    BoundingBox box;
  };
  std::vector<Entry> entries_;
};

}  // namespace nest
