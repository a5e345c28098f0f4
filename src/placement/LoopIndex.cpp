#include "placement/LoopIndex.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numeric>

namespace nest {

namespace {

inline int NextIndex(int i, int n) { return i + 1 == n ? 0 : i + 1; }

}  // namespace

void LoopIndex::Build(const Vertex* v, int n) {
  reps_.clear();
  offsets_.clear();
  edges_.clear();
  constexpr int kMinIndexedVertices = 8;
  if (n < kMinIndexedVertices) return;
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i].y)) return;
  }
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [v](int a, int b) { return v[a].y < v[b].y; });
  std::vector<int> rank(n);
  std::vector<int> reps;
  for (int k = 0; k < n; ++k) {
    const int i = order[k];
    if (reps.empty() || v[reps.back()].y < v[i].y) reps.push_back(i);
    rank[i] = static_cast<int>(reps.size()) - 1;
  }
  const std::size_t slabs = reps.size() - 1;
  // Count first; an index whose slabs list too many edges is not worth it.
  std::vector<int> counts(slabs + 1, 0);
  long long total = 0;
  for (int i = 0; i < n; ++i) {
    const int r1 = rank[i];
    const int r2 = rank[NextIndex(i, n)];
    const int lo = std::min(r1, r2);
    const int hi = std::max(r1, r2);
    for (int j = lo; j < hi; ++j) ++counts[j];
    total += hi - lo;
  }
  if (total > 16LL * n) return;
  offsets_.assign(slabs + 1, 0);
  for (std::size_t j = 0; j < slabs; ++j) offsets_[j + 1] = offsets_[j] + counts[j];
  edges_.assign(static_cast<std::size_t>(total), 0);
  std::vector<int> fill(offsets_.begin(), offsets_.end() - 1);
  for (int i = 0; i < n; ++i) {
    const int r1 = rank[i];
    const int r2 = rank[NextIndex(i, n)];
    for (int j = std::min(r1, r2); j < std::max(r1, r2); ++j) edges_[fill[j]++] = i;
  }
  reps_ = std::move(reps);
  count_ = n;
}

bool LoopIndex::Describes(const Vertex* v, int n) const {
  if (reps_.empty()) return true;
  if (n != count_) return false;
  for (std::size_t j = 1; j < reps_.size(); ++j) {
    if (v[reps_[j]].y < v[reps_[j - 1]].y) return false;
  }
  return true;
}

bool PartIndex::Describes(const Part& part) const {
  const std::vector<Loop>& holes = part.InnerLoops.Loops();
  if (loops_.size() != 1 + holes.size()) return false;
  if (!loops_[0].Describes(part.OutLoop.Vertices().data(), part.OutLoop.Count())) return false;
  for (std::size_t h = 0; h < holes.size(); ++h) {
    if (!loops_[h + 1].Describes(holes[h].Vertices().data(), holes[h].Count())) return false;
  }
  return true;
}

void PartIndex::Build(const Part& part) {
  const std::vector<Loop>& holes = part.InnerLoops.Loops();
  loops_.resize(1 + holes.size());
  loops_[0].Build(part.OutLoop.Vertices().data(), part.OutLoop.Count());
  for (std::size_t h = 0; h < holes.size(); ++h) {
    loops_[h + 1].Build(holes[h].Vertices().data(), holes[h].Count());
  }
  holes_.resize(holes.size());
}

const ShapeView& PartIndex::View(const Part& part) {
  assert(Describes(part));  // the part was only translated since Build
  const std::vector<Loop>& holes = part.InnerLoops.Loops();
  view_.outer = ViewOf(part.OutLoop);
  view_.outer.index = &loops_[0];
  for (std::size_t h = 0; h < holes.size(); ++h) {
    holes_[h] = ViewOf(holes[h]);
    holes_[h].index = &loops_[h + 1];
  }
  view_.holes = holes_.data();
  view_.holeCount = static_cast<int>(holes_.size());
  return view_;
}

namespace {

LoopView Moved(const Loop& loop, double dx, double dy, const LoopIndex* index) {
  LoopView view{loop.Vertices().data(), loop.Count(), loop.Box().Translated(dx, dy)};
  view.moved = true;
  view.dx = dx;
  view.dy = dy;
  view.index = index;
  return view;
}

}  // namespace

const ShapeView& PartIndex::MovedView(const Part& part, double dx, double dy) {
  assert(Describes(part));
  const std::vector<Loop>& holes = part.InnerLoops.Loops();
  view_.outer = Moved(part.OutLoop, dx, dy, &loops_[0]);
  for (std::size_t h = 0; h < holes.size(); ++h) {
    holes_[h] = Moved(holes[h], dx, dy, &loops_[h + 1]);
  }
  view_.holes = holes_.data();
  view_.holeCount = static_cast<int>(holes_.size());
  return view_;
}

const ShapeView& ShapeBuffer::Of(const Part& part) {
  holes_.clear();
  for (const Loop& h : part.InnerLoops.Loops()) holes_.push_back(ViewOf(h));
  view_.outer = ViewOf(part.OutLoop);
  view_.holes = holes_.data();
  view_.holeCount = static_cast<int>(holes_.size());
  return view_;
}

}  // namespace nest
