#pragma once

#include <cmath>

namespace nest {

// Axis-aligned box; the same record describes loops, parts and the sheet.
struct BoundingBox {
  double minX = 0.0;
  double maxX = 0.0;
  double minY = 0.0;
  double maxY = 0.0;

  // The box moved by (dx, dy): each bound plus the offset, rounded as the
  // moved vertices are, so it stays the box of a translated loop.
  [[nodiscard]] BoundingBox Translated(double dx, double dy) const {
    return BoundingBox{minX + dx, maxX + dx, minY + dy, maxY + dy};
  }

  friend bool operator==(const BoundingBox&, const BoundingBox&) = default;
};

// How the checks compare a stored box with one recomputed from the
// vertices: equal bound by bound. Boxes with a bound that is not finite are
// not compared: moving an infinite coordinate gives no number, and no order
// survives that.
[[nodiscard]] inline bool BoxAgrees(const BoundingBox& stored, const BoundingBox& computed) {
  auto finite = [](const BoundingBox& b) {
    return std::isfinite(b.minX) && std::isfinite(b.maxX) && std::isfinite(b.minY) && std::isfinite(b.maxY);
  };
  return !finite(stored) || !finite(computed) || stored == computed;
}

}  // namespace nest
