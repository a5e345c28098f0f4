#pragma once

#include <cassert>
#include <cstddef>
#include <vector>

#include "geometry/Vertex.hpp"

namespace nest {

// An ordered list of points from which entries can be removed anywhere: the
// candidate placement points. Entries keep the order in which they were
// assigned; removed ones are skipped by iteration. Positions are indices into
// the assigned sequence, so a walk can remove the entry it stands on and go on.
class VertexList {
 public:
  static constexpr std::size_t kEnd = static_cast<std::size_t>(-1);

  void Clear();
  // Replaces the content by `points`, first to last. When the points form a
  // grid of columns of `columnSize` points each (equal x within a column,
  // y never falling), searches may use that shape; 0 means no such shape.
  void Assign(std::vector<Vertex> points, std::size_t columnSize = 0);
  [[nodiscard]] std::size_t ColumnSize() const { return columnSize_; }
  [[nodiscard]] bool IsLive(std::size_t pos) const {
    assert(pos < alive_.size());
    return alive_[pos] != 0;
  }

  [[nodiscard]] std::size_t Count() const { return count_; }
  // First live entry at or after position `from`, or kEnd.
  [[nodiscard]] std::size_t FirstFrom(std::size_t from) const;
  [[nodiscard]] std::size_t First() const { return FirstFrom(0); }
  [[nodiscard]] std::size_t Next(std::size_t pos) const { return FirstFrom(pos + 1); }
  [[nodiscard]] const Vertex& At(std::size_t pos) const {
    assert(pos < points_.size());
    return points_[pos];
  }
  // Removes the live entry at `pos`; nothing happens for a removed entry.
  void Remove(std::size_t pos);

  // All assigned entries, removed ones included (for searches by position).
  [[nodiscard]] const std::vector<Vertex>& Slots() const { return points_; }

  // The live entries, first to last.
  [[nodiscard]] std::vector<Vertex> ToVector() const;

 private:
  std::vector<Vertex> points_;
  std::vector<unsigned char> alive_;
  // skip_[i]: a position at or before the next live entry at or after i;
  // followed and shortened on every lookup.
  mutable std::vector<std::size_t> skip_;
  std::size_t count_ = 0;
  std::size_t columnSize_ = 0;
};

}  // namespace nest
