#include "search/Cores.hpp"

#include <unistd.h>

#ifdef __linux__
#include <sched.h>
#endif

namespace nest::platform {

int UsableCores() {
#ifdef __linux__
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int n = CPU_COUNT(&set);
    return n > 0 ? n : 1;
  }
#endif
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 1;
}

}  // namespace nest::platform
