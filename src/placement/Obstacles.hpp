#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "app/PackJob.hpp"
#include "geometry/BoundingBox.hpp"
#include "parts/Part.hpp"
#include "placement/LoopIndex.hpp"

namespace nest {

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

// The parts a moving part must be tested against while it is placed: every
// other member of job.Parts, ordered by falling max x so that a scan can stop
// at the first one lying wholly left of the tested box. Members whose box
// ends at or below y = 0 (the parked ones) are left out: a box that passes
// the sheet test is always apart from them. The other members do not move
// while one part is placed, so the set is built once per placement.
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
