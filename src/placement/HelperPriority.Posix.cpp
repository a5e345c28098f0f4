#include "placement/HelperPriority.hpp"

#include <pthread.h>
#include <sched.h>

namespace nest::platform {

void LowerThisThreadToIdle() {
#ifdef SCHED_IDLE
  sched_param param{};
  param.sched_priority = 0;
  pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
#endif
}

}  // namespace nest::platform
