#pragma once

#include <cstdint>

namespace nest {

// The process-wide pseudo-random generator: the state advances as
// state * 214013 + 2531011 (mod 2^32) and a draw is bits 16 to 30 of the new
// state, 0 to 32767. Seeded once per run; tests seed it themselves.
void SeedRandom(std::uint32_t seed);
int DrawRandom();
// The generator's state, which SeedRandom puts back: a search that drew ahead
// for a branch it then drops returns the generator to where it was.
std::uint32_t RandomState();

// Largest draw, and the factor that turns a draw into a fraction in [0, 1].
inline constexpr int kRandomMax = 32767;
inline constexpr double kDrawToFraction = 1.0 / 32767;

}  // namespace nest
