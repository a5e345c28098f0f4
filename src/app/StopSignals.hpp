#pragma once

namespace nest {

// Makes a file that grows beyond the process's size limit a write error
// instead of the end of the process, where the platform has such a signal.
void IgnoreFileSizeSignal();

// While an object lives, the first interrupt (SIGINT) or termination request
// (SIGTERM) only asks the search to stop: the evaluation under way finishes
// and the best layout found is written. A second one abandons the run at the
// next placement (see StopIfSignalledTwice): no result file is put in place.
class StopSignalGuard {
 public:
  StopSignalGuard();
  ~StopSignalGuard();
  StopSignalGuard(const StopSignalGuard&) = delete;
  StopSignalGuard& operator=(const StopSignalGuard&) = delete;
};

// The signal that asked the run to stop, 0 while none has.
int StopSignalReceived();

// Raises the request as a signal would (tests use it); 0 withdraws it.
void RequestStop(int signal);

// Raises the silent stop of an abandoned run, with the signal's status, once
// a second signal has come. The layout polls it between placements.
void StopIfSignalledTwice();

// The exit status of a run stopped by `signal`: 128 plus its number.
int StatusForSignal(int signal);

}  // namespace nest
