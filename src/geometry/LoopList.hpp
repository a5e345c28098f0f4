#pragma once

#include <vector>

#include "geometry/Loop.hpp"

namespace nest {

// The holes of a part. Loops enter only at the front, so a copy made by
// walking a list and pushing each loop holds them in the reverse order;
// that order decides reference-vertex ties and the drawing order of holes.
class LoopList {
 public:
  LoopList() = default;
  LoopList(LoopList&&) noexcept = default;
  LoopList& operator=(LoopList&&) noexcept = default;
  // Copying reverses the order; it is spelled out with CopyFrom so that no
  // copy happens by accident.
  LoopList(const LoopList&) = delete;
  LoopList& operator=(const LoopList&) = delete;

  // Inserts a copy of `loop` before the first loop; an empty loop ends the
  // process (the loop assignment refuses it).
  void PushFront(const Loop& loop);
  void Clear() { loops_.clear(); }
  // Clears, then pushes a copy of every loop of `other` from first to last.
  void CopyFrom(const LoopList& other);

  [[nodiscard]] int Count() const { return static_cast<int>(loops_.size()); }
  // Loops in list order (first to last).
  [[nodiscard]] const std::vector<Loop>& Loops() const { return loops_; }
  std::vector<Loop>& Loops() { return loops_; }

 private:
  std::vector<Loop> loops_;
};

}  // namespace nest
