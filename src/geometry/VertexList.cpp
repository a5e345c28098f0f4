#include "geometry/VertexList.hpp"

#include <cassert>

namespace nest {

namespace {

// Columns of `size` points: equal x within a column, y never falling.
[[maybe_unused]] bool FormsColumns(const std::vector<Vertex>& points, std::size_t size) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (i % size != 0 && (points[i].x != points[i - 1].x || points[i].y < points[i - 1].y)) return false;
  }
  return true;
}

}  // namespace

void VertexList::Clear() {
  points_.clear();
  alive_.clear();
  skip_.clear();
  count_ = 0;
  columnSize_ = 0;
}

void VertexList::Assign(std::vector<Vertex> points, std::size_t columnSize) {
  points_ = std::move(points);
  columnSize_ = (columnSize > 0 && points_.size() % columnSize == 0) ? columnSize : 0;
  assert(columnSize_ == 0 || FormsColumns(points_, columnSize_));
  alive_.assign(points_.size(), 1);
  skip_.resize(points_.size() + 1);
  for (std::size_t i = 0; i <= points_.size(); ++i) skip_[i] = i;
  count_ = points_.size();
}

std::size_t VertexList::FirstFrom(std::size_t from) const {
  const std::size_t n = points_.size();
  if (from >= n) return kEnd;
  std::size_t i = from;
  while (i < n && !alive_[i]) i = skip_[i];
  // Shorten the path just walked.
  std::size_t j = from;
  while (j < n && !alive_[j] && skip_[j] != i) {
    const std::size_t next = skip_[j];
    skip_[j] = i;
    j = next;
  }
  return i < n ? i : kEnd;
}

void VertexList::Remove(std::size_t pos) {
  if (pos >= points_.size() || !alive_[pos]) return;
  alive_[pos] = 0;
  skip_[pos] = pos + 1;
  --count_;
}

std::vector<Vertex> VertexList::ToVector() const {
  std::vector<Vertex> out;
  out.reserve(count_);
  for (std::size_t i = First(); i != kEnd; i = Next(i)) out.push_back(points_[i]);
  return out;
}

}  // namespace nest
