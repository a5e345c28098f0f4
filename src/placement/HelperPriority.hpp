#pragma once

namespace nest::platform {

// Lowers the calling thread's priority so far that it runs only on a core
// nothing else wants: a helper thread then never takes time from the thread
// it helps nor from other programs. One definition per platform.
void LowerThisThreadToIdle();

}  // namespace nest::platform
