#include "geometry/Trig.hpp"

#include <cmath>

namespace nest {

// The C library's sine and cosine.
double Sine(double x) { return std::sin(x); }
double Cosine(double x) { return std::cos(x); }

}  // namespace nest
