#include "search/Clock.hpp"

namespace nest {

Clock& ActiveClock() {
  static Clock clock{platform::MonotonicCount, platform::MonotonicFrequency};
  return clock;
}

double SecondsSince(std::int64_t start) {
  const Clock& c = ActiveClock();
  return static_cast<double>(c.count() - start) / static_cast<double>(c.frequency());
}

}  // namespace nest
