#include "search/Clock.hpp"

#include <windows.h>

namespace nest::platform {

// The performance counter: monotonic, its frequency fixed at boot.
std::int64_t MonotonicCount() {
  LARGE_INTEGER count{};
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

std::int64_t MonotonicFrequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

}  // namespace nest::platform
