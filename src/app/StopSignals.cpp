#include "app/StopSignals.hpp"

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "output/OutputFile.hpp"

namespace nest {

namespace {

std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free flag");

extern "C" void OnStopSignal(int signal) {
  if (received.exchange(signal) != 0) {
    RemovePendingOutputFiles();
    std::_Exit(StatusForSignal(signal));
  }
  // Some runtimes reset the handler before calling it.
  std::signal(signal, OnStopSignal);
}

}  // namespace

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

StopSignalGuard::StopSignalGuard() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
}

StopSignalGuard::~StopSignalGuard() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

int StopSignalReceived() { return received.load(); }

void RequestStop(int signal) { received.store(signal); }

int StatusForSignal(int signal) { return 128 + signal; }

}  // namespace nest
