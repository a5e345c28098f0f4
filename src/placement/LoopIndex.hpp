#pragma once

#include <limits>
#include <vector>

#include "geometry/BoundingBox.hpp"
#include "geometry/Loop.hpp"
#include "geometry/Vertex.hpp"
#include "parts/Part.hpp"

namespace nest {

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

}  // namespace nest
