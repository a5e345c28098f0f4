#include "placement/Evaluation.hpp"

#include <vector>

#include "app/StopSignals.hpp"
#include "placement/Collision.hpp"
#include "placement/Placement.hpp"
#include "placement/ThreadScratch.hpp"

namespace nest {

void ResetLayout(PackJob& job) {
  BuildCandidateGrid(job);
  for (const Part& member : job.Parts) RemoveCoveredPoints(job, member);
}

namespace {

double Evaluate(PackJob& job, const IDSequence& sequence, const std::atomic<bool>* abandon) {
  ResetLayout(job);
  for (PartTypeSlot& slot : job.TypeSlots) slot.LastPosition = Vertex{0.0, 0.0};
  std::vector<Part*> byId(job.PartCount, nullptr);
  for (Part& member : job.Parts) {
    if (member.ID >= 0 && member.ID < job.PartCount && byId[member.ID] == nullptr) {
      byId[member.ID] = &member;
    }
  }
  // Each thread keeps one engine, so that its raster and scratch storage
  // serve every layout instead of being made anew for each.
  PlacementEngine& engine = ThreadScratch<PlacementEngine>();
  engine.Start();
  for (int j = 0; j < job.PartCount; ++j) {
    StopIfSignalledTwice();
    if (abandon != nullptr && abandon->load(std::memory_order_relaxed)) return 0.0;
    const int id = sequence.ids[j];
    if (id >= 0 && id < job.PartCount && byId[id] != nullptr) engine.Place(job, *byId[id]);
  }
  return LayoutEfficiency(job);
}

}  // namespace

double EvaluateSequence(PackJob& job, const IDSequence& sequence) {
  return Evaluate(job, sequence, nullptr);
}

double EvaluateSequenceUnless(PackJob& job, const IDSequence& sequence,
                              const std::atomic<bool>& abandon) {
  return Evaluate(job, sequence, &abandon);
}

void CollectPlacedBoxes(const PackJob& job, const IDSequence& sequence, PlacedBoxes& boxes) {
  std::vector<BoundingBox> byId(job.PartCount > 0 ? job.PartCount : 0);
  for (const Part& member : job.Parts) {
    if (member.ID < 0 || member.ID >= job.PartCount) continue;
    if (FitsInBox(member.OutLoop.Box(), job.SheetBox)) byId[member.ID] = member.OutLoop.Box();
  }
  boxes.assign(sequence.ids.size(), BoundingBox{});
  for (std::size_t i = 0; i < sequence.ids.size(); ++i) {
    const int id = sequence.ids[i];
    if (id >= 0 && id < job.PartCount) boxes[i] = byId[id];
  }
}

double LayoutEfficiency(PackJob& job) {
  double area = 0.0;
  double usedLength = 0.0;
  bool anyOnSheet = false;
  for (Part& member : job.Parts) {
    if (!FitsInBox(member.OutLoop.Box(), job.SheetBox)) continue;
    anyOnSheet = true;
    area = area + member.Area;
    const BoundingBox box = member.UpdateBox();
    if (box.maxX > usedLength) usedLength = box.maxX;
  }
  if (!anyOnSheet) return 0.0;
  return area / (usedLength * job.SheetWidth);
}

double TotalPartArea(const PackJob& job) {
  double total = 0.0;
  for (const Part& member : job.Parts) total = total + member.Area;
  return total;
}

double LayoutLength(const PackJob& job, double totalPartArea, double efficiency) {
  return totalPartArea / efficiency / (job.SheetBox.maxY - job.SheetBox.minY);
}

}  // namespace nest
