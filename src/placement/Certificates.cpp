#include "placement/Certificates.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "placement/CertificateReach.hpp"

namespace nest {

namespace {

using Kind = Certificate::Kind;

// The check of one certificate along a column: the trial `t` (rotation k)
// against obstacle entry i, and what keeps the certificate true further up.
class CertificateCheck {
 public:
  CertificateCheck(const PartSearch& s, Worker& w, TrialShape& t, int k, std::size_t i)
      : s_(s),
        w_(w),
        t_(t),
        i_(i),
        source_(s.turned[static_cast<std::size_t>(k)]),
        ob_(s.obstacles->EntryBox(i)),
        other_(s.obstacles->EntryView(i)),
        tb_(t.OuterBox()),
        sb_(source_.OutLoop.Box()),
        o_(other_.outer),
        sv_(source_.OutLoop.Vertices()),
        sn_(source_.OutLoop.Count()),
        dyMax_(s.grid->Ys().back() - s.r.y) {}

  // Whether the boxes overlap and no hole of either part may hold the other,
  // now and further up (noting the heights up to which that stays so).
  bool Overlapping() {
    if (BoxesApart(tb_, ob_)) return false;
    w_.holeLimits.clear();
    const std::vector<Loop>& holes = source_.InnerLoops.Loops();
    for (int h = 0; h < t_.HoleCount(); ++h) {
      const BoundingBox hb = t_.HoleBox(h);
      if (BoxMayHold(hb, ob_)) return false;
      if (ob_.minX < hb.minX || ob_.maxX > hb.maxX || ob_.minY < hb.minY) continue;
      w_.holeLimits.push_back(
          holes[static_cast<std::size_t>(h)].Box().maxY);  // ob.maxY > this + dy
    }
    w_.obstacleHoleLimits.clear();
    for (int h = 0; h < other_.holeCount; ++h) {
      const BoundingBox& gb = other_.holes[h].box;
      if (BoxMayHold(gb, tb_)) return false;
      if (tb_.minX < gb.minX || tb_.maxX > gb.maxX || tb_.maxY > gb.maxY) continue;
      w_.obstacleHoleLimits.push_back(gb.minY);  // source minY + dy < this
    }
    return true;
  }

  // Takes a certificate from where the last failed test of the trial found
  // an overlap and stores it in `cert`; false when it cannot be shown to
  // reach beyond the trial's own row. Crossing edges that reach no further
  // leave `cert` as it was; a placed vertex inside the trial is stored all
  // the same.
  bool Derive(Certificate& cert) {
    const int vi = t_.Hints().vertices[2 * i_];
    const int qi = t_.Hints().vertices[2 * i_ + 1];
    pair_[0] = cert.a;
    pair_[1] = cert.b;
    if (OwnInside(vi)) {
      kind_ = Kind::kOwnVertex;
      pair_[0] = vi;
    } else if (OtherInside(qi)) {
      kind_ = Kind::kOtherVertex;
      pair_[0] = qi;
    } else {
      kind_ = Kind::kCrossing;
      reach_ = CrossingReach(t_.View().outer, o_, dyMax_, pair_, false);
      if (!(reach_ > 0.0)) return false;
    }
    cert = Certificate{i_, kind_, pair_[0], pair_[1]};
    return kind_ != Kind::kOtherVertex || OtherReach();
  }

  // Whether the certificate holds where the trial lies: 1 when it does and
  // reaches further up, 0 when it holds at the trial's row alone, -1 when it
  // does not hold.
  int Verify(const Certificate& cert) {
    kind_ = cert.kind;
    pair_[0] = cert.a;
    pair_[1] = cert.b;
    if (kind_ == Kind::kOwnVertex) return OwnInside(pair_[0]) ? 1 : -1;
    if (kind_ == Kind::kOtherVertex) {
      if (!OtherInside(pair_[0])) return -1;
      return OtherReach() ? 1 : 0;
    }
    const LoopView trial = t_.View().outer;
    const int i2 = pair_[0] + 1 == trial.n ? 0 : pair_[0] + 1;
    const int j2 = pair_[1] + 1 == o_.n ? 0 : pair_[1] + 1;
    if (!SegmentsIntersect(trial.At(pair_[0]), trial.At(i2), o_.At(pair_[1]), o_.At(j2))) return -1;
    reach_ = CrossingReach(trial, o_, dyMax_, pair_, true);
    return reach_ > 0.0 ? 1 : 0;
  }

  // Whether the certificate still holds with the trial on row j.
  [[nodiscard]] bool HoldsAt(int j) const {
    const double dy = s_.grid->Y(j) - s_.r.y;
    return BoxesHold(dy) && PointHolds(dy);
  }

 private:
  // How far a placed vertex inside the trial keeps inside it; false when
  // that cannot be shown beyond the trial's row.
  bool OtherReach() {
    q_ = o_.At(pair_[0]);
    reach_ = ReverseReach(source_.OutLoop, t_.Dx(), t_.Dy(), dyMax_, q_);
    return reach_ > 0.0;
  }

  [[nodiscard]] bool BoxesHold(double dy) const {
    const BoundingBox moved{tb_.minX, tb_.maxX, sb_.minY + dy, sb_.maxY + dy};
    if (BoxesApart(moved, ob_)) return false;
    for (const double limit : w_.holeLimits) {
      if (!(ob_.maxY > limit + dy)) return false;
    }
    for (const double limit : w_.obstacleHoleLimits) {
      if (!(sb_.minY + dy < limit)) return false;
    }
    return true;
  }

  // Notes on which side of px each edge of the slab of the line y = py
  // passes, and the next vertex ordinate above.
  void AddSlabEdge(int e) {
    const Vertex a = o_.At(e);
    const Vertex b = o_.At(e + 1 == o_.n ? 0 : e + 1);
    bool beyond = false;
    if (std::fabs(a.x - b.x) < kVerticalEdgeEpsilon) {
      beyond = px_ < a.x;
    } else {
      beyond = CrossingX(a, b, py_) > px_;
    }
    w_.slab.push_back(e);
    w_.slabSide.push_back(beyond ? 1 : 0);
  }

  void SlabAt() {
    w_.slab.clear();
    w_.slabSide.clear();
    if (o_.index != nullptr && !o_.index->Empty()) {
      const LoopView& o = o_;
      const auto yOf = [&o](int e) { return o.At(e).y; };
      above_ = o_.index->NextAbove(py_, yOf);
      const int* first = nullptr;
      const int* last = nullptr;
      o_.index->EdgesAt(py_, yOf, &first, &last);
      for (const int* e = first; e != last; ++e) AddSlabEdge(*e);
    } else {
      for (int e = 0; e < o_.n; ++e) {
        const Vertex a = o_.At(e);
        const Vertex b = o_.At(e + 1 == o_.n ? 0 : e + 1);
        if (a.y > py_ && a.y < above_) above_ = a.y;
        if ((a.y > py_) != (b.y > py_)) AddSlabEdge(e);
      }
    }
  }

  // Whether the trial's vertex vi lies in the placed part's outer loop. The
  // ray test's crossing edges are those of the slab, so the test builds it.
  bool OwnInside(int vi) {
    if (vi < 0 || vi >= sn_) return false;
    const Vertex v = sv_[static_cast<std::size_t>(vi)];
    px_ = v.x + t_.Dx();
    py_ = v.y + t_.Dy();
    vy_ = v.y;
    const BoundingBox& b = o_.box;
    if (px_ < b.minX || px_ > b.maxX || py_ < b.minY || py_ > b.maxY) return false;
    SlabAt();
    int beyond = 0;
    for (const unsigned char side : w_.slabSide) beyond += side;
    return (beyond & 1) != 0;
  }

  [[nodiscard]] bool OtherInside(int qi) const {
    return qi >= 0 && qi < o_.n && IsPointInLoop(t_.View().outer, o_.At(qi));
  }

  [[nodiscard]] bool PointHolds(double dy) const {
    if (kind_ == Kind::kCrossing) {
      const double y1 = sv_[static_cast<std::size_t>(pair_[0])].y + dy;
      const double y2 =
          sv_[static_cast<std::size_t>(pair_[0] + 1 == sn_ ? 0 : pair_[0] + 1)].y + dy;
      const Vertex b1 = o_.At(pair_[1]);
      const Vertex b2 = o_.At(pair_[1] + 1 == o_.n ? 0 : pair_[1] + 1);
      return (dy - t_.Dy()) < reach_ && std::min(y1, y2) <= std::max(b1.y, b2.y);
    }
    if (kind_ == Kind::kOtherVertex) return (dy - t_.Dy()) < reach_ && !(sb_.minY + dy > q_.y);
    const double y = vy_ + dy;
    if (!(y <= ob_.maxY) || !(y < above_)) return false;
    for (std::size_t e = 0; e < w_.slab.size(); ++e) {
      const Vertex a = o_.At(w_.slab[e]);
      const Vertex b = o_.At(w_.slab[e] + 1 == o_.n ? 0 : w_.slab[e] + 1);
      if (std::fabs(a.x - b.x) < kVerticalEdgeEpsilon) continue;
      const bool beyond = CrossingX(a, b, y) > px_;
      if (beyond != (w_.slabSide[e] != 0)) return false;
    }
    return true;
  }

  const PartSearch& s_;
  Worker& w_;
  TrialShape& t_;
  const std::size_t i_;
  const Part& source_;
  const BoundingBox& ob_;
  const ShapeView& other_;
  const BoundingBox& tb_;
  const BoundingBox& sb_;
  const LoopView& o_;
  const std::vector<Vertex>& sv_;
  const int sn_;
  const double dyMax_;
  Kind kind_ = Kind::kUnknown;
  int pair_[2] = {0, 0};
  double reach_ = 0.0;
  Vertex q_;  // the placed vertex inside the trial
  // The trial's vertex in the placed part: where it lies, and its own y.
  double px_ = 0.0;
  double py_ = 0.0;
  double vy_ = 0.0;
  double above_ = std::numeric_limits<double>::infinity();  // the slab's top
};

// The last row lo from `row` (where `holds` is true) below `rows` at which
// `holds` is true, for a `holds` that once false stays false further up:
// from the guess (kNone for none) when it lies above `row`, galloping and
// then halving.
template <class Holds>
int LastRowHolding(int row, int rows, int guess, Holds holds) {
  int lo = row;
  int hi = rows;
  if (guess > lo && guess < hi) {
    if (holds(guess)) {
      lo = guess;
    } else {
      // Gallop down from the guess.
      hi = guess;
      for (int step = 1;; step *= 2) {
        const int j = guess - step;
        if (j <= lo) break;
        if (holds(j)) {
          lo = j;
          break;
        }
        hi = j;
      }
    }
  }
  if (hi == rows) {
    for (int step = 1;; step *= 2) {
      const long long j = static_cast<long long>(lo) + step;
      if (j >= rows) break;
      if (!holds(static_cast<int>(j))) {
        hi = static_cast<int>(j);
        break;
      }
      lo = static_cast<int>(j);
    }
  }
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    if (holds(mid)) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lo;
}

}  // namespace

// The last row from `row` of column c (rotation k, the trial `t` lying at
// `row`) up to which the certificate keeps the trial failing, found without
// testing the rows between; kNone when it does not hold at `row` itself. A
// certificate of kind kUnknown is taken from where the last failed test of
// `t` found an overlap, and filled in (left kUnknown when it serves only
// `row`). `guess` (kNone for none) is where the answer is likely to be.
//
// A trial vertex inside a placed part: the ray test's answer stays while no
// vertex ordinate of that loop is passed and every crossing edge is crossed
// on the same side, and each such condition, once false, stays false further
// up (the coordinates grow with the row, and every computed value is a chain
// of correctly rounded operations with one varying operand). So do the box
// conditions. The last row is then found by galloping and halving.
//
// A placed part's vertex inside the trial: see ReverseReach. Crossing edges:
// see CrossingReach.
int BlockedThrough(const PartSearch& s, Worker& w, TrialShape& t, int k, int row, Certificate& cert,
                   int guess) {
  const bool derive = cert.kind == Kind::kUnknown;
  // Without a certificate of its own making, the row fails all the same.
  const int none = derive ? row : kNone;
  const std::size_t i = derive ? t.Hints().lastBlocker : cert.blocker;
  if (i >= s.obstacles->Size()) return none;
  CertificateCheck check(s, w, t, k, i);
  if (!check.Overlapping()) return none;
  if (derive) {
    if (!check.Derive(cert)) return row;
  } else {
    const int holds = check.Verify(cert);
    if (holds < 0) return kNone;
    if (holds == 0) return row;
  }
  // The conditions hold at `row`, and once false stay false.
  return LastRowHolding(row, s.grid->Rows(), guess, [&check](int j) { return check.HoldsAt(j); });
}

}  // namespace nest
