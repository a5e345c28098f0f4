#include "placement/Obstacles.hpp"

#include <algorithm>
#include <cmath>

#include "placement/Collision.hpp"

namespace nest {

// ------------------------------------------------------------ trial shapes

void TrialShape::Prepare(const Part& source) {
  hints_ = SearchHints{};
  source_ = &source;
  indexed_ = false;
  viewed_ = false;
}

void TrialShape::MoveTo(double dx, double dy) {
  viewed_ = false;
  dx_ = dx;
  dy_ = dy;
  outerBox_ = source_->OutLoop.Box().Translated(dx, dy);
}

LoopView TrialShape::OuterView() const {
  const Loop& outer = source_->OutLoop;
  LoopView view{outer.Vertices().data(), outer.Count(), outerBox_};
  view.moved = true;
  view.dx = dx_;
  view.dy = dy_;
  return view;
}

const ShapeView& TrialShape::View() {
  if (!viewed_) {
    if (!indexed_) {
      index_.Build(*source_);
      indexed_ = true;
    }
    view_ = &index_.MovedView(*source_, dx_, dy_);
    viewed_ = true;
  }
  return *view_;
}

bool TrialFits(const PackJob& job, TrialShape& trial) {
  if (!FitsInBox(trial.OuterBox(), job.SheetBox)) return false;
  ShapeBuffer other;
  for (const Part& member : job.Parts) {
    if (member.ID == trial.ID()) continue;
    if (!PartsCompatible(trial.View(), other.Of(member))) return false;
  }
  return true;
}

// --------------------------------------------------------------- obstacles

void Obstacles::Build(const PackJob& job, const Part& moving, const PlacedIndexes* placed) {
  entries_.clear();
  for (const Part& member : job.Parts) {
    if (&member == &moving || member.ID == moving.ID) continue;
    const BoundingBox& box = member.OutLoop.Box();
    if (box.maxY <= 0.0) continue;
    PartIndex* index = placed != nullptr ? placed->Find(member) : nullptr;
    entries_.push_back(Entry{&member, box, index, nullptr, nullptr});
  }
  // Falling max x; a box whose max x is not a number is never apart from
  // anything by x, so such entries come first, where no scan stops early.
  std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    const bool aNan = std::isnan(a.box.maxX);
    const bool bNan = std::isnan(b.box.maxX);
    if (aNan || bNan) return aNan && !bNan;
    return a.box.maxX > b.box.maxX;
  });
  // Views and indexes are made now rather than on first use, so that the
  // trial tests only read them.
  for (const Entry& e : entries_) ViewOf(e);
}

const ShapeView& Obstacles::ViewOf(const Entry& e) const {
  if (e.view == nullptr) {
    if (e.index == nullptr) {
      e.own = std::make_unique<PartIndex>();
      e.own->Build(*e.part);
      e.index = e.own.get();
    }
    // The member stays where it is while the obstacles are in use.
    e.view = &e.index->View(*e.part);
  }
  return *e.view;
}

template <class HoleBoxFn, class ViewFn>
bool Obstacles::FitsAmong(const LoopView& outer, int holes, HoleBoxFn holeBox, ViewFn view,
                          TrialShape::SearchHints& hints) const {
  const BoundingBox& box = outer.box;
  if (hints.vertices.size() != 2 * entries_.size()) hints.vertices.assign(2 * entries_.size(), 0);
  const auto rejects = [&](std::size_t i) {
    const Entry& e = entries_[i];
    if (BoxesApart(box, e.box)) return false;
    const ShapeView& other = ViewOf(e);
    int& hint = hints.vertices[2 * i];
    // One vertex inside the other outer loop settles the pair unless one
    // part may lie in a hole of the other: try the vertices that did so
    // last, of either loop, before anything else.
    int holeMayHold = -1;  // not yet known
    const auto mayHold = [&] {
      if (holeMayHold < 0) {
        holeMayHold = 0;
        for (int h = 0; h < holes && holeMayHold == 0; ++h) {
          holeMayHold = BoxMayHold(holeBox(h), other.outer.box) ? 1 : 0;
        }
        for (int h = 0; h < other.holeCount && holeMayHold == 0; ++h) {
          holeMayHold = BoxMayHold(other.holes[h].box, outer.box) ? 1 : 0;
        }
      }
      return holeMayHold != 0;
    };
    bool hintOutside = false;
    if (hint < outer.n) {
      if (IsPointInLoop(other.outer, outer.At(hint))) {
        if (!mayHold()) return true;
      } else {
        hintOutside = true;
      }
    }
    const int otherHint = hints.vertices[2 * i + 1];
    if (otherHint < other.outer.n && !mayHold() &&
        IsPointInLoop(view().outer, other.outer.At(otherHint))) {
      return true;
    }
    return !CompatibleAfterBoxStage(view(), other, &hint, &hints.vertices[2 * i + 1], hintOutside);
  };
  const std::size_t last = hints.lastBlocker;
  if (last < entries_.size() && rejects(last)) return false;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].box.maxX < box.minX) break;  // this one and all after lie left of the box
    if (i == last) continue;
    if (rejects(i)) {
      hints.lastBlocker = i;
      return false;
    }
  }
  return true;
}

bool Obstacles::TrialFits(const PackJob& job, TrialShape& trial) const {
  if (!FitsInBox(trial.OuterBox(), job.SheetBox)) return false;
  return FitsAmong(
      trial.OuterView(), trial.HoleCount(), [&trial](int h) { return trial.HoleBox(h); },
      [&trial]() -> const ShapeView& { return trial.View(); }, trial.Hints());
}

bool Obstacles::PartFits(const PackJob& job, const Part& moving, PartIndex& movingIndex) const {
  if (!FitsInBox(moving.OutLoop.Box(), job.SheetBox)) return false;
  const ShapeView* selfView = nullptr;
  return FitsAmong(
      nest::ViewOf(moving.OutLoop), moving.InnerLoops.Count(),
      [&moving](int h) -> const BoundingBox& { return moving.InnerLoops.Loops()[h].Box(); },
      [&]() -> const ShapeView& {
        if (selfView == nullptr) selfView = &movingIndex.View(moving);
        return *selfView;
      },
      slideHints_);
}

}  // namespace nest
