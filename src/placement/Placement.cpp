#include "placement/Placement.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "placement/Collision.hpp"

namespace nest {

namespace {

// First position whose x is not below `x`: the list's x never decreases, so
// every entry before it has a smaller x.
std::size_t FirstWithXAtLeast(const VertexList& points, double x) {
  const std::vector<Vertex>& slots = points.Slots();
  auto it =
      std::partition_point(slots.begin(), slots.end(), [x](const Vertex& v) { return v.x < x; });
  return points.FirstFrom(static_cast<std::size_t>(it - slots.begin()));
}

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

void RemoveCovered(PackJob& job, const Part& part, PartIndex& index) {
  VertexList& points = job.CandidatePoints;
  const double maxX = part.Box.maxX;
  const BoundingBox& box = part.OutLoop.Box();
  const ShapeView& shape = index.View(part);
  // Points outside the outer loop's box are outside the material. On a grid,
  // each column is searched for the rows within the box's y range.
  if (const std::size_t rows = points.ColumnSize(); rows > 0) {
    const std::vector<Vertex>& slots = points.Slots();
    auto column = std::partition_point(slots.begin(), slots.end(),
                                       [&box](const Vertex& v) { return v.x < box.minX; });
    std::size_t start = static_cast<std::size_t>(column - slots.begin()) / rows * rows;
    for (; start < slots.size(); start += rows) {
      if (slots[start].x > maxX) break;
      if (slots[start].x < box.minX) continue;
      const auto first = slots.begin() + static_cast<std::ptrdiff_t>(start);
      auto row = std::partition_point(first, first + static_cast<std::ptrdiff_t>(rows),
                                      [&box](const Vertex& v) { return v.y < box.minY; });
      for (std::size_t i = static_cast<std::size_t>(row - slots.begin()); i < start + rows; ++i) {
        if (slots[i].y > box.maxY) break;
        if (points.IsLive(i) && IsPointInMaterial(shape, slots[i])) points.Remove(i);
      }
    }
    return;
  }
  // Points left of the outer loop's box are outside the material.
  for (std::size_t i = FirstWithXAtLeast(points, part.OutLoop.Box().minX); i != VertexList::kEnd;
       i = points.Next(i)) {
    const Vertex& p = points.At(i);
    if (p.x > maxX) break;
    if (IsPointInMaterial(shape, p)) points.Remove(i);
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
  std::vector<Vertex> points;
  points.reserve(static_cast<std::size_t>(nx + 1) * static_cast<std::size_t>(ny + 1));
  for (int i = 0; i <= nx; ++i) {
    const double x = (i * job.SheetLength) / nx;
    for (int j = 0; j <= ny; ++j) {
      const double y = (j * job.SheetWidth) / ny;
      points.push_back(Vertex{x, y});
    }
  }
  job.CandidatePoints.Assign(std::move(points), static_cast<std::size_t>(ny) + 1);
}

void RemoveCoveredPoints(PackJob& job, const Part& part) {
  PartIndex index;
  index.Build(part);
  RemoveCovered(job, part, index);
}

namespace {

// Whether two parts make the same trial positions: the same vertices and
// stored boxes, bit for bit, hole by hole.
bool SameBits(const void* a, const void* b, std::size_t bytes) {
  return bytes == 0 || std::memcmp(a, b, bytes) == 0;
}

bool SameLoop(const Loop& a, const Loop& b) {
  return a.Count() == b.Count() &&
         SameBits(a.Vertices().data(), b.Vertices().data(), a.Vertices().size() * sizeof(Vertex)) &&
         SameBits(&a.Box(), &b.Box(), sizeof(BoundingBox));
}

bool SameGeometry(const Part& a, const Part& b) {
  if (!SameLoop(a.OutLoop, b.OutLoop) || !SameBits(&a.Box, &b.Box, sizeof(BoundingBox))) {
    return false;
  }
  const std::vector<Loop>& ha = a.InnerLoops.Loops();
  const std::vector<Loop>& hb = b.InnerLoops.Loops();
  if (ha.size() != hb.size()) return false;
  for (std::size_t h = 0; h < ha.size(); ++h) {
    if (!SameLoop(ha[h], hb[h])) return false;
  }
  return true;
}

}  // namespace

LayoutMemory::LayoutMemory() : indexes_(std::make_unique<PlacedIndexes>()) {}
LayoutMemory::~LayoutMemory() = default;

void LayoutMemory::Start(const PackJob& job) {
  indexes_->Clear();
  groupOf_.clear();
  rejected_.clear();
  bits_ = job.CandidatePoints.Slots().size() * static_cast<std::size_t>(std::max(job.RN, 0));
  // With one rotation, a later trial position of a part never has its
  // centroid further left than its first fit, so a placement tests each
  // position once and leaves nothing for the next copy to reuse.
  if (job.RN < 2) return;
  std::vector<const Part*> firsts;  // one part per group
  std::vector<std::size_t> sizes;
  // Candidate groups by a hash of the outer loop's bits, so that a job of
  // many different parts is not compared pair by pair.
  std::unordered_map<std::size_t, std::vector<std::size_t>> byHash;
  for (const Part& part : job.Parts) {
    const std::vector<Vertex>& v = part.OutLoop.Vertices();
    const std::size_t hash = std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(Vertex)));
    std::vector<std::size_t>& candidates = byHash[hash];
    std::size_t group = firsts.size();
    for (const std::size_t g : candidates) {
      if (SameGeometry(*firsts[g], part)) {
        group = g;
        break;
      }
    }
    if (group == firsts.size()) {
      firsts.push_back(&part);
      sizes.push_back(0);
      candidates.push_back(group);
    }
    ++sizes[group];
    groupOf_[&part] = group;
  }
  // A part alike to no other has nobody to pass its findings on to.
  for (auto it = groupOf_.begin(); it != groupOf_.end();) {
    it = sizes[it->second] < 2 ? groupOf_.erase(it) : std::next(it);
  }
  rejected_.resize(firsts.size());
}

std::vector<std::uint64_t>* LayoutMemory::RejectedFor(const Part& part) {
  const auto it = groupOf_.find(&part);
  if (it == groupOf_.end()) return nullptr;
  std::vector<std::uint64_t>& bits = rejected_[it->second];
  if (bits.empty()) bits.assign((bits_ + 63) / 64, 0);
  return &bits;
}

void PlacePart(PackJob& job, Part& part) { PlacePart(job, part, nullptr); }

void PlacePart(PackJob& job, Part& part, LayoutMemory* memory) {
  PlacedIndexes* placed = memory != nullptr ? &memory->Indexes() : nullptr;
  std::vector<std::uint64_t>* rejected = memory != nullptr ? memory->RejectedFor(part) : nullptr;
  const std::size_t rn = static_cast<std::size_t>(job.RN);
  // Tests a trial position, or answers from what the layout already knows.
  const auto fits = [&](TrialShape& trial, std::size_t point, int k, const Obstacles& obstacles) {
    const std::size_t bit = point * rn + static_cast<std::size_t>(k);
    if (rejected != nullptr && ((*rejected)[bit / 64] >> (bit % 64) & 1u) != 0) return false;
    if (obstacles.TrialFits(job, trial)) return true;
    if (rejected != nullptr) (*rejected)[bit / 64] |= std::uint64_t{1} << (bit % 64);
    return false;
  };
  const Vertex r = part.FindReferenceVertex();
  const Vertex g = part.Centroid;
  const double d = r.DistanceTo(g);
  const double delta = 2 * Pi() / job.RN;

  std::vector<Part> turned;
  std::vector<Vertex> centroids;
  turned.reserve(job.RN);
  centroids.reserve(job.RN);
  for (int k = 0; k < job.RN; ++k) {
    turned.push_back(part.Copy());
    centroids.push_back(g);
    if (k >= 1) {
      turned[k].Rotate(r, k * delta);
      centroids[k].RotateAbout(r, k * delta);
    }
  }
  std::vector<TrialShape> trials(job.RN);
  for (int k = 0; k < job.RN; ++k) trials[k].Prepare(turned[k]);
  Obstacles obstacles;
  obstacles.Build(job, part, placed);

  PartTypeSlot& slot = job.TypeSlots[job.SlotOfId[part.ID]];
  const Vertex s = slot.LastPosition;
  VertexList& points = job.CandidatePoints;

  // First fit, from the last first-fit point of this part type on.
  std::size_t first = VertexList::kEnd;
  Vertex best;
  int bestK = 0;
  double bestX = 0.0;
  for (std::size_t i = FirstWithXAtLeast(points, s.x);
       i != VertexList::kEnd && first == VertexList::kEnd; i = points.Next(i)) {
    const Vertex& v = points.At(i);
    if (v.x < s.x || (v.x == s.x && v.y < s.y)) continue;
    const double dx = v.x - r.x;
    const double dy = v.y - r.y;
    for (int k = 0; k < job.RN; ++k) {
      trials[k].MoveTo(dx, dy);
      if (fits(trials[k], i, k, obstacles)) {
        first = i;
        best = v;
        bestK = k;
        bestX = dx + centroids[k].x;
        slot.LastPosition = v;
        break;
      }
    }
  }
  if (first == VertexList::kEnd) return;

  // Improvement: a later point wins only with a centroid further left. With
  // its reference vertex on v, a part's centroid lies at distance d from v,
  // so no point beyond bestX + d can win.
  for (std::size_t i = first; i != VertexList::kEnd; i = points.Next(i)) {
    const Vertex& v = points.At(i);
    if (v.x - d > bestX) break;
    const double dx = v.x - r.x;
    const double dy = v.y - r.y;
    for (int k = 0; k < job.RN; ++k) {
      if (!(dx + centroids[k].x < bestX)) continue;
      trials[k].MoveTo(dx, dy);
      if (fits(trials[k], i, k, obstacles)) {
        best = v;
        bestK = k;
        bestX = dx + centroids[k].x;
      }
    }
  }

  part.Translate(best.x - r.x, best.y - r.y);
  part.Rotate(best, bestK * delta);
  auto index = std::make_unique<PartIndex>();
  index->Build(part);
  Slide(job, part, true, obstacles, *index);
  Slide(job, part, false, obstacles, *index);
  RemoveCovered(job, part, *index);
  if (placed != nullptr) placed->Keep(part, std::move(index));
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
