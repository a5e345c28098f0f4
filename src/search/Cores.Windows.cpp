#include "search/Cores.hpp"

#include <windows.h>

namespace nest::platform {

int UsableCores() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 1;
  int n = 0;
  for (; process != 0; process &= process - 1) ++n;
  return n > 0 ? n : 1;
}

}  // namespace nest::platform
