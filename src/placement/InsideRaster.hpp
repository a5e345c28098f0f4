#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "geometry/BoundingBox.hpp"
#include "parts/Part.hpp"

namespace nest {

// Square cells over the sheet, each naming the placed part whose outer loop
// certainly holds every point of the cell, so that a trial whose vertex
// falls into such a cell is known to overlap that part without a test,
// unless a hole of either part might hold the other.
//
// "Certainly" means: the cell keeps a margin from every edge of the outer
// loop larger than the rounding of the ray test's crossings and larger than
// the box tolerance. Then the ray test, as computed, finds any point of the
// cell inside the loop, and the boxes of the two parts overlap by more than
// the tolerance, so the pair test finds the trial's vertex in the part's
// outer loop. Cells near an edge are simply left unmarked.
class InsideRaster {
 public:
  // Empties the raster and fits it to a sheet of `length` by `width`, with
  // cells of about `cell` that number at most kMaxCells.
  void Reset(double length, double width, double cell);
  // Marks the cells certainly inside the part's outer loop as the part's,
  // and returns the part's index, or -1 when no cell is marked. The part
  // must keep its place while the raster is in use.
  int Add(const Part& part);
  // 1 + the index (in order of adding) of the part whose outer loop
  // certainly holds (x, y), or 0.
  [[nodiscard]] int At(double x, double y) const {
    if (!(x >= 0.0) || !(y >= 0.0)) return 0;  // also NaN
    const double fx = x * inverse_;
    const double fy = y * inverse_;
    if (!(fx < nx_) || !(fy < ny_)) return 0;
    return cells_[static_cast<std::size_t>(static_cast<int>(fy)) * static_cast<std::size_t>(nx_) +
                  static_cast<std::size_t>(static_cast<int>(fx))];
  }
  // For a point with At(x, y) != 0: the highest cell row up to which its
  // cell's column holds cells of the same part without a break (at most
  // 65,535 rows above its own cell). A point further up keeps At(x, y) while
  // its cell row, static_cast<int>(y * Inverse()), stays at most this.
  [[nodiscard]] int RunTop(double x, double y) const {
    const std::size_t row = static_cast<std::size_t>(static_cast<int>(y * inverse_));
    const std::size_t cell = row * static_cast<std::size_t>(nx_) +
                             static_cast<std::size_t>(static_cast<int>(x * inverse_));
    return static_cast<int>(row) + up_[cell];
  }
  [[nodiscard]] double Inverse() const { return inverse_; }
  // The parts added, by index.
  [[nodiscard]] const std::vector<const Part*>& Parts() const { return parts_; }
  [[nodiscard]] bool Empty() const { return parts_.empty(); }

  static constexpr double kMaxCells = 2000000.0;

 private:
  double cell_ = 1.0;
  double inverse_ = 1.0;
  int nx_ = 0;
  int ny_ = 0;
  std::vector<std::uint16_t> cells_;  // 0, or 1 + the index in parts_
  // Of a marked cell: how many cells right above it belong to the same part.
  std::vector<std::uint16_t> up_;
  int usedColumns_ = 0;  // the columns left of this hold no marked cell
  void CutRunsBelow(std::uint16_t id, int i0, int i1, int j0, int j1);
  std::vector<const Part*> parts_;
  bool BandSpans(const Loop& loop, double yLo, double yHi, double widenBy);

  std::vector<std::pair<double, double>> spans_;  // scratch
};

}  // namespace nest
