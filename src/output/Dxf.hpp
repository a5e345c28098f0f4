#pragma once

#include <cstdio>

#include "geometry/Loop.hpp"
#include "geometry/Vertex.hpp"
#include "parts/Part.hpp"

namespace nest {

// Numbers as the drawing writes them: at most six significant digits, no
// trailing zeros (printf's %g).
void WriteDxfNumber(std::FILE* out, double value);

// One LINE entity on layer "0", from `a` to `b`.
void WriteDxfLine(const Vertex& a, const Vertex& b, std::FILE* out);
// One LINE per edge, the closing edge last.
void WriteLoopDxf(const Loop& loop, std::FILE* out);
// The outer loop's edges, each hole's edges in list order, then the name as
// a TEXT entity on layer "1".
void WritePartDxf(const Part& part, std::FILE* out);

}  // namespace nest
