#include "placement/Placement.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
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
    while (obstacles.PartFits(job, part, &index) && moves < kMaxSlideMovesPerPass) {
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
        if (points.IsLive(i) && index.IsPointInMaterial(part, slots[i])) points.Remove(i);
      }
    }
    return;
  }
  // Points left of the outer loop's box are outside the material.
  for (std::size_t i = FirstWithXAtLeast(points, part.OutLoop.Box().minX); i != VertexList::kEnd;
       i = points.Next(i)) {
    const Vertex& p = points.At(i);
    if (p.x > maxX) break;
    if (index.IsPointInMaterial(part, p)) points.Remove(i);
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

void PlacePart(PackJob& job, Part& part) { PlacePart(job, part, nullptr); }

void PlacePart(PackJob& job, Part& part, PlacedIndexes* placed) {
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
      if (obstacles.TrialFits(job, trials[k])) {
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
      if (obstacles.TrialFits(job, trials[k])) {
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
