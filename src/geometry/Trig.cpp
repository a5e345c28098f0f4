#include "geometry/Trig.hpp"

#include <cmath>

namespace nest {

namespace {

// A double-double: the unevaluated sum hi + lo with |lo| <= half an ulp of hi.
struct Double2 {
  double hi;
  double lo;
};

Double2 TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

Double2 QuickTwoSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// The exact product, by Dekker's splitting (no fused multiply-add).
Double2 TwoProduct(double a, double b) {
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1
  const double p = a * b;
  const double ta = kSplitter * a;
  const double ah = ta - (ta - a);
  const double al = a - ah;
  const double tb = kSplitter * b;
  const double bh = tb - (tb - b);
  const double bl = b - bh;
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

Double2 Add(Double2 a, Double2 b) {
  Double2 s = TwoSum(a.hi, b.hi);
  const Double2 t = TwoSum(a.lo, b.lo);
  s = QuickTwoSum(s.hi, s.lo + t.hi);
  return QuickTwoSum(s.hi, s.lo + t.lo);
}

Double2 Multiply(Double2 a, Double2 b) {
  const Double2 p = TwoProduct(a.hi, b.hi);
  return QuickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

Double2 Divide(Double2 a, double b) {
  const double q1 = a.hi / b;
  const Double2 p = TwoProduct(q1, b);
  const double q2 = (((a.hi - p.hi) - p.lo) + a.lo) / b;
  return QuickTwoSum(q1, q2);
}

// pi/2 as four doubles, the first three of 33 significant bits, so that
// their products with a quadrant number below 2^20 are exact.
constexpr double kHalfPi1 = 0x1.921fb544p+0;
constexpr double kHalfPi2 = 0x1.0b4611a6p-34;
constexpr double kHalfPi3 = 0x1.3198a2ep-69;
constexpr double kHalfPi4 = 0x1.b839a252049c1p-104;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kLargestReduced = 0x1p19;

// sin(r) and cos(r) for |r| <= pi/4 (a little more is harmless), by their
// series in Horner form: sin r = r (1 - r^2/(2*3) (1 - r^2/(4*5) (1 - ...)))
// and cos r = 1 - r^2/(1*2) (1 - r^2/(3*4) (1 - ...)); 18 factors take the
// terms below 2^-120.
constexpr int kTerms = 18;

Double2 SeriesSine(Double2 r) {
  const Double2 z = Multiply(r, r);
  Double2 t{1.0, 0.0};
  for (int j = kTerms; j >= 1; --j) {
    const Double2 step = Divide(Multiply(z, t), static_cast<double>((2 * j) * (2 * j + 1)));
    t = Add({1.0, 0.0}, {-step.hi, -step.lo});
  }
  return Multiply(r, t);
}

Double2 SeriesCosine(Double2 r) {
  const Double2 z = Multiply(r, r);
  Double2 t{1.0, 0.0};
  for (int j = kTerms; j >= 1; --j) {
    const Double2 step = Divide(Multiply(z, t), static_cast<double>((2 * j - 1) * (2 * j)));
    t = Add({1.0, 0.0}, {-step.hi, -step.lo});
  }
  return t;
}

// x = n pi/2 + r with |r| <= about pi/4; returns r and n mod 4.
Double2 Reduce(double x, int& quadrant) {
  const double n = std::floor(x * kTwoOverPi + 0.5);
  Double2 r = TwoSum(x, -n * kHalfPi1);
  r = Add(r, {-n * kHalfPi2, 0.0});
  r = Add(r, {-n * kHalfPi3, 0.0});
  const Double2 last = TwoProduct(n, kHalfPi4);
  r = Add(r, {-last.hi, -last.lo});
  quadrant = static_cast<int>(static_cast<long>(n) & 3);
  return r;
}

// sin(x) for quarter offset 0, cos(x) for offset 1: cos x = sin(x + pi/2).
double RoundedQuarter(double x, int offset) {
  int quadrant = 0;
  const Double2 r = Reduce(x, quadrant);
  switch ((quadrant + offset) & 3) {
    case 0:
      return SeriesSine(r).hi;
    case 1:
      return SeriesCosine(r).hi;
    case 2:
      return -SeriesSine(r).hi;
    default:
      return -SeriesCosine(r).hi;
  }
}

}  // namespace

double RoundedSine(double x) {
  if (!(std::fabs(x) < kLargestReduced)) return std::sin(x);
  if (x == 0.0) return x;  // keeps the sign of a zero
  return RoundedQuarter(x, 0);
}

double RoundedCosine(double x) {
  if (!(std::fabs(x) < kLargestReduced)) return std::cos(x);
  return RoundedQuarter(x, 1);
}

}  // namespace nest
