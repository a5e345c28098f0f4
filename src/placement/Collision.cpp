#include "placement/Collision.hpp"

#include <algorithm>
#include <cmath>

namespace nest {

namespace {

// cross(d, v) = v.y * d.x - v.x * d.y
inline double Cross(double dX, double dY, double vX, double vY) { return vY * dX - vX * dY; }

}  // namespace

const ShapeView& ShapeBuffer::Of(const Part& part) {
  holes_.clear();
  for (const Loop& h : part.InnerLoops.Loops()) holes_.push_back(ViewOf(h));
  view_.outer = ViewOf(part.OutLoop);
  view_.holes = holes_.data();
  view_.holeCount = static_cast<int>(holes_.size());
  return view_;
}

bool FitsInBox(const BoundingBox& p, const BoundingBox& b) {
  if (!(p.maxX < b.maxX || std::fabs(p.maxX - b.maxX) < kBoxTolerance)) return false;
  if (!(p.minX > b.minX || std::fabs(p.minX - b.minX) < kBoxTolerance)) return false;
  if (!(p.maxY < b.maxY || std::fabs(p.maxY - b.maxY) < kBoxTolerance)) return false;
  if (!(p.minY > b.minY || std::fabs(p.minY - b.minY) < kBoxTolerance)) return false;
  return true;
}

bool IsPointInLoop(const LoopView& loop, const Vertex& p) {
  const BoundingBox& b = loop.box;
  if (p.x < b.minX || p.x > b.maxX || p.y < b.minY || p.y > b.maxY) return false;
  int crossings = 0;
  const int n = loop.n;
  for (int i = 0; i < n; ++i) {
    const Vertex& a = loop.v[i];
    const Vertex& c = loop.v[i + 1 == n ? 0 : i + 1];
    if ((a.y > p.y) == (c.y > p.y)) continue;
    if (std::fabs(a.x - c.x) < kVerticalEdgeEpsilon) {
      if (p.x < a.x) ++crossings;
    } else {
      const double x =
          -(((a.x - c.x) * p.y + (c.x - a.x) * a.y - (c.y - a.y) * a.x) / (c.y - a.y));
      if (x > p.x) ++crossings;
    }
  }
  return (crossings & 1) != 0;
}

bool SegmentsIntersect(const Vertex& a1, const Vertex& a2, const Vertex& b1, const Vertex& b2) {
  if (!(std::max(a1.x, a2.x) >= std::min(b1.x, b2.x))) return false;
  if (!(std::min(a1.x, a2.x) <= std::max(b1.x, b2.x))) return false;
  if (!(std::max(a1.y, a2.y) >= std::min(b1.y, b2.y))) return false;
  if (!(std::min(a1.y, a2.y) <= std::max(b1.y, b2.y))) return false;
  const double dAx = a2.x - a1.x;
  const double dAy = a2.y - a1.y;
  if (Cross(dAx, dAy, b1.x - a1.x, b1.y - a1.y) * Cross(dAx, dAy, b2.x - a1.x, b2.y - a1.y) > 0) {
    return false;
  }
  const double dBx = b2.x - b1.x;
  const double dBy = b2.y - b1.y;
  return Cross(dBx, dBy, a1.x - b1.x, a1.y - b1.y) * Cross(dBx, dBy, a2.x - b1.x, a2.y - b1.y) <=
         0;
}

bool LoopEdgesIntersect(const LoopView& a, const LoopView& b) {
  const BoundingBox& bb = b.box;
  for (int i = 0; i < a.n; ++i) {
    const Vertex& a1 = a.v[i];
    const Vertex& a2 = a.v[i + 1 == a.n ? 0 : i + 1];
    // An edge outside the other loop's box fails the extent test against
    // every edge of that loop (the stored box is the box of its vertices).
    if (std::max(a1.x, a2.x) < bb.minX || std::min(a1.x, a2.x) > bb.maxX ||
        std::max(a1.y, a2.y) < bb.minY || std::min(a1.y, a2.y) > bb.maxY) {
      continue;
    }
    for (int j = 0; j < b.n; ++j) {
      if (SegmentsIntersect(a1, a2, b.v[j], b.v[j + 1 == b.n ? 0 : j + 1])) return true;
    }
  }
  return false;
}

bool BoxesApart(const BoundingBox& a, const BoundingBox& b) {
  if (a.minX > b.maxX || std::fabs(a.minX - b.maxX) < kBoxTolerance) return true;
  if (a.maxX < b.minX || std::fabs(a.maxX - b.minX) < kBoxTolerance) return true;
  if (a.minY > b.maxY || std::fabs(a.minY - b.maxY) < kBoxTolerance) return true;
  if (a.maxY < b.minY || std::fabs(a.maxY - b.minY) < kBoxTolerance) return true;
  return false;
}

namespace {

// Steps 2 to 4 of the outer-loop test, for boxes known to overlap.
bool OutlinesDisjoint(const LoopView& a, const LoopView& b) {
  for (int i = 0; i < a.n; ++i) {
    if (IsPointInLoop(b, a.v[i])) return false;
  }
  for (int i = 0; i < b.n; ++i) {
    if (IsPointInLoop(a, b.v[i])) return false;
  }
  return !LoopEdgesIntersect(a, b);
}

// The hole stages of the pair test, once the outer loops overlap.
bool OneInHoleOfOther(const ShapeView& a, const ShapeView& b) {
  for (int i = 0; i < a.holeCount; ++i) {
    if (IsLoopInsideLoop(a.holes[i], b.outer)) return true;
  }
  for (int i = 0; i < b.holeCount; ++i) {
    if (IsLoopInsideLoop(b.holes[i], a.outer)) return true;
  }
  return false;
}

// The pair test for two parts whose outer boxes overlap.
bool CompatibleAfterBoxStage(const ShapeView& a, const ShapeView& b) {
  if (OutlinesDisjoint(a.outer, b.outer)) return true;
  return OneInHoleOfOther(a, b);
}

}  // namespace

bool OuterLoopsDisjoint(const LoopView& a, const LoopView& b) {
  if (BoxesApart(a.box, b.box)) return true;
  return OutlinesDisjoint(a, b);
}

bool IsLoopConvex(const LoopView& loop) {
  bool positive = false;
  bool negative = false;
  const int n = loop.n;
  for (int i = 0; i < n; ++i) {
    const Vertex& p0 = loop.v[i];
    const Vertex& p1 = loop.v[(i + 1) % n];
    const Vertex& p2 = loop.v[(i + 2) % n];
    const double z = Cross(p1.x - p0.x, p1.y - p0.y, p2.x - p1.x, p2.y - p1.y);
    if (z > 0) positive = true;
    if (z < 0) negative = true;
  }
  return !(positive && negative);
}

bool IsLoopInsideLoop(const LoopView& hole, const LoopView& loop) {
  for (int i = 0; i < loop.n; ++i) {
    if (!IsPointInLoop(hole, loop.v[i])) return false;
  }
  if (IsLoopConvex(hole)) return true;
  for (int i = 0; i < loop.n; ++i) {
    const Vertex& a1 = loop.v[i];
    const Vertex& a2 = loop.v[i + 1 == loop.n ? 0 : i + 1];
    const double dAx = a2.x - a1.x;
    const double dAy = a2.y - a1.y;
    for (int j = 0; j < hole.n; ++j) {
      const Vertex& b1 = hole.v[j];
      const Vertex& b2 = hole.v[j + 1 == hole.n ? 0 : j + 1];
      const double c1 = Cross(dAx, dAy, b1.x - a1.x, b1.y - a1.y);
      const double c2 = Cross(dAx, dAy, b2.x - a1.x, b2.y - a1.y);
      const double dBx = b2.x - b1.x;
      const double dBy = b2.y - b1.y;
      const double c3 = Cross(dBx, dBy, a1.x - b1.x, a1.y - b1.y);
      const double c4 = Cross(dBx, dBy, a2.x - b1.x, a2.y - b1.y);
      if (c1 * c2 < 0 && c3 * c4 < 0) return false;
    }
  }
  return true;
}

bool PartsCompatible(const ShapeView& a, const ShapeView& b) {
  if (BoxesApart(a.outer.box, b.outer.box)) return true;
  return CompatibleAfterBoxStage(a, b);
}

bool PartsCompatible(const Part& a, const Part& b) {
  ShapeBuffer ba;
  ShapeBuffer bb;
  return PartsCompatible(ba.Of(a), bb.Of(b));
}

bool IsPointInMaterial(const Part& part, const Vertex& p) {
  if (!IsPointInLoop(ViewOf(part.OutLoop), p)) return false;
  for (const Loop& hole : part.InnerLoops.Loops()) {
    if (IsPointInLoop(ViewOf(hole), p)) return false;
  }
  return true;
}

bool PartFits(const PackJob& job, const Part& part) {
  if (!FitsInBox(part.OutLoop.Box(), job.SheetBox)) return false;
  thread_local ShapeBuffer self;
  thread_local ShapeBuffer other;
  const ShapeView* selfView = nullptr;
  for (const Part& member : job.Parts) {
    if (&member == &part) continue;
    if (BoxesApart(part.OutLoop.Box(), member.OutLoop.Box())) continue;
    if (selfView == nullptr) selfView = &self.Of(part);
    if (!CompatibleAfterBoxStage(*selfView, other.Of(member))) return false;
  }
  return true;
}

bool TrialFits(const PackJob& job, const Part& trial) {
  if (!FitsInBox(trial.OutLoop.Box(), job.SheetBox)) return false;
  ShapeBuffer self;
  ShapeBuffer other;
  for (const Part& member : job.Parts) {
    if (member.ID == trial.ID) continue;
    if (!PartsCompatible(self.Of(trial), other.Of(member))) return false;
  }
  return true;
}

void TrialShape::Prepare(const Part& source) {
  source_ = &source;
  id_ = source.ID;
  const int loops = 1 + source.InnerLoops.Count();
  loops_.resize(loops);
  loops_[0].resize(source.OutLoop.Count());
  holes_.resize(loops - 1);
  for (int h = 1; h < loops; ++h) loops_[h].resize(source.InnerLoops.Loops()[h - 1].Count());
  built_ = false;
}

void TrialShape::MoveTo(double dx, double dy) {
  dx_ = dx;
  dy_ = dy;
  const BoundingBox& b = source_->OutLoop.Box();
  outerBox_ = BoundingBox{b.minX + dx, b.maxX + dx, b.minY + dy, b.maxY + dy};
  built_ = false;
}

namespace {

LoopView MovedLoop(const Loop& src, double dx, double dy, std::vector<Vertex>& out) {
  const std::vector<Vertex>& v = src.Vertices();
  for (std::size_t i = 0; i < v.size(); ++i) out[i] = Vertex{v[i].x + dx, v[i].y + dy};
  const BoundingBox& b = src.Box();
  return LoopView{out.data(), static_cast<int>(out.size()),
                  BoundingBox{b.minX + dx, b.maxX + dx, b.minY + dy, b.maxY + dy}};
}

}  // namespace

const ShapeView& TrialShape::View() {
  if (!built_) {
    view_.outer = MovedLoop(source_->OutLoop, dx_, dy_, loops_[0]);
    const std::vector<Loop>& holes = source_->InnerLoops.Loops();
    for (std::size_t h = 0; h < holes.size(); ++h) {
      holes_[h] = MovedLoop(holes[h], dx_, dy_, loops_[h + 1]);
    }
    view_.holes = holes_.data();
    view_.holeCount = static_cast<int>(holes_.size());
    built_ = true;
  }
  return view_;
}

bool TrialFits(const PackJob& job, TrialShape& trial) {
  if (!FitsInBox(trial.OuterBox(), job.SheetBox)) return false;
  thread_local ShapeBuffer other;
  for (const Part& member : job.Parts) {
    if (member.ID == trial.ID()) continue;
    if (BoxesApart(trial.OuterBox(), member.OutLoop.Box())) continue;
    if (!CompatibleAfterBoxStage(trial.View(), other.Of(member))) return false;
  }
  return true;
}

void Obstacles::Build(const PackJob& job, const Part& moving) {
  entries_.clear();
  for (const Part& member : job.Parts) {
    if (&member == &moving || member.ID == moving.ID) continue;
    const BoundingBox& box = member.OutLoop.Box();
    if (box.maxY <= 0.0) continue;
    entries_.push_back(Entry{&member, box});
  }
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return a.box.maxX > b.box.maxX; });
}

bool Obstacles::TrialFits(const PackJob& job, TrialShape& trial) const {
  const BoundingBox& box = trial.OuterBox();
  if (!FitsInBox(box, job.SheetBox)) return false;
  thread_local ShapeBuffer other;
  for (const Entry& e : entries_) {
    if (e.box.maxX < box.minX) break;  // this one and all after lie left of the box
    if (BoxesApart(box, e.box)) continue;
    if (!CompatibleAfterBoxStage(trial.View(), other.Of(*e.part))) return false;
  }
  return true;
}

bool Obstacles::PartFits(const PackJob& job, const Part& moving) const {
  const BoundingBox& box = moving.OutLoop.Box();
  if (!FitsInBox(box, job.SheetBox)) return false;
  thread_local ShapeBuffer self;
  thread_local ShapeBuffer other;
  const ShapeView* selfView = nullptr;
  for (const Entry& e : entries_) {
    if (e.box.maxX < box.minX) break;
    if (BoxesApart(box, e.box)) continue;
    if (selfView == nullptr) selfView = &self.Of(moving);
    if (!CompatibleAfterBoxStage(*selfView, other.Of(*e.part))) return false;
  }
  return true;
}

}  // namespace nest
