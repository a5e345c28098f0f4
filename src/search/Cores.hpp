#pragma once

namespace nest::platform {

// The number of processors this process may run on (its affinity), at least
// 1; one definition per platform.
int UsableCores();

}  // namespace nest::platform
