#include "geometry/Vertex.hpp"

#include <cmath>

#include "geometry/Trig.hpp"

namespace nest {

void Vertex::RotateAbout(const Vertex& centre, double angle) {
  const double dx = x - centre.x;
  const double dy = y - centre.y;
  const double c = Cosine(angle);
  const double s = Sine(angle);
  x = centre.x + (c * dx - s * dy);
  y = centre.y + (s * dx + c * dy);
}

double Vertex::DistanceTo(const Vertex& other) const {
  const double dx = x - other.x;
  const double dy = y - other.y;
  return std::sqrt(dx * dx + dy * dy);
}

double Pi() {
  static const double pi = std::acos(-1.0);
  return pi;
}

}  // namespace nest
