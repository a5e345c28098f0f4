#include "geometry/Trig.hpp"

namespace nest {

// mingw-w64's sine and cosine are off in the last bits: the program's own.
double Sine(double x) { return RoundedSine(x); }
double Cosine(double x) { return RoundedCosine(x); }

}  // namespace nest
