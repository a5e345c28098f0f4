#include "search/Clock.hpp"

#include <time.h>

namespace nest {

namespace {

std::int64_t MonotonicCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::int64_t MonotonicFrequency() { return 1000000000; }

}  // namespace

Clock& ActiveClock() {
  static Clock clock{MonotonicCount, MonotonicFrequency};
  return clock;
}

double SecondsSince(std::int64_t start) {
  const Clock& c = ActiveClock();
  return static_cast<double>(c.count() - start) / static_cast<double>(c.frequency());
}

}  // namespace nest
