#pragma once

#include <string>

#include "geometry/BoundingBox.hpp"
#include "geometry/LoopList.hpp"
#include "geometry/Vertex.hpp"

namespace nest {

// What the drawing writes onto a part: its name at its centroid, turned with
// the part.
struct PartLabel {
  std::string Text;  // the whole part name
  double X = 0.0;    // insertion point: the centroid, moved with the part
  double Y = 0.0;
  double Angle = 0.0;   // accumulated rotation in degrees, not normalised
  double Height = 0.0;  // a tenth of the smaller side of the box when set
};

// One piece to lay out, in absolute coordinates of the sheet's frame.
//
// Copies are explicit (Copy) because a copy lists the holes in the reverse
// order of its source; moves keep the order.
class Part {
 public:
  Part() = default;
  Part(Part&&) noexcept = default;
  Part& operator=(Part&&) noexcept = default;
  Part(const Part&) = delete;
  Part& operator=(const Part&) = delete;

  // A deep copy; its holes come in the reverse order. A part whose outer loop
  // is empty cannot be copied (a silent RunStop).
  [[nodiscard]] Part Copy() const;

  // Sets the part from the reader's name, outer loop and holes.
  void Set(const std::string& name, const Loop& outer, const LoopList& holes);

  double ComputeArea();
  Vertex ComputeCentroid();
  // The vertex nearest the centroid, over the outer loop and then the holes
  // in list order; the first found wins a tie. Recomputes the centroid.
  Vertex FindReferenceVertex();
  BoundingBox UpdateBox();
  void Translate(double dx, double dy);
  void Rotate(const Vertex& centre, double angle);

  Loop OutLoop;
  LoopList InnerLoops;
  std::string Name = "NoName";
  PartLabel Label;
  double Area = 0.0;
  BoundingBox Box;
  Vertex Centroid;
  int ID = 0;
};

}  // namespace nest
