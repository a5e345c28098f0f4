#pragma once

namespace nest {

// Makes a file that grows beyond the process's size limit a write error
// instead of the end of the process, where the platform has such a signal.
void IgnoreFileSizeSignal();

}  // namespace nest
