#pragma once

namespace nest {

// Sine and cosine of the turns. The turned coordinates are part of the
// output, down to the residues a turn leaves, so the builds should give the
// same bits. The Linux build takes the C library's functions. mingw-w64's
// work in x87 registers with a short pi and are off in the last bits near
// every multiple of pi/2, so the Windows build takes RoundedSine and
// RoundedCosine, which agree with the Linux C library on every turn of up to
// 38 rotation angles and on all but about 0.3% of other angles (where that
// library rounds a near tie the other way). One definition of Sine and
// Cosine per platform.
double Sine(double x);
double Cosine(double x);

// Sine and cosine rounded to the nearest double, for |x| < 2^19: computed in
// double-double arithmetic to within about 2^-90 of the result, so only a
// true value that close to a tie could round the other way. Beyond that, and
// for infinities and NaN, the C library's results.
double RoundedSine(double x);
double RoundedCosine(double x);

}  // namespace nest
