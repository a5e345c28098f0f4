#include "placement/CandidateGrid.hpp"

namespace nest {

void CandidateGrid::Clear() {
  xs_.clear();
  ys_.clear();
  bits_.clear();
  live_.clear();
  words_ = 0;
  count_ = 0;
}

void CandidateGrid::Assign(std::vector<double> xs, std::vector<double> ys) {
  xs_ = std::move(xs);
  ys_ = std::move(ys);
  const std::size_t rows = ys_.size();
  words_ = (rows + 63) / 64;
  bits_.assign(xs_.size() * words_, ~std::uint64_t{0});
  if (rows % 64 != 0) {
    const std::uint64_t tail = (std::uint64_t{1} << (rows % 64)) - 1;
    for (std::size_t c = 0; c < xs_.size(); ++c) bits_[c * words_ + words_ - 1] = tail;
  }
  live_.assign(xs_.size(), static_cast<int>(rows));
  count_ = xs_.size() * rows;
}

std::vector<Vertex> CandidateGrid::ToVector() const {
  std::vector<Vertex> out;
  out.reserve(count_);
  for (int c = 0; c < Columns(); ++c) {
    for (int r = NextLive(c, 0); r < Rows(); r = NextLive(c, r + 1)) out.push_back(Vertex{X(c), Y(r)});
  }
  return out;
}

}  // namespace nest
