#include "geometry/Trig.hpp"

#include <bit>
#include <cstdint>

namespace nest {

namespace {

// A turn asks for the cosine and the sine of one angle, once for every loop
// of the part: the last angle's pair is kept (one per thread).
struct Turn {
  std::uint64_t angleBits = 0;  // of +0.0
  double sine = 0.0;
  double cosine = 1.0;
};

const Turn& TurnBy(double x) {
  thread_local Turn last;
  const auto bits = std::bit_cast<std::uint64_t>(x);
  if (bits != last.angleBits) last = {bits, RoundedSine(x), RoundedCosine(x)};
  return last;
}

}  // namespace

// mingw-w64's sine and cosine are off in the last bits: the program's own.
double Sine(double x) { return TurnBy(x).sine; }
double Cosine(double x) { return TurnBy(x).cosine; }

}  // namespace nest
