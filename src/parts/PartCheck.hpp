#pragma once

#include <string>
#include <string_view>

#include "parts/Part.hpp"

namespace nest {

// Largest coordinate magnitude (and sheet size) the program accepts. The
// collision tests use a fixed tolerance of 0.00001; doubles near 1e9 are
// spaced about 1.2e-7 apart, so the tolerance still means something there,
// while a hundred times larger it would fall below the spacing. Products of
// two coordinates (areas, cross products) stay far from overflow.
inline constexpr double kMaxCoordinate = 1e9;

// Why a part's geometry cannot be laid out.
enum class PartProblem {
  kNone,
  kCoordinateRange,  // a coordinate beyond kMaxCoordinate (or not finite)
  kTooFewVertices,   // a loop of one or two vertices
  kZeroArea,         // a loop without area (repeated or collinear vertices only)
  kCrossing,         // edges that cross: a self-crossing loop, or loops crossing each other
  kHoleOutside,      // a hole not inside the outer loop
  kHoleTooLarge,     // the holes take all of the outer loop's area
};

// Checks a part set by the reader. Repeated and collinear vertices are
// accepted as long as the loops keep an area; edges that only touch are
// accepted too.
PartProblem CheckPartGeometry(const Part& part);

// A part name as it may be shown or drawn: control characters become '?'.
std::string PrintableName(std::string_view name);

}  // namespace nest
