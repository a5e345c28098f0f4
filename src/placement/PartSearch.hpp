#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "app/PackJob.hpp"
#include "geometry/Vertex.hpp"
#include "parts/Part.hpp"
#include "placement/CandidateGrid.hpp"
#include "placement/Collision.hpp"
#include "placement/InsideRaster.hpp"
#include "placement/Obstacles.hpp"

namespace nest {

// A row that is not there: no fit, no certificate, no guess.
constexpr int kNone = -1;

// The fixed data of one part's search.
struct PartSearch {
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
  Vertex s;            // the type's LastPosition: earlier points are passed over
  int sRow = 0;        // first row not below s.y

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

// The scratch storage of the searches, kept from one part to the next.
struct Worker {
  std::vector<TrialShape> trials;
  std::vector<int> slab;  // scratch: edges of a certificate
  std::vector<unsigned char> slabSide;
  std::vector<double> holeLimits;
  std::vector<double> obstacleHoleLimits;
  std::vector<int> order;
  // Per rotation, the blocks met in the last column searched, in
  // row order: the next column tends to be blocked by the same vertices and
  // edges over nearly the same rows, so they are checked there before a
  // full trial, and their last rows are the first guess of the new ones.
  std::vector<std::vector<Block>> seen;
  std::vector<Block> seeing;    // scratch: the blocks of the column under way
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
  }
};

inline bool NearOrBelow(double a, double b) { return a < b || std::fabs(a - b) < kBoxTolerance; }
inline bool NearOrAbove(double a, double b) { return a > b || std::fabs(a - b) < kBoxTolerance; }

}  // namespace nest
