#include "placement/Placement.hpp"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include "placement/ColumnWalk.hpp"
#include "placement/InsideRaster.hpp"
#include "placement/Obstacles.hpp"
#include "placement/PartSearch.hpp"

namespace nest {

// What the searches of one engine reuse from one part to the next.
struct PlacementEngine::Scratch {
  Worker worker;
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
  rasterReady_ = false;
  obstaclesOf_ = nullptr;
}

PlacementChoice PlacementEngine::Find(const PackJob& job, Part& part) {
  const CandidateGrid& grid = job.CandidatePoints;
  if (job.RN <= 0 || grid.Columns() == 0 || grid.Rows() == 0) return PlacementChoice{};
  PartSearch s;
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

  Worker& w = scratch_->worker;
  w.Start(s.turned);
  PlacementChoice choice = WalkColumns(s, w, firstColumn);
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
  RemoveCoveredPoints(job, part);
  scratch_->unrastered.push_back(&part);
  placed_->Keep(part, std::move(index));
}

void PlacePart(PackJob& job, Part& part) {
  PlacementEngine engine;
  engine.Place(job, part);
}

}  // namespace nest
