#pragma once

#include <vector>

#include "geometry/BoundingBox.hpp"
#include "geometry/Vertex.hpp"

namespace nest {

// A closed polygon: edge i runs from vertex i to vertex i + 1, the last edge
// back to vertex 0. Either orientation is allowed. `Area` and `Box` are stored
// with the loop and refreshed only by the operations that say so: a rigid move
// keeps the area, a translation shifts the box, a rotation recomputes it.
class Loop {
 public:
  Loop() = default;
  Loop(const Loop&) = default;
  Loop(Loop&&) noexcept = default;
  Loop& operator=(Loop&&) noexcept = default;

  // Copies vertices, area and box. A loop without vertices cannot be
  // assigned: that is a silent stop of the run (status 1).
  Loop& operator=(const Loop& other);

  // Takes the vertices in the given order, then computes the box and the area.
  void SetVertices(const std::vector<Vertex>& vertices);

  BoundingBox ComputeBox();
  // The box of the vertices as they are now, without storing it.
  [[nodiscard]] BoundingBox BoxOfVertices() const;
  double ComputeArea();
  [[nodiscard]] Vertex Centroid() const;
  [[nodiscard]] Vertex NearestVertex(const Vertex& point) const;
  void Translate(double dx, double dy);
  void RotateAbout(const Vertex& centre, double angle);

  [[nodiscard]] int Count() const { return static_cast<int>(vertices_.size()); }
  [[nodiscard]] const std::vector<Vertex>& Vertices() const { return vertices_; }
  [[nodiscard]] double Area() const { return area_; }
  [[nodiscard]] const BoundingBox& Box() const { return box_; }

 private:
  std::vector<Vertex> vertices_;
  double area_ = 0.0;
  BoundingBox box_;
};

}  // namespace nest
