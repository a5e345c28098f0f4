#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "app/PackJob.hpp"
#include "parts/Part.hpp"

namespace nest {

class PlacedIndexes;

// Below this length (in both components) a slide step is not halved again.
inline constexpr double kMinSlideStep = 0.01;
// Most moves one pass of a slide makes. A pass ends long before this unless
// the step is tiny against the distance to slide (a part a billionth of a unit
// thick would otherwise take trillions of moves to cross the sheet).
inline constexpr long long kMaxSlideMovesPerPass = 1000000;
// Most candidate points a grid may hold.
inline constexpr double kMaxCandidatePoints = 50000000.0;

// Number of grid points BuildCandidateGrid would make for this sheet and
// spacing (as a double, so that absurd spacings do not overflow).
double CandidateGridSize(double sheetLength, double sheetWidth, double ppd);

// Replaces CandidatePoints by the grid over the sheet: both sheet edges are
// grid lines and the spacing is PPD or a little more. Points run by
// ascending x and, for equal x, ascending y.
void BuildCandidateGrid(PackJob& job);

// Drops the candidate points in the part's material; points in its holes stay.
void RemoveCoveredPoints(PackJob& job, const Part& part);

// Lays one member of job.Parts onto the sheet: of the (candidate point,
// rotation) pairs at which it fits, the one whose centroid lies furthest
// towards x = 0; then slides it left and down and prunes the grid. A part
// that fits nowhere stays where it is.
void PlacePart(PackJob& job, Part& part);

// What one layout learns as it goes, for the placements that follow.
//
// Placed parts never move again within a layout and parked parts never stop
// a trial, so the parts a trial position is tested against only ever grow:
// a position found not to fit stays unfit for the rest of the layout. Parts
// whose geometry is identical bit for bit (the copies of one block, parked
// alike) make identical trial positions, so such a finding serves all of
// them. The indexes of placed parts serve every later placement as well.
class LayoutMemory {
 public:
  // Starts a layout of job.Parts as they lie now, with the candidate grid
  // already built.
  void Start(const PackJob& job);
  PlacedIndexes& Indexes() { return *indexes_; }
  // The rejected positions of the part's geometry: bit i * RN + k for
  // candidate slot i and rotation k; null when nothing is kept for it (a
  // single rotation, or no other part of the same geometry).
  std::vector<std::uint64_t>* RejectedFor(const Part& part);

  LayoutMemory();
  ~LayoutMemory();

 private:
  std::unique_ptr<PlacedIndexes> indexes_;
  std::unordered_map<const Part*, std::size_t> groupOf_;
  std::vector<std::vector<std::uint64_t>> rejected_;
  std::size_t bits_ = 0;
};

// The same, within a layout that keeps what it learns in `memory`.
void PlacePart(PackJob& job, Part& part, LayoutMemory* memory);

void SlideLeft(PackJob& job, Part& part);
void SlideDown(PackJob& job, Part& part);

}  // namespace nest
