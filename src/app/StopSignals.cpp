#include "app/StopSignals.hpp"

#include <csignal>

namespace nest {

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace nest
