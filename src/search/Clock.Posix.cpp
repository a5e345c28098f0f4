#include "search/Clock.hpp"

#include <time.h>

namespace nest::platform {

std::int64_t MonotonicCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::int64_t MonotonicFrequency() { return 1000000000; }

}  // namespace nest::platform
