#pragma once

namespace nest {

// A point of the drawing's frame (x to the right, y upwards); a plain value.
struct Vertex {
  double x = 0.0;
  double y = 0.0;

  // Turns the point counter-clockwise by `angle` radians about `centre`.
  // Nothing is rounded or snapped: a quarter turn leaves residues of the
  // order of 1e-16 where an exact result would be 0.
  void RotateAbout(const Vertex& centre, double angle);

  [[nodiscard]] double DistanceTo(const Vertex& other) const;

  friend bool operator==(const Vertex&, const Vertex&) = default;
};

// pi as the program computes it everywhere.
double Pi();

}  // namespace nest
