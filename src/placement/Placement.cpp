#include "placement/Placement.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "placement/Collision.hpp"
#include "placement/HelperPriority.hpp"
#include "placement/InsideRaster.hpp"

namespace nest {

namespace {

// ------------------------------------------------------------ covered points

// The x of every edge of `loop` that crosses the line y, as the ray test
// computes it; a point (px, y) in the loop's box is inside when an odd number
// of them exceed px. All points of a grid row share y, so a row needs them
// once.
void RowCrossings(const Loop& loop, double y, std::vector<double>& out) {
  out.clear();
  const std::vector<Vertex>& v = loop.Vertices();
  const int n = loop.Count();
  for (int i = 0; i < n; ++i) {
    const Vertex& a = v[static_cast<std::size_t>(i)];
    const Vertex& b = v[static_cast<std::size_t>(i + 1 == n ? 0 : i + 1)];
    if ((a.y > y) == (b.y > y)) continue;
    double x = a.x;
    if (!(std::fabs(a.x - b.x) < kVerticalEdgeEpsilon)) {
      x = CrossingX(a, b, y);
    }
    if (!std::isnan(x)) out.push_back(x);  // NaN exceeds nothing
  }
  std::sort(out.begin(), out.end());
}

// Counts the crossings beyond px, for px met in ascending order.
struct CrossingCounter {
  const std::vector<double>* xs = nullptr;
  std::size_t passed = 0;  // crossings not beyond the previous px
  bool OddBeyond(double px) {
    while (passed < xs->size() && !((*xs)[passed] > px)) ++passed;
    return ((xs->size() - passed) & 1u) != 0;
  }
};

bool InBox(const BoundingBox& b, double x, double y) {
  return !(x < b.minX || x > b.maxX || y < b.minY || y > b.maxY);
}

bool FiniteBox(const BoundingBox& b) {
  return std::isfinite(b.minX) && std::isfinite(b.maxX) && std::isfinite(b.minY) &&
         std::isfinite(b.maxY);
}

// Drops the grid points in the part's material, walking the grid in order up
// to the first point beyond the part's max x. Only points in the outer
// loop's box can be inside, and each row's crossings are computed once.
void RemoveCovered(CandidateGrid& grid, const Part& part) {
  const BoundingBox& box = part.OutLoop.Box();
  const double stopX = part.Box.maxX;
  const std::vector<double>& xs = grid.Xs();
  const std::vector<double>& ys = grid.Ys();
  const int columns = grid.Columns();
  if (!FiniteBox(box) || std::isnan(stopX)) {
    for (int c = 0; c < columns && !(xs[static_cast<std::size_t>(c)] > stopX); ++c) {
      for (int r = grid.NextLive(c, 0); r < grid.Rows(); r = grid.NextLive(c, r + 1)) {
        if (IsPointInMaterial(part, Vertex{grid.X(c), grid.Y(r)})) grid.Remove(c, r);
      }
    }
    return;
  }
  const int c0 = static_cast<int>(
      std::partition_point(xs.begin(), xs.end(), [&box](double x) { return x < box.minX; }) -
      xs.begin());
  int c1 = c0;
  while (c1 < columns && !(xs[static_cast<std::size_t>(c1)] > stopX) &&
         !(xs[static_cast<std::size_t>(c1)] > box.maxX)) {
    ++c1;
  }
  if (c0 >= c1) return;
  const int r0 = static_cast<int>(
      std::partition_point(ys.begin(), ys.end(), [&box](double y) { return y < box.minY; }) -
      ys.begin());
  const std::vector<Loop>& holes = part.InnerLoops.Loops();
  thread_local std::vector<double> outer;
  thread_local std::vector<std::vector<double>> inner;
  if (inner.size() < holes.size()) inner.resize(holes.size());
  std::vector<CrossingCounter> counters(holes.size());
  std::vector<bool> holeRow(holes.size());
  for (int r = r0; r < grid.Rows() && !(ys[static_cast<std::size_t>(r)] > box.maxY); ++r) {
    const double y = ys[static_cast<std::size_t>(r)];
    RowCrossings(part.OutLoop, y, outer);
    if (outer.empty()) continue;
    for (std::size_t h = 0; h < holes.size(); ++h) {
      const BoundingBox& hb = holes[h].Box();
      holeRow[h] = !(y < hb.minY || y > hb.maxY);
      if (holeRow[h]) RowCrossings(holes[h], y, inner[h]);
      counters[h] = CrossingCounter{&inner[h], 0};
    }
    CrossingCounter out{&outer, 0};
    for (int c = c0; c < c1; ++c) {
      const double x = xs[static_cast<std::size_t>(c)];
      if (!out.OddBeyond(x)) continue;
      bool inHole = false;
      for (std::size_t h = 0; h < holes.size() && !inHole; ++h) {
        inHole = holeRow[h] && InBox(holes[h].Box(), x, y) && counters[h].OddBeyond(x);
      }
      if (!inHole) grid.Remove(c, r);
    }
  }
}

}  // namespace

double CandidateGridSize(double sheetLength, double sheetWidth, double ppd) {
  const double nx = std::trunc(sheetLength / ppd);
  const double ny = std::trunc(sheetWidth / ppd);
  if (nx < 0 || ny < 0) return 0.0;
  return (nx + 1) * (ny + 1);
}

void BuildCandidateGrid(PackJob& job) {
  job.CandidatePoints.Clear();
  const int nx = static_cast<int>(job.SheetLength / job.PPD);
  const int ny = static_cast<int>(job.SheetWidth / job.PPD);
  if (nx < 0 || ny < 0) return;
  std::vector<double> xs;
  std::vector<double> ys;
  xs.reserve(static_cast<std::size_t>(nx) + 1);
  ys.reserve(static_cast<std::size_t>(ny) + 1);
  for (int i = 0; i <= nx; ++i) xs.push_back((i * job.SheetLength) / nx);
  for (int j = 0; j <= ny; ++j) ys.push_back((j * job.SheetWidth) / ny);
  job.CandidatePoints.Assign(std::move(xs), std::move(ys));
}

void RemoveCoveredPoints(PackJob& job, const Part& part) { RemoveCovered(job.CandidatePoints, part); }

// ------------------------------------------------------------------ threads

namespace {

// One by default (the search speculates on the second core instead): the helper joins only searches long enough to pay for
// waking it, and only on a core nothing else wants (see the README's speed
// table).
std::atomic<int> gThreads{1};
// Rows the last search of a layout must have tested (beyond those the
// raster settled) for the next one to wake the helper: waking it costs about
// as much as testing a few hundred.
constexpr long long kShareFrom = 300;
// And as many per column at least: the threads exchange what each column
// found, which costs about as much as testing some twenty rows.
constexpr long long kShareRowsPerColumn = 20;
std::atomic<bool> gEverySearch{false};

// A second thread that joins the searches of the calling thread. It sleeps
// on a condition variable until a search is offered, runs it once and sleeps
// again. The caller never waits for it to start: it searches from the start
// and, when done, waits only for a helper that is inside the search.
class Helper {
 public:
  static Helper& Get() {
    // Never destroyed: the thread sleeps until the process ends.
    static Helper* helper = new Helper();
    return *helper;
  }

  // Offers `work` to the helper. False when another search has it.
  bool Offer(const std::function<void()>& work) {
    if (!use_.try_lock()) return false;
    {
      std::lock_guard<std::mutex> lock(m_);
      work_ = &work;
    }
    wake_.notify_one();
    return true;
  }

  // Whether the helper rests for this search: after a search in which it
  // did little (it got no processor, the machine being busy), it is not
  // offered the next one, and after each further such search twice as many,
  // up to kMaxRest.
  bool Resting() {
    int left = restLeft_.load(std::memory_order_relaxed);
    if (left == 0) return false;
    restLeft_.store(left - 1, std::memory_order_relaxed);
    return true;
  }

  // What came of a search the helper was offered: `helped` of its
  // `columns` were searched by the helper.
  void Record(int helped, int columns) {
    if (columns < kJudgedColumns) return;
    if (helped * 4 >= columns) {
      rest_.store(0, std::memory_order_relaxed);
      return;
    }
    const int rest = std::min(2 * rest_.load(std::memory_order_relaxed) + 1, kMaxRest);
    rest_.store(rest, std::memory_order_relaxed);
    restLeft_.store(rest, std::memory_order_relaxed);
  }

  // Takes the offer back: on return the helper is not in the work and will
  // not enter it.
  void Withdraw() {
    {
      std::unique_lock<std::mutex> lock(m_);
      work_ = nullptr;
      left_.wait(lock, [this] { return !inside_; });
    }
    use_.unlock();
  }

 private:
  Helper() : thread_([this] { Loop(); }) {}

  void Loop() {
    // The caller finishes whatever the helper has not: the helper only uses
    // a core that would otherwise be idle, so it never slows the caller.
    platform::LowerThisThreadToIdle();
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      wake_.wait(lock, [this] { return work_ != nullptr; });
      const std::function<void()>* work = work_;
      work_ = nullptr;
      inside_ = true;
      lock.unlock();
      (*work)();
      lock.lock();
      inside_ = false;
      left_.notify_all();
    }
  }

  static constexpr int kJudgedColumns = 8;
  static constexpr int kMaxRest = 64;

  // Atomic only so that searches on several threads stay well defined; the
  // rest itself is a hint.
  std::atomic<int> rest_{0};
  std::atomic<int> restLeft_{0};
  std::mutex use_;
  std::mutex m_;
  std::condition_variable wake_;
  std::condition_variable left_;
  const std::function<void()>* work_ = nullptr;
  bool inside_ = false;
  std::thread thread_;
};

// ------------------------------------------------------------------- search

constexpr int kNone = -1;

// The fixed data of one part's search, read by every thread.
struct Search {
  const PackJob* job = nullptr;
  const CandidateGrid* grid = nullptr;
  Vertex r;      // reference vertex
  double d = 0;  // its distance from the centroid
  int rn = 0;
  std::vector<Part> turned;  // the part turned by k steps about r
  std::vector<Vertex> centroids;
  const Obstacles* obstacles = nullptr;
  const InsideRaster* raster = nullptr;  // null when empty
  // Per raster index: the obstacle entry of that part (-1 for none, as for
  // a part of this part's ID, which the tests pass over).
  std::vector<int> entryOf;
  bool holes = false;  // whether the part or an obstacle has a hole
  double pitch = 0.0;  // between rows, for a first guess
  Vertex s;  // the type's LastPosition: earlier points are passed over
  int sRow = 0;  // first row not below s.y

  // First row of column c that the walk visits.
  [[nodiscard]] int StartRow(int c) const { return grid->X(c) == s.x ? sRow : 0; }
  // The x of rotation k's centroid with its reference vertex on column c.
  [[nodiscard]] double CentroidX(int c, int k) const {
    return (grid->X(c) - r.x) + centroids[static_cast<std::size_t>(k)].x;
  }
};

// Why a trial fails: a vertex of the trial inside the placed part's outer
// loop, a vertex of the placed part inside the trial's, or an edge of each
// properly crossing, while the boxes overlap and no hole can hold either
// part. It names vertices and edges, not positions, so it can be checked
// again where the trial lies elsewhere.
struct Certificate {
  enum class Kind : unsigned char { kUnknown, kOwnVertex, kOtherVertex, kCrossing };
  std::size_t blocker = 0;  // obstacle entry
  Kind kind = Kind::kUnknown;
  int a = 0;  // the trial's vertex, the placed part's vertex, or the trial's edge
  int b = 0;  // the placed part's edge

  bool operator==(const Certificate&) const = default;
};

// Rows first .. last of a column where a certificate kept a rotation failing.
struct Block {
  Certificate certificate;
  int first = 0;
  int last = 0;
};

// What one thread needs of its own.
struct alignas(64) Worker {
  std::vector<TrialShape> trials;
  std::vector<int> slab;  // scratch: edges of a certificate
  std::vector<unsigned char> slabSide;
  std::vector<double> holeLimits;
  std::vector<double> obstacleHoleLimits;
  std::vector<int> order;
  // Per rotation, the blocks met in the last column this thread searched, in
  // row order: the next column tends to be blocked by the same vertices and
  // edges over nearly the same rows, so they are checked there before a
  // full trial, and their last rows are the first guess of the new ones.
  std::vector<std::vector<Block>> seen;
  std::vector<Block> seeing;  // scratch: the blocks of the column under way
  long long visits = 0;  // rows tested, a measure of the work done
  long long settled = 0;  // of them, those the raster settled (with its run above)
  std::vector<int> rasterHint;  // per rotation: the vertex last found in a part

  // Readies the worker for a search of the rotations `turned`, keeping the
  // storage of earlier searches.
  void Start(const std::vector<Part>& turned) {
    const std::size_t rn = turned.size();
    trials.resize(rn);
    for (std::size_t k = 0; k < rn; ++k) trials[k].Prepare(turned[k]);
    seen.resize(rn);
    for (std::vector<Block>& blocks : seen) blocks.clear();
    rasterHint.assign(rn, 0);
    visits = settled = 0;
  }
};

inline bool NearOrBelow(double a, double b) { return a < b || std::fabs(a - b) < kBoxTolerance; }
inline bool NearOrAbove(double a, double b) { return a > b || std::fabs(a - b) < kBoxTolerance; }


// How far the trial's outer loop `loop` (unmoved, to be moved by dx and a
// growing dy from dy0) may climb while the ray test still finds the point q
// inside it; 0 when that cannot be shown.
//
// The ray test of a moved loop rounds every moved vertex and every crossing,
// so its answer is not a monotone function of dy. It is the true answer,
// though, while q stays clear of the loop by more than all those roundings:
// a moved vertex is off its exact place by at most a unit in the last place,
// and a crossing's x is off by a bound that grows as its edge turns
// horizontal. So the point q - (0, dy - dy0), seen in the unmoved loop, must
// keep a margin far above those errors from every edge, and must not reach
// the height of an edge whose crossing cannot be computed that closely.
double ReverseReach(const Loop& loop, double dx, double dy0, double dyMax, const Vertex& q) {
  const std::vector<Vertex>& v = loop.Vertices();
  const int n = loop.Count();
  if (n < 3) return 0.0;
  double extent = 0.0;
  for (const Vertex& a : v) extent = std::max({extent, std::fabs(a.x + dx), std::fabs(a.y)});
  const double scale = 1.0 + extent + std::fabs(q.x) + std::fabs(q.y) + std::fabs(dy0) + std::fabs(dyMax);
  if (!std::isfinite(scale)) return 0.0;
  const double u = std::numeric_limits<double>::epsilon();
  const double eta = 2 * u * scale;     // a rounded moved vertex
  const double margin = 1e-9 * scale;   // kept from every edge
  const double slack = 1e-12 * scale;   // for this function's own roundings
  const double px = q.x;
  const double py = q.y - dy0;
  double reach = std::numeric_limits<double>::infinity();
  for (int i = 0; i < n; ++i) {
    const Vertex& a0 = v[static_cast<std::size_t>(i)];
    const Vertex& b0 = v[static_cast<std::size_t>(i + 1 == n ? 0 : i + 1)];
    const double ax = a0.x + dx;
    const double bx = b0.x + dx;
    const double ay = a0.y;
    const double by = b0.y;
    const double minX = std::min(ax, bx);
    const double maxX = std::max(ax, bx);
    const double minY = std::min(ay, by);
    const double maxY = std::max(ay, by);
    // Bound on the error of this edge's crossing x; a horizontal edge is
    // never crossed (its ends move alike).
    const double rise = maxY - minY - 4 * eta;
    double error = 0.0;
    if (ay != by) {
      error = rise > 0 ? 16 * u * ((maxX - minX) * 2 * scale / rise + 3 * scale)
                       : std::numeric_limits<double>::infinity();
    }
    const bool accurate = error < margin / 4;
    const double reachOf = accurate ? margin : margin + error;
    if (px < minX - reachOf || px > maxX + reachOf) continue;
    // Keep clear of the edge by the margin.
    const double x1 = std::max(minX, px - margin);
    const double x2 = std::min(maxX, px + margin);
    if (x1 <= x2) {
      double yLo = minY;
      double yHi = maxY;
      const double run = maxX - minX;
      if (run * 1e3 >= maxY - minY && run > 0) {
        const double slope = (by - ay) / (bx - ax);
        const double y1 = ay + (x1 - ax) * slope;
        const double y2 = ay + (x2 - ax) * slope;
        yLo = std::min(y1, y2);
        yHi = std::max(y1, y2);
      }
      yLo -= margin + slack;
      yHi += margin + slack;
      if (!(py < yLo)) {
        if (!(py > yHi)) return 0.0;
        reach = std::min(reach, py - yHi);
      }
    }
    // Never reach the height of an edge whose crossing may be off.
    if (!accurate) {
      const double bandLo = minY - eta - slack;
      const double bandHi = maxY + eta + slack;
      if (!(py < bandLo)) {
        if (!(py > bandHi)) return 0.0;
        reach = std::min(reach, py - bandHi);
      }
    }
  }
  return reach - slack;
}

// How far (in y) the trial may climb while some edge of its outer loop
// (`trial`, where it lies now) still properly crosses an edge of the placed
// part's outer loop `o` by the computed segment test; 0 when no pair shows
// that. Along x nothing moves within a column, and the extent tests along y
// are checked row by row (`pair` receives the pair); the two sign tests of
// each pair are linear in the climb, and kept clear of zero by far more
// than their rounding.
//
// With `fixed`, only the pair given in `pair` is looked at.
double CrossingReach(const LoopView& trial, const LoopView& o, double dyMax, int* pair, bool fixed) {
  double extent = 0.0;
  for (int i = 0; i < trial.n; ++i) {
    const Vertex a = trial.At(i);
    extent = std::max({extent, std::fabs(a.x), std::fabs(a.y)});
  }
  for (int j = 0; j < o.n; ++j) extent = std::max({extent, std::fabs(o.v[j].x), std::fabs(o.v[j].y)});
  const double scale = 1.0 + extent + std::fabs(dyMax);
  if (!std::isfinite(scale)) return 0.0;
  const double u = std::numeric_limits<double>::epsilon();
  double best = 0.0;
  const int iFirst = fixed ? pair[0] : 0;
  const int iEnd = fixed ? pair[0] + 1 : trial.n;
  for (int i = iFirst; i < iEnd; ++i) {
    const Vertex a1 = trial.At(i);
    const Vertex a2 = trial.At(i + 1 == trial.n ? 0 : i + 1);
    if (std::max(a1.x, a2.x) < o.box.minX || std::min(a1.x, a2.x) > o.box.maxX ||
        std::max(a1.y, a2.y) < o.box.minY || std::min(a1.y, a2.y) > o.box.maxY) {
      continue;
    }
    const double dAx = a2.x - a1.x;
    const double dAy = a2.y - a1.y;
    const double errorA = 32 * u * scale * (std::fabs(dAx) + std::fabs(dAy) + scale);
    const int jFirst = fixed ? pair[1] : 0;
    const int jEnd = fixed ? pair[1] + 1 : o.n;
    for (int j = jFirst; j < jEnd; ++j) {
      const Vertex b1 = o.At(j);
      const Vertex b2 = o.At(j + 1 == o.n ? 0 : j + 1);
      if (!SegmentsIntersect(a1, a2, b1, b2)) continue;
      const double dBx = b2.x - b1.x;
      const double dBy = b2.y - b1.y;
      const double errorB = 32 * u * scale * (std::fabs(dBx) + std::fabs(dBy) + scale);
      // Sides of b1, b2 against the trial's edge, and of a1, a2 against the
      // placed edge, as the trial climbs by t: c - t dAx and d + t dBx.
      const double c1 = (b1.y - a1.y) * dAx - (b1.x - a1.x) * dAy;
      const double c2 = (b2.y - a1.y) * dAx - (b2.x - a1.x) * dAy;
      const double d1 = (a1.y - b1.y) * dBx - (a1.x - b1.x) * dBy;
      const double d2 = (a2.y - b1.y) * dBx - (a2.x - b1.x) * dBy;
      if (!((c1 > 0) != (c2 > 0)) || !((d1 > 0) != (d2 > 0))) continue;
      double reach = std::numeric_limits<double>::infinity();
      const auto keep = [&reach](double value, double slope, double error) {
        if (!(std::fabs(value) > 2 * error)) {
          reach = 0.0;
          return;
        }
        if ((value > 0) == (slope > 0) || slope == 0) return;  // moving away from zero
        reach = std::min(reach, (std::fabs(value) - 2 * error) / std::fabs(slope));
      };
      keep(c1, -dAx, errorA);
      keep(c2, -dAx, errorA);
      keep(d1, dBx, errorB);
      keep(d2, dBx, errorB);
      if (reach > best) {
        best = reach;
        pair[0] = i;
        pair[1] = j;
      }
    }
  }
  return best * (1 - 1e-9);
}

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
int BlockedThrough(const Search& s, Worker& w, TrialShape& t, int k, int row, Certificate& cert,
                   int guess) {
  using Kind = Certificate::Kind;
  const bool derive = cert.kind == Kind::kUnknown;
  // Without a certificate of its own making, the row fails all the same.
  const int none = derive ? row : kNone;
  const std::size_t i = derive ? t.Hints().lastBlocker : cert.blocker;
  if (i >= s.obstacles->Size()) return none;
  const Part& source = s.turned[static_cast<std::size_t>(k)];
  const BoundingBox& ob = s.obstacles->EntryBox(i);
  const ShapeView& other = s.obstacles->EntryView(i);
  const BoundingBox& tb = t.OuterBox();
  if (BoxesApart(tb, ob)) return none;
  // No hole may hold the other part, now and further up.
  w.holeLimits.clear();
  const std::vector<Loop>& holes = source.InnerLoops.Loops();
  for (int h = 0; h < t.HoleCount(); ++h) {
    const BoundingBox hb = t.HoleBox(h);
    if (BoxMayHold(hb, ob)) return none;
    if (ob.minX < hb.minX || ob.maxX > hb.maxX || ob.minY < hb.minY) continue;
    w.holeLimits.push_back(holes[static_cast<std::size_t>(h)].Box().maxY);  // ob.maxY > this + dy
  }
  w.obstacleHoleLimits.clear();
  for (int h = 0; h < other.holeCount; ++h) {
    const BoundingBox& gb = other.holes[h].box;
    if (BoxMayHold(gb, tb)) return none;
    if (tb.minX < gb.minX || tb.maxX > gb.maxX || tb.maxY > gb.maxY) continue;
    w.obstacleHoleLimits.push_back(gb.minY);  // source minY + dy < this
  }
  const CandidateGrid& grid = *s.grid;
  const BoundingBox& sb = source.OutLoop.Box();
  const auto boxesHold = [&](double dy) {
    const BoundingBox moved{tb.minX, tb.maxX, sb.minY + dy, sb.maxY + dy};
    if (BoxesApart(moved, ob)) return false;
    for (const double limit : w.holeLimits) {
      if (!(ob.maxY > limit + dy)) return false;
    }
    for (const double limit : w.obstacleHoleLimits) {
      if (!(sb.minY + dy < limit)) return false;
    }
    return true;
  };
  const LoopView& o = other.outer;
  const std::vector<Vertex>& sv = source.OutLoop.Vertices();
  const int sn = source.OutLoop.Count();
  Kind kind = cert.kind;
  int pair[2] = {cert.a, cert.b};
  // The trial's vertex in the placed part: where it lies.
  double px = 0.0;
  double py = 0.0;
  double vy = 0.0;
  // The slab of the ray's line y = py: the next vertex ordinate above, and
  // the side on which each edge crossing the line passes px.
  double above = std::numeric_limits<double>::infinity();
  const auto slabAt = [&] {
    w.slab.clear();
    w.slabSide.clear();
    const auto addEdge = [&](int e) {
      const Vertex a = o.At(e);
      const Vertex b = o.At(e + 1 == o.n ? 0 : e + 1);
      bool beyond = false;
      if (std::fabs(a.x - b.x) < kVerticalEdgeEpsilon) {
        beyond = px < a.x;
      } else {
        beyond = CrossingX(a, b, py) > px;
      }
      w.slab.push_back(e);
      w.slabSide.push_back(beyond ? 1 : 0);
    };
    if (o.index != nullptr && !o.index->Empty()) {
      const auto yOf = [&o](int e) { return o.At(e).y; };
      above = o.index->NextAbove(py, yOf);
      const int* first = nullptr;
      const int* last = nullptr;
      o.index->EdgesAt(py, yOf, &first, &last);
      for (const int* e = first; e != last; ++e) addEdge(*e);
    } else {
      for (int e = 0; e < o.n; ++e) {
        const Vertex a = o.At(e);
        const Vertex b = o.At(e + 1 == o.n ? 0 : e + 1);
        if (a.y > py && a.y < above) above = a.y;
        if ((a.y > py) != (b.y > py)) addEdge(e);
      }
    }
  };
  // Whether the trial's vertex vi lies in the placed part's outer loop. The
  // ray test's crossing edges are those of the slab, so the test builds it.
  const auto ownInside = [&](int vi) {
    if (vi < 0 || vi >= sn) return false;
    const Vertex v = sv[static_cast<std::size_t>(vi)];
    px = v.x + t.Dx();
    py = v.y + t.Dy();
    vy = v.y;
    const BoundingBox& b = o.box;
    if (px < b.minX || px > b.maxX || py < b.minY || py > b.maxY) return false;
    slabAt();
    int beyond = 0;
    for (const unsigned char side : w.slabSide) beyond += side;
    return (beyond & 1) != 0;
  };
  const auto otherInside = [&](int qi) {
    return qi >= 0 && qi < o.n && IsPointInLoop(t.View().outer, o.At(qi));
  };
  const double dyMax = grid.Ys().back() - s.r.y;
  double reach = 0.0;
  if (derive) {
    const int vi = t.Hints().vertices[2 * i];
    const int qi = t.Hints().vertices[2 * i + 1];
    if (ownInside(vi)) {
      kind = Kind::kOwnVertex;
      pair[0] = vi;
    } else if (otherInside(qi)) {
      kind = Kind::kOtherVertex;
      pair[0] = qi;
    } else {
      kind = Kind::kCrossing;
      reach = CrossingReach(t.View().outer, o, dyMax, pair, false);
      if (!(reach > 0.0)) return row;
    }
    cert = Certificate{i, kind, pair[0], pair[1]};
  } else if (kind == Kind::kOwnVertex) {
    if (!ownInside(pair[0])) return kNone;
  } else if (kind == Kind::kOtherVertex) {
    if (!otherInside(pair[0])) return kNone;
  } else {
    const LoopView trial = t.View().outer;
    const int i2 = pair[0] + 1 == trial.n ? 0 : pair[0] + 1;
    const int j2 = pair[1] + 1 == o.n ? 0 : pair[1] + 1;
    if (!SegmentsIntersect(trial.At(pair[0]), trial.At(i2), o.At(pair[1]), o.At(j2))) return kNone;
    reach = CrossingReach(trial, o, dyMax, pair, true);
    if (!(reach > 0.0)) return row;
  }
  Vertex q;  // (the slab of a trial vertex was built by its test above)
  if (kind == Kind::kOtherVertex) {
    q = o.At(pair[0]);
    reach = ReverseReach(source.OutLoop, t.Dx(), t.Dy(), dyMax, q);
    if (!(reach > 0.0)) return row;
  }
  const auto pointHolds = [&](double dy) {
    if (kind == Kind::kCrossing) {
      const double y1 = sv[static_cast<std::size_t>(pair[0])].y + dy;
      const double y2 = sv[static_cast<std::size_t>(pair[0] + 1 == sn ? 0 : pair[0] + 1)].y + dy;
      const Vertex b1 = o.At(pair[1]);
      const Vertex b2 = o.At(pair[1] + 1 == o.n ? 0 : pair[1] + 1);
      return (dy - t.Dy()) < reach && std::min(y1, y2) <= std::max(b1.y, b2.y);
    }
    if (kind == Kind::kOtherVertex) return (dy - t.Dy()) < reach && !(sb.minY + dy > q.y);
    const double y = vy + dy;
    if (!(y <= ob.maxY) || !(y < above)) return false;
    for (std::size_t e = 0; e < w.slab.size(); ++e) {
      const Vertex a = o.At(w.slab[e]);
      const Vertex b = o.At(w.slab[e] + 1 == o.n ? 0 : w.slab[e] + 1);
      if (std::fabs(a.x - b.x) < kVerticalEdgeEpsilon) continue;
      const bool beyond = CrossingX(a, b, y) > px;
      if (beyond != (w.slabSide[e] != 0)) return false;
    }
    return true;
  };
  const auto holdsAt = [&](int j) {
    const double dy = grid.Y(j) - s.r.y;
    return boxesHold(dy) && pointHolds(dy);
  };
  // The conditions hold at `row`, and once false stay false: the answer is
  // the last row lo at which they hold, below hi where they fail.
  const int rows = grid.Rows();
  int lo = row;
  int hi = rows;
  if (guess > lo && guess < hi) {
    if (holdsAt(guess)) {
      lo = guess;
    } else {
      // Gallop down from the guess.
      hi = guess;
      for (int step = 1;; step *= 2) {
        const int j = guess - step;
        if (j <= lo) break;
        if (holdsAt(j)) {
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
      if (!holdsAt(static_cast<int>(j))) {
        hi = static_cast<int>(j);
        break;
      }
      lo = static_cast<int>(j);
    }
  }
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    if (holdsAt(mid)) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// Whether the search of column c may stop: the walk no longer needs it, or
// (for the helper) the walk is abandoned or the caller has finished the
// column itself. Once true, it stays true.
struct Cancel {
  const std::atomic<int>* stop = nullptr;  // the first column not needed
  const std::atomic<unsigned char>* state = nullptr;
  const std::atomic<bool>* abandoned = nullptr;
  bool operator()(int c) const {
    if (c >= stop->load(std::memory_order_relaxed)) return true;
    if (abandoned != nullptr && abandoned->load(std::memory_order_relaxed)) return true;
    return state != nullptr && state->load(std::memory_order_relaxed) != 0;
  }
};

// Whether a hole of the trial (rotation `source` moved by (dx, dy)) or of
// obstacle `entry` may hold the other part, by their boxes. With `anyRow`,
// by their x extents alone, which the row does not change: false then means
// false in every row of the column.
bool HoleMayHold(const Search& s, const Part& source, std::size_t entry, double dx, double dy,
                 bool anyRow = false) {
  const auto holds = [anyRow](const BoundingBox& h, const BoundingBox& l) {
    if (l.minX < h.minX || l.maxX > h.maxX) return false;
    return anyRow || BoxMayHold(h, l);
  };
  const BoundingBox& ob = s.obstacles->EntryBox(entry);
  for (const Loop& hole : source.InnerLoops.Loops()) {
    if (holds(hole.Box().Translated(dx, dy), ob)) return true;
  }
  const ShapeView& other = s.obstacles->EntryView(entry);
  if (other.holeCount == 0) return false;
  const BoundingBox tb = source.OutLoop.Box().Translated(dx, dy);
  for (int h = 0; h < other.holeCount; ++h) {
    if (holds(other.holes[h].box, tb)) return true;
  }
  return false;
}

// Whether a vertex of rotation k's outer loop, moved by (dx, dy), lies
// certainly inside a placed part's outer loop while no hole of either part
// can hold the other: then the trial overlaps the part, and `cert` says so.
bool RasterBlocks(const Search& s, Worker& w, int k, double dx, double dy, Certificate* cert) {
  const Part& source = s.turned[static_cast<std::size_t>(k)];
  const std::vector<Vertex>& v = source.OutLoop.Vertices();
  const int n = source.OutLoop.Count();
  int& start = w.rasterHint[static_cast<std::size_t>(k)];
  for (int m = 0; m < n; ++m) {
    const int i = start + m < n ? start + m : start + m - n;
    const Vertex& a = v[static_cast<std::size_t>(i)];
    const int cell = s.raster->At(a.x + dx, a.y + dy);
    if (cell == 0) continue;
    const int entry = s.entryOf[static_cast<std::size_t>(cell - 1)];
    if (entry < 0 || (s.holes && HoleMayHold(s, source, static_cast<std::size_t>(entry), dx, dy))) {
      continue;
    }
    start = i;
    *cert = Certificate{static_cast<std::size_t>(entry), Certificate::Kind::kOwnVertex, i, 0};
    return true;
  }
  return false;
}

// The last row, from `row` up to `limit`, through which the raster's `hit`
// at `row` holds: its vertex stays in cells of the same part, and no hole
// can hold either part. Rows removed from the column count too. The cell
// row of the vertex never falls as the row rises, so the rows that keep it
// in the part's run of cells above it come first.
int RasterRun(const Search& s, int k, double dx, int row, int limit, const Certificate& hit) {
  const Part& source = s.turned[static_cast<std::size_t>(k)];
  const std::vector<double>& ys = s.grid->Ys();
  const Vertex& a = source.OutLoop.Vertices()[static_cast<std::size_t>(hit.a)];
  const double x = a.x + dx;
  const auto y = [&](int r) { return a.y + (ys[static_cast<std::size_t>(r)] - s.r.y); };
  const int end = std::min(limit, s.grid->Rows() - 1);
  if (s.holes && HoleMayHold(s, source, hit.blocker, dx, 0.0, true)) {
    const int cell = s.raster->At(x, y(row));
    while (row < end && s.raster->At(x, y(row + 1)) == cell &&
           !HoleMayHold(s, source, hit.blocker, dx, ys[static_cast<std::size_t>(row) + 1] - s.r.y)) {
      ++row;
    }
    return row;
  }
  const double below = s.raster->RunTop(x, y(row)) + 1.0;
  const double inverse = s.raster->Inverse();
  const auto holds = [&](int r) { return y(r) * inverse < below; };
  // The rows are evenly spaced: start from where the run's top falls, and
  // step to the exact last row that holds.
  const double guess = row + (below / inverse - y(row)) / s.pitch;
  int r = row;  // also for a NaN guess
  if (guess >= end) {
    r = end;
  } else if (guess > row) {
    r = static_cast<int>(guess);
  }
  while (r > row && !holds(r)) --r;
  while (r < end && holds(r + 1)) ++r;
  return r;
}

// The first row from `from` to `limit` (inclusive) of column c at which
// rotation k fits, or kNone.
int FirstFitRow(const Search& s, Worker& w, int k, int c, int from, int limit, const Cancel& cancel) {
  const CandidateGrid& grid = *s.grid;
  const BoundingBox& sheet = s.job->SheetBox;
  const BoundingBox& b = s.turned[static_cast<std::size_t>(k)].OutLoop.Box();
  const double dx = grid.X(c) - s.r.x;
  // The sheet test along x is the same for the whole column.
  if (!NearOrBelow(b.maxX + dx, sheet.maxX) || !NearOrAbove(b.minX + dx, sheet.minX)) return kNone;
  TrialShape& t = w.trials[static_cast<std::size_t>(k)];
  const std::vector<double>& ys = grid.Ys();
  std::vector<Block>& seen = w.seen[static_cast<std::size_t>(k)];
  std::vector<Block>& seeing = w.seeing;
  seeing.clear();
  std::size_t next = 0;  // the first block seen in the last column not yet passed
  int lastVisit = kNone;  // the row visited last
  // Keeps what this column showed, then what the last one showed further up.
  const auto remember = [&](int result) {
    const int passed = seeing.empty() ? -1 : seeing.back().last;
    for (const Block& block : seen) {
      if (block.first > passed) seeing.push_back(block);
    }
    seen.swap(seeing);
    return result;
  };
  int tests = 0;
  for (int row = grid.NextLive(c, from); row <= limit && row < grid.Rows();) {
    if ((++tests & 63) == 0 && cancel(c)) return remember(kNone);
    const double dy = ys[static_cast<std::size_t>(row)] - s.r.y;
    // Sticking out at the top stays so further up; at the bottom, it ends at
    // the first row high enough.
    if (!NearOrBelow(b.maxY + dy, sheet.maxY)) return remember(kNone);
    if (!NearOrAbove(b.minY + dy, sheet.minY)) {
      const auto low = std::partition_point(ys.begin() + row, ys.end(), [&](double y) {
        return !NearOrAbove(b.minY + (y - s.r.y), sheet.minY);
      });
      row = grid.NextLive(c, static_cast<int>(low - ys.begin()));
      continue;
    }
    ++w.visits;
    while (next < seen.size() && seen[next].last < row) ++next;
    // A vertex certainly inside a placed part settles the row at once, and
    // the rows above while it stays in that part's cells. Rows settled so by
    // the same vertex in the same part make one block, so that the next
    // column knows how long it was. The vertex the last column found in a
    // part here is likely in one again, so it is tried first.
    if (next < seen.size() && seen[next].first <= row &&
        seen[next].certificate.kind == Certificate::Kind::kOwnVertex) {
      w.rasterHint[static_cast<std::size_t>(k)] = seen[next].certificate.a;
    }
    Certificate hit;
    if (s.raster != nullptr && RasterBlocks(s, w, k, dx, dy, &hit)) {
      const int last = RasterRun(s, k, dx, row, limit, hit);
      if (!seeing.empty() && seeing.back().last == lastVisit && seeing.back().certificate == hit) {
        seeing.back().last = last;
      } else {
        seeing.push_back(Block{hit, row, last});
      }
      lastVisit = last;
      ++w.settled;
      row = grid.NextLive(c, last + 1);
      continue;
    }
    lastVisit = row;
    t.MoveTo(dx, dy);
    int last = kNone;
    Certificate cert;
    if (next < seen.size()) {
      cert = seen[next].certificate;
      last = BlockedThrough(s, w, t, k, row, cert, seen[next].last);
    }
    if (last == kNone) {
      if (s.obstacles->TrialFits(*s.job, t)) return remember(row);
      cert = Certificate{};
      last = BlockedThrough(s, w, t, k, row, cert, kNone);
    }
    if (cert.kind != Certificate::Kind::kUnknown) seeing.push_back(Block{cert, row, last});
    row = grid.NextLive(c, last + 1);
  }
  return remember(kNone);
}

// Rows of the first fit of each of the given rotations in one column (kNone
// where there is none, or where the rotation need not be searched).
//
// The walk's rule reads a column as a list of (row, rotation) events in row
// order: before any fit, the first event is the first fit; after it, an
// event wins when its centroid x is below the best so far. So only each
// rotation's first fit in the column matters, rotations whose centroid x
// cannot beat `bound` (once a fit is known) need no search, and a rotation
// need not be searched beyond the first fit of a rotation whose centroid x
// is no greater than its own.
void SearchColumn(const Search& s, Worker& w, int c, const std::vector<int>& rotations, bool anyFit,
                  double bound, const Cancel& cancel, int* rows) {
  for (const int k : rotations) rows[k] = kNone;
  if (s.grid->ColumnEmpty(c)) return;
  std::vector<int>& order = w.order;
  order = rotations;
  const auto cx = [&](int k) { return s.CentroidX(c, k); };
  // Ascending centroid x, NaN last; equal ones keep their order. For the
  // usual few rotations an insertion sort, which needs no buffer.
  const auto before = [&](int a, int b) {
    const double xa = cx(a);
    const double xb = cx(b);
    if (std::isnan(xa) || std::isnan(xb)) return !std::isnan(xa) && std::isnan(xb);
    return xa < xb;
  };
  if (order.size() > 16) {
    std::stable_sort(order.begin(), order.end(), before);
  } else {
    for (std::size_t i = 1; i < order.size(); ++i) {
      const int k = order[i];
      std::size_t j = i;
      for (; j > 0 && before(k, order[j - 1]); --j) order[j] = order[j - 1];
      order[j] = k;
    }
  }
  const int from = s.StartRow(c);
  int limitAll = std::numeric_limits<int>::max();      // first fit of any rotation
  int limitNumber = std::numeric_limits<int>::max();   // of one with a numeric centroid x
  for (const int k : order) {
    if (cancel(c)) return;
    const double x = cx(k);
    int limit = limitNumber;
    if (std::isnan(x)) {
      if (anyFit) continue;  // it can only be a first fit
      limit = limitAll;
    } else if (anyFit && !(x < bound)) {
      continue;
    }
    const int row = FirstFitRow(s, w, k, c, from, limit, cancel);
    rows[k] = row;
    if (row == kNone) continue;
    limitAll = std::min(limitAll, row);
    if (!std::isnan(x)) limitNumber = std::min(limitNumber, row);
  }
}

// The walk over the columns, shared by the threads. The rotations are dealt
// into lanes, one per thread. Each lane's columns are handed out in
// ascending order, mostly to the thread whose lane it is, so that a thread's
// memory of the last column it searched stays of use; a thread out of
// columns of its own takes the next ones of the other lane. A column is
// searched knowing only the fits of earlier columns, which is all the
// single walk would know there, and the results are replayed in column
// order by the walk's rule, so the choice never depends on the threads.
class LaneWalk {
 public:
  // How many columns a lane may run ahead of the other lane's finished ones.
  static constexpr int kLaneLead = 4;

  LaneWalk(const Search& s, int first, int lanes, int threads)
      : s_(s), first_(first), count_(std::max(0, s.grid->Columns() - first)), lanes_(lanes) {
    for (int l = 0; l < lanes_; ++l) {
      Lane& lane = lane_[l];
      for (int k = l; k < s.rn; k += lanes_) lane.rotations.push_back(k);
      lane.next.store(first_);
      lane.stop.store(first_ + count_);
      lane.state = std::make_unique<std::atomic<unsigned char>[]>(static_cast<std::size_t>(count_));
    }
    // Every entry is written before it is read.
    const std::size_t cells = static_cast<std::size_t>(count_) * static_cast<std::size_t>(lanes_);
    for (int t = 0; t < threads; ++t) {
      Own& own = own_[t];
      own.rows = std::make_unique_for_overwrite<int[]>(static_cast<std::size_t>(count_) * static_cast<std::size_t>(s.rn));
      own.fitAny = std::make_unique_for_overwrite<bool[]>(cells);
      own.fitMin = std::make_unique_for_overwrite<double[]>(cells);
      own.prefixAny = std::make_unique_for_overwrite<bool[]>(cells);
      own.prefixMin = std::make_unique_for_overwrite<double[]>(cells);
    }
  }

  // Searches columns until no lane has any left. Thread 0 is the caller.
  void Work(Worker& w, int thread) {
    const auto open = [](const Lane& lane) {
      return lane.next.load(std::memory_order_relaxed) < lane.stop.load(std::memory_order_relaxed);
    };
    for (;;) {
      Lane* lane = nullptr;
      for (int i = 0; i < lanes_ && lane == nullptr; ++i) {
        Lane& candidate = lane_[(thread + i) % lanes_];
        if (open(candidate)) lane = &candidate;
      }
      if (lane == nullptr) return;
      // A lane must not run far ahead of what is known of the other: beyond
      // that it would search columns the other's fits may rule out. Its
      // thread helps the other lane instead.
      if (lanes_ == 2 && lane == &lane_[thread % 2]) {
        const int other = 1 - thread % 2;
        if (open(lane_[other]) &&
            lane->next.load(std::memory_order_relaxed) - first_ > own_[thread].read[other] + kLaneLead) {
          lane = &lane_[other];
        }
      }
      const int c = lane->next.fetch_add(1, std::memory_order_relaxed);
      if (c >= lane->stop.load(std::memory_order_relaxed)) continue;
      if (thread != 0 && abandoned_.load(std::memory_order_relaxed)) return;
      SearchAt(w, thread, *lane, c);
    }
  }

  // By the caller after its Work, when a helper took part: searches the
  // columns the helper took and has not finished, so that the caller never
  // waits for a helper that is not running.
  void Recover(Worker& w) {
    for (int l = 0; l < lanes_; ++l) {
      Lane& lane = lane_[l];
      for (int c = first_; c < lane.stop.load(std::memory_order_relaxed); ++c) {
        if (lane.state[c - first_].load(std::memory_order_acquire) == 0) SearchAt(w, 0, lane, c);
      }
    }
    abandoned_.store(true);
  }

  [[nodiscard]] int Lanes() const { return lanes_; }
  // Columns whose results are the thread's.
  [[nodiscard]] int Finished(int thread) const { return own_[thread].finished; }

  // The walk's choice: the columns' fits replayed in order by its rule.
  [[nodiscard]] PlacementChoice Result() const {
    bool found = false;
    int firstC = 0;
    int firstRow = 0;
    int bestC = 0;
    int bestRow = 0;
    int bestK = 0;
    double bestX = 0.0;
    std::vector<std::pair<int, int>> events;
    int end = first_;
    for (int l = 0; l < lanes_; ++l) end = std::max(end, lane_[l].stop.load());
    for (int c = first_; c < end; ++c) {
      const double columnX = s_.grid->X(c);
      if (found && columnX - s_.d > bestX) break;
      events.clear();
      for (int l = 0; l < lanes_; ++l) {
        const Lane& lane = lane_[l];
        if (c >= lane.stop.load()) continue;
        const int* rows = RowsOf(lane.state[c - first_].load(std::memory_order_acquire) - 1, c);
        for (const int k : lane.rotations) {
          if (rows[k] != kNone) events.emplace_back(rows[k], k);
        }
      }
      std::sort(events.begin(), events.end());
      int checkedRow = kNone;
      bool stopped = false;
      for (const auto& [row, k] : events) {
        const double x = s_.CentroidX(c, k);
        if (!found) {
          found = true;
          firstC = bestC = c;
          firstRow = bestRow = row;
          bestK = k;
          bestX = x;
          checkedRow = kNone;
        }
        // Every point the walk visits after the first fit checks its bound
        // first; the points of a column share x.
        if (row != checkedRow) {
          if (columnX - s_.d > bestX) {
            stopped = true;
            break;
          }
          checkedRow = row;
        }
        if (x < bestX) {
          bestC = c;
          bestRow = row;
          bestK = k;
          bestX = x;
        }
      }
      if (stopped) break;
    }
    PlacementChoice choice;
    if (!found) return choice;
    choice.found = true;
    choice.firstFit = Vertex{s_.grid->X(firstC), s_.grid->Y(firstRow)};
    choice.point = Vertex{s_.grid->X(bestC), s_.grid->Y(bestRow)};
    choice.rotation = bestK;
    return choice;
  }

 private:
  struct alignas(64) Lane {
    std::vector<int> rotations;
    std::atomic<int> next{0};  // the next column to hand out
    std::atomic<int> stop{0};  // the first column not needed
    // Per column: 0 until finished, then 1 + the thread that finished it.
    std::unique_ptr<std::atomic<unsigned char>[]> state;
  };
  // What one thread writes: its columns' results, and what it has read of
  // the finished columns (per lane, over the columns up to each one).
  struct alignas(64) Own {
    std::unique_ptr<int[]> rows;  // per column, per rotation
    std::unique_ptr<bool[]> fitAny;  // per lane and column: a fit was found
    std::unique_ptr<double[]> fitMin;  // and the least centroid x found
    std::unique_ptr<bool[]> prefixAny;
    std::unique_ptr<double[]> prefixMin;
    int read[2] = {0, 0};  // per lane: columns read, from the first
    int finished = 0;  // columns whose results are this thread's
  };

  [[nodiscard]] int* RowsOf(int thread, int c) const {
    return own_[thread].rows.get() + static_cast<std::size_t>(c - first_) * static_cast<std::size_t>(s_.rn);
  }
  [[nodiscard]] std::size_t Cell(int lane, int c) const {
    return static_cast<std::size_t>(lane) * static_cast<std::size_t>(count_) + static_cast<std::size_t>(c - first_);
  }

  // What the finished columns before c tell: whether a fit was found, and
  // the least centroid x of the fits.
  void Known(int thread, int c, bool* anyFit, double* bound) {
    Own& own = own_[thread];
    *anyFit = false;
    *bound = std::numeric_limits<double>::infinity();
    for (int l = 0; l < lanes_; ++l) {
      const Lane& lane = lane_[l];
      int& read = own.read[l];
      while (first_ + read < c) {
        const int winner = lane.state[read].load(std::memory_order_acquire);
        if (winner == 0) break;
        const std::size_t cell = Cell(l, first_ + read);
        const Own& by = own_[winner - 1];
        const bool before = read > 0 && own.prefixAny[cell - 1];
        const double low = read > 0 ? own.prefixMin[cell - 1] : std::numeric_limits<double>::infinity();
        own.prefixAny[cell] = before || by.fitAny[cell];
        own.prefixMin[cell] = by.fitMin[cell] < low ? by.fitMin[cell] : low;
        ++read;
      }
      const int upTo = std::min(read, c - first_);  // columns known before c
      if (upTo == 0) continue;
      const std::size_t cell = Cell(l, first_ + upTo - 1);
      *anyFit = *anyFit || own.prefixAny[cell];
      if (own.prefixMin[cell] < *bound) *bound = own.prefixMin[cell];
    }
  }

  // Whether a rotation of the lane can still win in column c or beyond
  // against a best centroid x of at most `bound` found before c: the walk
  // ends where a point's x, less the reach of the centroid, exceeds the
  // best, and no rotation wins unless its centroid x is below it (both only
  // grow with the column).
  [[nodiscard]] bool CanImprove(const Lane& lane, int c, double bound) const {
    if (s_.grid->X(c) - s_.d > bound) return false;
    for (const int k : lane.rotations) {
      if (s_.CentroidX(c, k) < bound) return true;
    }
    return false;
  }

  void SearchAt(Worker& w, int thread, Lane& lane, int c) {
    const int l = static_cast<int>(&lane - lane_);
    bool anyFit = false;
    double bound = 0.0;
    Known(thread, c, &anyFit, &bound);
    if (anyFit && !CanImprove(lane, c, bound)) {
      int stop = lane.stop.load();
      while (c < stop && !lane.stop.compare_exchange_weak(stop, c)) {
      }
      return;
    }
    std::atomic<unsigned char>& state = lane.state[c - first_];
    const Cancel cancel{&lane.stop, thread == 0 ? nullptr : &state, thread == 0 ? nullptr : &abandoned_};
    int* rows = RowsOf(thread, c);
    SearchColumn(s_, w, c, lane.rotations, anyFit, bound, cancel, rows);
    if (cancel(c)) return;
    bool any = false;
    double low = std::numeric_limits<double>::infinity();
    for (const int k : lane.rotations) {
      if (rows[k] == kNone) continue;
      any = true;
      const double x = s_.CentroidX(c, k);
      if (x < low) low = x;
    }
    Own& own = own_[thread];
    own.fitAny[Cell(l, c)] = any;
    own.fitMin[Cell(l, c)] = low;
    unsigned char expected = 0;
    if (state.compare_exchange_strong(expected, static_cast<unsigned char>(thread + 1), std::memory_order_acq_rel)) {
      ++own.finished;
    }
  }

  const Search& s_;
  const int first_;
  const int count_;
  const int lanes_;
  Lane lane_[2];
  Own own_[2];
  std::atomic<bool> abandoned_{false};
};

// `index` indexes the part and stays valid through the slide, which only
// translates it.
void Slide(PackJob& job, Part& part, bool left, const Obstacles& obstacles, PartIndex& index) {
  const BoundingBox& box = part.Box;
  const double w = box.maxX - box.minX;
  const double h = box.maxY - box.minY;
  const double m = (w < h) ? w : h;
  const double s = (m * 0.25 <= job.PPD) ? m * 0.25 : job.PPD;
  // A part without width or height has no step to slide by.
  if (!(s > 0.0) || !std::isfinite(s)) return;
  double sx = left ? -s : 0.0;
  double sy = left ? 0.0 : -s;
  while (true) {
    part.Translate(sx, sy);
    long long moves = 1;
    while (obstacles.PartFits(job, part, index) && moves < kMaxSlideMovesPerPass) {
      const BoundingBox before = part.Box;
      part.Translate(sx, sy);
      ++moves;
      // A step below the coordinates' resolution moves nothing; the pass
      // would never end.
      if (part.Box == before) break;
    }
    part.Translate(-sx, -sy);
    if (std::fabs(sx) < kMinSlideStep && std::fabs(sy) < kMinSlideStep) break;
    sx = sx / 2;
    sy = sy / 2;
  }
}

}  // namespace

void SetPlacementThreads(int threads, bool everySearch) {
  gThreads.store(threads >= 2 ? 2 : 1);
  gEverySearch.store(everySearch);
}
int PlacementThreads() { return gThreads.load(); }

// What the searches of one engine reuse from one part to the next.
struct PlacementEngine::Scratch {
  Worker caller;
  Worker helper;
  std::unordered_map<const Part*, int> rasterIndex;  // of the raster's parts
  std::vector<const Part*> unrastered;  // placed parts not in the raster yet
};

PlacementEngine::PlacementEngine()
    : placed_(std::make_unique<PlacedIndexes>()),
      obstacles_(std::make_unique<Obstacles>()),
      raster_(std::make_unique<InsideRaster>()),
      scratch_(std::make_unique<Scratch>()) {}
PlacementEngine::~PlacementEngine() = default;

void PlacementEngine::Start() {
  placed_->Clear();
  scratch_->rasterIndex.clear();
  scratch_->unrastered.clear();
  lastWork_ = 0;
  lastColumns_ = 0;
  rasterReady_ = false;
  obstaclesOf_ = nullptr;
}

PlacementChoice PlacementEngine::Find(const PackJob& job, Part& part) {
  const CandidateGrid& grid = job.CandidatePoints;
  if (job.RN <= 0 || grid.Columns() == 0 || grid.Rows() == 0) return PlacementChoice{};
  Search s;
  s.job = &job;
  s.grid = &grid;
  s.rn = job.RN;
  s.r = part.FindReferenceVertex();
  const Vertex g = part.Centroid;
  s.d = s.r.DistanceTo(g);
  const double delta = 2 * Pi() / job.RN;
  s.turned.reserve(static_cast<std::size_t>(job.RN));
  s.centroids.reserve(static_cast<std::size_t>(job.RN));
  for (int k = 0; k < job.RN; ++k) {
    s.turned.push_back(part.Copy());
    s.centroids.push_back(g);
    if (k >= 1) {
      s.turned.back().Rotate(s.r, k * delta);
      s.centroids.back().RotateAbout(s.r, k * delta);
    }
  }
  obstacles_->Build(job, part, placed_.get());
  obstaclesOf_ = &part;
  s.obstacles = obstacles_.get();
  // The raster is brought up to date when a search needs it.
  if (!rasterReady_) {
    raster_->Reset(job.SheetLength, job.SheetWidth, job.PPD / 2);
    rasterReady_ = true;
  }
  for (const Part* placed : scratch_->unrastered) {
    const int index = raster_->Add(*placed);
    if (index >= 0) scratch_->rasterIndex[placed] = index;
  }
  scratch_->unrastered.clear();
  if (!raster_->Empty()) {
    s.raster = raster_.get();
    s.entryOf.assign(raster_->Parts().size(), -1);
    s.holes = !part.InnerLoops.Loops().empty();
    for (std::size_t e = 0; e < s.obstacles->Size(); ++e) {
      const Part& member = s.obstacles->EntryPart(e);
      const auto it = scratch_->rasterIndex.find(&member);
      if (it != scratch_->rasterIndex.end() && member.ID != part.ID) {
        s.entryOf[static_cast<std::size_t>(it->second)] = static_cast<int>(e);
      }
      s.holes = s.holes || s.obstacles->EntryView(e).holeCount > 0;
    }
    const std::vector<double>& rows = grid.Ys();
    s.pitch = (rows.back() - rows.front()) / static_cast<double>(rows.size() - 1);
  }
  s.s = job.TypeSlots[static_cast<std::size_t>(job.SlotOfId[static_cast<std::size_t>(part.ID)])]
            .LastPosition;
  const std::vector<double>& ys = grid.Ys();
  s.sRow = static_cast<int>(
      std::partition_point(ys.begin(), ys.end(), [&s](double y) { return y < s.s.y; }) - ys.begin());
  const std::vector<double>& xs = grid.Xs();
  const int firstColumn = static_cast<int>(
      std::partition_point(xs.begin(), xs.end(), [&s](double x) { return x < s.s.x; }) - xs.begin());

  // The helper is worth waking only for a search about as long as the last
  // one of the layout was; shorter ones take about what waking it costs.
  const bool every = gEverySearch.load(std::memory_order_relaxed);
  const bool worth = lastWork_ >= kShareFrom && lastWork_ >= kShareRowsPerColumn * lastColumns_;
  const int threads = PlacementThreads() >= 2 && (every || (worth && !Helper::Get().Resting())) ? 2 : 1;
  LaneWalk walk(s, firstColumn, threads >= 2 && s.rn >= 2 ? 2 : 1, threads);
  Worker& w = scratch_->caller;
  Worker& helper = scratch_->helper;
  w.Start(s.turned);
  helper.Start({});
  if (threads >= 2) {
    const std::function<void()> work = [&] {
      helper.Start(s.turned);
      walk.Work(helper, 1);
    };
    const bool offered = Helper::Get().Offer(work);
    walk.Work(w, 0);
    if (offered) {
      walk.Recover(w);
      Helper::Get().Withdraw();
      Helper::Get().Record(walk.Finished(1), walk.Finished(0) + walk.Finished(1));
    }
  } else {
    walk.Work(w, 0);
  }
  lastWork_ = w.visits - w.settled + helper.visits - helper.settled;
  lastColumns_ = (walk.Finished(0) + (threads >= 2 ? walk.Finished(1) : 0)) / walk.Lanes();
  PlacementChoice choice = walk.Result();
  choice.reference = s.r;
  return choice;
}

void PlacementEngine::Commit(PackJob& job, Part& part, const PlacementChoice& choice) {
  if (!choice.found) return;
  job.TypeSlots[static_cast<std::size_t>(job.SlotOfId[static_cast<std::size_t>(part.ID)])]
      .LastPosition = choice.firstFit;
  const Vertex r = choice.reference;
  const double delta = 2 * Pi() / job.RN;
  part.Translate(choice.point.x - r.x, choice.point.y - r.y);
  part.Rotate(choice.point, choice.rotation * delta);
  if (obstaclesOf_ != &part) obstacles_->Build(job, part, placed_.get());
  obstaclesOf_ = nullptr;
  const Obstacles& obstacles = *obstacles_;
  auto index = std::make_unique<PartIndex>();
  index->Build(part);
  Slide(job, part, true, obstacles, *index);
  Slide(job, part, false, obstacles, *index);
  RemoveCovered(job.CandidatePoints, part);
  scratch_->unrastered.push_back(&part);
  placed_->Keep(part, std::move(index));
}

void PlacePart(PackJob& job, Part& part) {
  PlacementEngine engine;
  engine.Place(job, part);
}

namespace {

// A slide outside a placement: the obstacles and the part's index are made
// for it alone.
void SlideAlone(PackJob& job, Part& part, bool left) {
  Obstacles obstacles;
  obstacles.Build(job, part);
  PartIndex index;
  index.Build(part);
  Slide(job, part, left, obstacles, index);
}

}  // namespace

void SlideLeft(PackJob& job, Part& part) { SlideAlone(job, part, true); }
void SlideDown(PackJob& job, Part& part) { SlideAlone(job, part, false); }

}  // namespace nest
