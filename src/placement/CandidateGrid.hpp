#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/Vertex.hpp"

namespace nest {

// The candidate points of a layout: a grid of columns (one x each, never
// falling) and rows (one y each, never falling), from which points are
// removed as parts cover them. Point (c, r) lies at (X(c), Y(r)); the points
// run column by column, each column by ascending row. Each column keeps one
// bit per row, so a walk skips removed points a word at a time and a removal
// costs nothing but the bit.
class CandidateGrid {
 public:
  void Clear();
  // A grid of every pair of `xs` and `ys`, all points present.
  void Assign(std::vector<double> xs, std::vector<double> ys);

  [[nodiscard]] int Columns() const { return static_cast<int>(xs_.size()); }
  [[nodiscard]] int Rows() const { return static_cast<int>(ys_.size()); }
  [[nodiscard]] double X(int c) const { return xs_[static_cast<std::size_t>(c)]; }
  [[nodiscard]] double Y(int r) const { return ys_[static_cast<std::size_t>(r)]; }
  [[nodiscard]] const std::vector<double>& Xs() const { return xs_; }
  [[nodiscard]] const std::vector<double>& Ys() const { return ys_; }

  [[nodiscard]] bool IsLive(int c, int r) const {
    return (Word(c, r) >> (static_cast<unsigned>(r) & 63u) & 1u) != 0;
  }
  // First present row at or after `r` in column `c`, or Rows().
  [[nodiscard]] int NextLive(int c, int r) const;
  [[nodiscard]] bool ColumnEmpty(int c) const { return live_[static_cast<std::size_t>(c)] == 0; }
  void Remove(int c, int r);

  // Points present.
  [[nodiscard]] std::size_t Count() const { return count_; }
  // The present points in order.
  [[nodiscard]] std::vector<Vertex> ToVector() const;

 private:
  [[nodiscard]] std::uint64_t Word(int c, int r) const {
    return bits_[static_cast<std::size_t>(c) * words_ + (static_cast<std::size_t>(r) >> 6)];
  }
  std::vector<double> xs_;
  std::vector<double> ys_;
  std::vector<std::uint64_t> bits_;  // column c: words [c * words_, (c + 1) * words_)
  std::vector<int> live_;            // present points per column
  std::size_t words_ = 0;
  std::size_t count_ = 0;
};

// Defined here: the walks call them for nearly every point they pass.
inline int CandidateGrid::NextLive(int c, int r) const {
  const int rows = Rows();
  if (r >= rows) return rows;
  const std::uint64_t* column = bits_.data() + static_cast<std::size_t>(c) * words_;
  std::size_t w = static_cast<std::size_t>(r) >> 6;
  std::uint64_t word = column[w] & (~std::uint64_t{0} << (static_cast<unsigned>(r) & 63u));
  while (word == 0) {
    if (++w == words_) return rows;
    word = column[w];
  }
  return static_cast<int>(w * 64 + static_cast<std::size_t>(std::countr_zero(word)));
}

inline void CandidateGrid::Remove(int c, int r) {
  std::uint64_t& word = bits_[static_cast<std::size_t>(c) * words_ + (static_cast<std::size_t>(r) >> 6)];
  const std::uint64_t bit = std::uint64_t{1} << (static_cast<unsigned>(r) & 63u);
  if ((word & bit) == 0) return;
  word &= ~bit;
  --live_[static_cast<std::size_t>(c)];
  --count_;
}

}  // namespace nest
