#pragma once

#include <cmath>
#include <limits>
#include <memory>
#include <unordered_map>
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

// The x at which the line through the edge from a to b meets the line y, as
// the ray test computes it (for an edge that is not horizontal).
inline double CrossingX(const Vertex& a, const Vertex& b, double y) {
  return -(((a.x - b.x) * y + (b.x - a.x) * a.y - (b.y - a.y) * a.x) / (b.y - a.y));
}

// Finds the edges of a loop that cross a horizontal line without walking all
// of them. The distinct y values of the vertices cut the plane into slabs;
// each slab lists the edges that span it. An edge has one end above the line
// y = p.y and one not exactly when it spans the slab holding p.y, so a point
// test that reads only those edges counts the same crossings as one that
// reads every edge.
//
// Translating a loop never changes the order of its vertices' y values (a
// rounded sum is monotonic), so an index stays valid while the loop is only
// translated; it must be rebuilt after a rotation. Lookups read the present
// y of one vertex per slab boundary.
class LoopIndex {
 public:
  // Indexes the loop as it is now. Loops with few vertices, non-finite
  // coordinates or slabs too crowded to pay are left unindexed (Empty).
  void Build(const Vertex* v, int n);
  [[nodiscard]] bool Empty() const { return reps_.empty(); }
  // Whether the index still describes the loop with these vertices: the same
  // count, and the slab boundaries' y values still in ascending order, which
  // translating keeps and a turn generally breaks. For assertions.
  [[nodiscard]] bool Describes(const Vertex* v, int n) const;

  // The edges (by start vertex) that span the slab holding `py`, where
  // yOf(i) gives the present y of vertex i.
  template <class YOf>
  void EdgesAt(double py, YOf yOf, const int** begin, const int** end) const {
    // The slab below the first boundary above py holds py.
    const std::size_t lo = FirstAbove(py, yOf);
    if (lo == 0 || lo == reps_.size()) {
      *begin = *end = nullptr;
      return;
    }
    *begin = edges_.data() + offsets_[lo - 1];
    *end = edges_.data() + offsets_[lo];
  }

  // The smallest vertex y above `py`, or infinity.
  template <class YOf>
  [[nodiscard]] double NextAbove(double py, YOf yOf) const {
    const std::size_t lo = FirstAbove(py, yOf);
    return lo == reps_.size() ? std::numeric_limits<double>::infinity() : yOf(reps_[lo]);
  }

 private:
  // The first slab boundary whose y lies above py (reps_.size() for none).
  template <class YOf>
  [[nodiscard]] std::size_t FirstAbove(double py, YOf yOf) const {
    std::size_t lo = 0;
    std::size_t hi = reps_.size();
    while (lo < hi) {
      const std::size_t mid = (lo + hi) / 2;
      if (yOf(reps_[mid]) > py) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    return lo;
  }

  std::vector<int> reps_;     // per distinct y, ascending: a vertex having it
  std::vector<int> offsets_;  // slab j lists edges_[offsets_[j] .. offsets_[j + 1])
  std::vector<int> edges_;
  int count_ = 0;             // vertices of the indexed loop
};

// A loop as the tests read it: its vertices in order and its stored box,
// optionally moved by (dx, dy) without being copied (a trial position), and
// optionally with an index of its edges.
struct LoopView {
  const Vertex* v = nullptr;
  int n = 0;
  BoundingBox box;
  bool moved = false;
  double dx = 0.0;
  double dy = 0.0;
  const LoopIndex* index = nullptr;

  // Vertex i where the loop lies: moved vertices are rounded exactly as a
  // translated copy would hold them.
  [[nodiscard]] Vertex At(int i) const { return moved ? Vertex{v[i].x + dx, v[i].y + dy} : v[i]; }
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

// The indexes of every loop of a part (outer loop first, then the holes in
// list order), valid while the part is only translated.
class PartIndex {
 public:
  void Build(const Part& part);
  // Views of the part where it lies now, with the indexes attached.
  const ShapeView& View(const Part& part);
  // Views of the part moved by (dx, dy).
  const ShapeView& MovedView(const Part& part, double dx, double dy);
  // Whether every loop's index still describes the part (see LoopIndex).
  [[nodiscard]] bool Describes(const Part& part) const;

 private:
  std::vector<LoopIndex> loops_;
  std::vector<LoopView> holes_;
  ShapeView view_;
};

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

// Inside the outer loop and inside none of the holes.
bool IsPointInMaterial(const ShapeView& shape, const Vertex& p);
bool IsPointInMaterial(const Part& part, const Vertex& p);

// The part, a member of job.Parts, lies on the sheet and is compatible with
// every other member.
bool PartFits(const PackJob& job, const Part& part);

// A trial copy lies on the sheet and is compatible with every member whose ID
// differs from the copy's.
bool TrialFits(const PackJob& job, const Part& trial);

// A trial position of a prepared part: the part moved by (dx, dy), read in
// place rather than copied.
class TrialShape {
 public:
  // `source` must stay where it is while the trial is used.
  void Prepare(const Part& source);
  void MoveTo(double dx, double dy);
  [[nodiscard]] int ID() const { return source_->ID; }
  [[nodiscard]] double Dx() const { return dx_; }
  [[nodiscard]] double Dy() const { return dy_; }
  [[nodiscard]] const BoundingBox& OuterBox() const { return outerBox_; }
  const ShapeView& View();
  // The outer loop alone where the trial lies, without indexes.
  [[nodiscard]] LoopView OuterView() const;
  [[nodiscard]] int HoleCount() const { return source_->InnerLoops.Count(); }
  [[nodiscard]] BoundingBox HoleBox(int h) const {
    return source_->InnerLoops.Loops()[h].Box().Translated(dx_, dy_);
  }

  // Where the tests of this shape's positions found overlaps so far (see
  // Obstacles); each rotation keeps its own.
  struct SearchHints {
    std::vector<int> vertices;  // per obstacle: moving vertex, obstacle vertex
    std::size_t lastBlocker = 0;
  };
  SearchHints& Hints() { return hints_; }

 private:
  SearchHints hints_;
  const Part* source_ = nullptr;
  PartIndex index_;
  bool indexed_ = false;
  bool viewed_ = false;  // the view below is of the present position
  const ShapeView* view_ = nullptr;
  double dx_ = 0.0;
  double dy_ = 0.0;
  BoundingBox outerBox_;
};

bool TrialFits(const PackJob& job, TrialShape& trial);

// The parts a moving part must be tested against while it is placed: every
// other member of job.Parts, ordered by falling max x so that a scan can stop
// at the first one lying wholly left of the tested box. Members whose box
// ends at or below y = 0 (the parked ones) are left out: a box that passes
// the sheet test is always apart from them. The other members do not move
// while one part is placed, so the set is built once per placement.
// Indexes of the parts already placed in the current layout. A placed part
// does not move again until the layout ends, so its index, built when it was
// placed, serves every later placement of the layout.
class PlacedIndexes {
 public:
  void Clear() { indexes_.clear(); }
  void Keep(const Part& part, std::unique_ptr<PartIndex> index) {
    indexes_[&part] = std::move(index);
  }
  [[nodiscard]] PartIndex* Find(const Part& part) const {
    const auto it = indexes_.find(&part);
    return it == indexes_.end() ? nullptr : it->second.get();
  }

 private:
  std::unordered_map<const Part*, std::unique_ptr<PartIndex>> indexes_;
};

class Obstacles {
 public:
  // `placed`, when given, holds indexes of parts placed earlier in the layout.
  void Build(const PackJob& job, const Part& moving, const PlacedIndexes* placed = nullptr);
  // The same answers as TrialFits and PartFits above.
  bool TrialFits(const PackJob& job, TrialShape& trial) const;
  // `movingIndex` indexes the moving part and has been built since its last
  // rotation.
  bool PartFits(const PackJob& job, const Part& moving, PartIndex& movingIndex) const;

  // The tested parts, for a caller that wants to know why a trial failed:
  // after a failed TrialFits, the trial's Hints().lastBlocker names the
  // entry that rejected it and Hints().vertices[2 * that] the trial vertex
  // last found in that entry's outer loop.
  [[nodiscard]] std::size_t Size() const { return entries_.size(); }
  [[nodiscard]] const BoundingBox& EntryBox(std::size_t i) const { return entries_[i].box; }
  [[nodiscard]] const ShapeView& EntryView(std::size_t i) const { return *entries_[i].view; }
  [[nodiscard]] const Part& EntryPart(std::size_t i) const { return *entries_[i].part; }

 private:
  struct Entry {
    const Part* part;
    BoundingBox box;
    // Taken from the placed parts, or built on the first full test of a pair.
    mutable PartIndex* index;
    mutable std::unique_ptr<PartIndex> own;
    mutable const ShapeView* view;
  };
  const ShapeView& ViewOf(const Entry& e) const;
  // Whether the shape with outer box `box` (its views given by `view`) is
  // compatible with every entry. The entry that rejected the shape's last
  // position is tested first, and the vertex tests against each entry start
  // where that pair last overlapped: neighbouring positions tend to be
  // rejected alike. The answer does not depend on the order.
  //
  // `outer` is the tested shape's outer loop where it lies (vertices moved
  // or not), `holes` its number of holes and holeBox(h) the box of hole h
  // where it lies; `view` gives all its views.
  template <class HoleBoxFn, class ViewFn>
  bool FitsAmong(const LoopView& outer, int holes, HoleBoxFn holeBox, ViewFn view,
                 TrialShape::SearchHints& hints) const;
  std::vector<Entry> entries_;
  mutable TrialShape::SearchHints slideHints_;
};

}  // namespace nest
