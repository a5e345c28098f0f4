#pragma once

namespace nest {

// Axis-aligned box; the same record describes loops, parts and the sheet.
struct BoundingBox {
  double minX = 0.0;
  double maxX = 0.0;
  double minY = 0.0;
  double maxY = 0.0;

  [[nodiscard]] double Width() const { return maxX - minX; }
  [[nodiscard]] double Height() const { return maxY - minY; }

  friend bool operator==(const BoundingBox&, const BoundingBox&) = default;
};

}  // namespace nest
