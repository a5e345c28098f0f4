#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace nest::fuzz {

// Reads the bytes as a part data file and, when they describe a small job,
// sets it up, lays the parts out once in ID order, checks the layout with an
// independent geometry library (GEOS) and draws it into `drawingPath`.
// Returns what is wrong with the layout (a part off the sheet, two parts that
// overlap) or the drawing (a number that is not finite), empty when nothing
// is.
std::string RunLayoutInput(const std::uint8_t* data, std::size_t size, const std::string& drawingPath);

}  // namespace nest::fuzz
