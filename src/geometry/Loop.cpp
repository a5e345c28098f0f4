#include "geometry/Loop.hpp"

#include <cassert>
#include <cmath>

#include "app/Stop.hpp"

#include "geometry/Trig.hpp"

namespace nest {

Loop& Loop::operator=(const Loop& other) {
  if (this == &other) return *this;
  if (other.vertices_.empty()) throw RunStop{};
  vertices_ = other.vertices_;
  area_ = other.area_;
  box_ = other.box_;
  return *this;
}

void Loop::SetVertices(const std::vector<Vertex>& vertices) {
  vertices_ = vertices;
  ComputeBox();
  ComputeArea();
}

BoundingBox Loop::ComputeBox() {
  box_ = BoxOfVertices();
  return box_;
}

BoundingBox Loop::BoxOfVertices() const {
  BoundingBox b;
  b.minX = b.maxX = vertices_[0].x;
  b.minY = b.maxY = vertices_[0].y;
  for (std::size_t i = 1; i < vertices_.size(); ++i) {
    const Vertex& v = vertices_[i];
    if (v.x > b.maxX) b.maxX = v.x;
    if (v.x < b.minX) b.minX = v.x;
    if (v.y > b.maxY) b.maxY = v.y;
    if (v.y < b.minY) b.minY = v.y;
  }
  return b;
}

namespace {

// The absolute area of a closed polygon by the trapezoid sum.
double LoopArea(const Vertex* v, int n) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    const Vertex& a = v[i];
    const Vertex& b = v[(i + 1) % n];
    sum = sum + (a.y + b.y) * (b.x - a.x) * 0.5;
  }
  return std::fabs(sum);
}

}  // namespace

double Loop::ComputeArea() {
  area_ = LoopArea(vertices_.data(), Count());
  return area_;
}

Vertex Loop::Centroid() const {
  double a = 0.0;
  double sx = 0.0;
  double sy = 0.0;
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    const Vertex& p = vertices_[i];
    const Vertex& q = vertices_[(i + 1) % n];
    const double dx = q.x - p.x;
    a = a + (-0.5) * dx * (p.y + q.y);
    sx = sx + (p.x * p.x + p.x * q.x + q.x * q.x) * (q.y - p.y) * (1.0 / 6.0);
    sy = sy + (p.y * p.y + p.y * q.y + q.y * q.y) * dx * (-1.0 / 6.0);
  }
  return Vertex{sx / a, sy / a};
}

Vertex Loop::NearestVertex(const Vertex& point) const {
  Vertex best = vertices_[0];
  double d = best.DistanceTo(point);
  for (std::size_t i = 1; i < vertices_.size(); ++i) {
    const double e = vertices_[i].DistanceTo(point);
    if (e < d) {
      best = vertices_[i];
      d = e;
    }
  }
  return best;
}

void Loop::Translate(double dx, double dy) {
  for (Vertex& v : vertices_) {
    v.x = v.x + dx;
    v.y = v.y + dy;
  }
  box_ = box_.Translated(dx, dy);
  assert(vertices_.empty() || BoxAgrees(box_, BoxOfVertices()));
}

void Loop::RotateAbout(const Vertex& centre, double angle) {
  for (Vertex& v : vertices_) {
    v.x = v.x - centre.x;
    v.y = v.y - centre.y;
  }
  if (!vertices_.empty()) {
    const double c = Cosine(angle);
    const double s = Sine(angle);
    for (Vertex& v : vertices_) {
      const double x = v.x;
      const double y = v.y;
      v.x = c * x - s * y;
      v.y = s * x + c * y;
    }
  }
  for (Vertex& v : vertices_) {
    v.x = v.x + centre.x;
    v.y = v.y + centre.y;
  }
  if (!vertices_.empty()) ComputeBox();
}

}  // namespace nest
