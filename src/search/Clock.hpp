#pragma once

#include <cstdint>

namespace nest {

// The monotonic clock behind the elapsed times: a count and the counts per
// second. Tests may put their own in its place.
struct Clock {
  std::int64_t (*count)() = nullptr;
  std::int64_t (*frequency)() = nullptr;
};

Clock& ActiveClock();

// Seconds from `start` (a count of the active clock) to now.
double SecondsSince(std::int64_t start);

// The platform's monotonic clock, the default of the active clock; one
// definition per platform.
namespace platform {
std::int64_t MonotonicCount();
std::int64_t MonotonicFrequency();
}  // namespace platform

}  // namespace nest
