#pragma once

#include <memory>

#include "app/PackJob.hpp"
#include "parts/Part.hpp"
#include "placement/GridPoints.hpp"
#include "placement/Slide.hpp"

namespace nest {

// The placement engine lays parts out one at a time, each as the literal
// greedy rule would: of the (candidate point, rotation) pairs at which the
// part fits, the one whose centroid lies furthest towards x = 0; then it
// slides the part left and down and drops the grid points it covers. It
// finds the same pair while testing far fewer, and every layout equals the
// literal rule's. Where each piece lives:
//
//   CandidateGrid     the grid of candidate points, one bit per point
//   GridPoints        the grid over the sheet; removing the points a part covers
//   LoopIndex         loops and parts as the tests read them, indexed by slab
//   Collision         the containment and overlap tests of points, loops, parts
//   Obstacles         the trial positions and the placed parts they meet
//   InsideRaster      cells certainly inside a placed part's outer loop
//   PartSearch        the data of one part's search and its scratch storage
//   RasterHits        trials the raster settles, and how far up a column
//   Certificates      why a trial fails, and through which rows it keeps failing
//   CertificateReach  how far crossing edges and a placed vertex keep reaching
//   ColumnWalk        the walk over the columns and the first fit in each
//   Slide             the slides left and down after a part is laid
//   Placement         this engine: a part's search and its commit
//   Evaluation        laying out a whole sequence and its efficiency

class InsideRaster;
class Obstacles;
class PlacedIndexes;

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

}  // namespace nest
