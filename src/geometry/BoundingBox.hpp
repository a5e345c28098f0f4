#pragma once

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

// Equal bound by bound, a bound that is not a number matching another that
// is not one: how the checks compare a stored box with a recomputed one.
[[nodiscard]] inline bool SameBox(const BoundingBox& a, const BoundingBox& b) {
  auto same = [](double u, double v) { return u == v || (u != u && v != v); };
  return same(a.minX, b.minX) && same(a.maxX, b.maxX) && same(a.minY, b.minY) && same(a.maxY, b.maxY);
}

}  // namespace nest
