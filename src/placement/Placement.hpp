#pragma once

#include <memory>

#include "app/PackJob.hpp"
#include "parts/Part.hpp"

namespace nest {

class InsideRaster;
class Obstacles;
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

// Where the search for a part's position ended.
struct PlacementChoice {
  bool found = false;
  Vertex firstFit;  // the first point at which the part fitted
  Vertex point;     // the chosen point and rotation
  int rotation = 0;
  Vertex reference;  // the part's reference vertex where it lay
};

// Lays out the parts of one layout. It keeps the indexes of the parts it
// placed (they do not move again within the layout), so that later
// placements test against them without rebuilding them.
class PlacementEngine {
 public:
  PlacementEngine();
  ~PlacementEngine();
  PlacementEngine(const PlacementEngine&) = delete;
  PlacementEngine& operator=(const PlacementEngine&) = delete;

  // Starts a layout of job.Parts as they lie now.
  void Start();
  // Where `part` would go on the present layout. Changes nothing but the
  // part's stored centroid, which it brings up to date.
  PlacementChoice Find(const PackJob& job, Part& part);
  // Moves and turns the part to the choice, records its type's first-fit
  // point, slides it and prunes the grid. The choice is Find's for this
  // part on the same layout.
  void Commit(PackJob& job, Part& part, const PlacementChoice& choice);
  void Place(PackJob& job, Part& part) { Commit(job, part, Find(job, part)); }

 private:
  std::unique_ptr<PlacedIndexes> placed_;
  // The parts the last Find tested against, kept for the slides of its
  // commit: nothing else moves in between.
  std::unique_ptr<Obstacles> obstacles_;
  const Part* obstaclesOf_ = nullptr;
  // Where the outer loops of the parts placed in the layout certainly are.
  std::unique_ptr<InsideRaster> raster_;
  bool rasterReady_ = false;
  struct Scratch;
  std::unique_ptr<Scratch> scratch_;
};

void SlideLeft(PackJob& job, Part& part);
void SlideDown(PackJob& job, Part& part);

}  // namespace nest
