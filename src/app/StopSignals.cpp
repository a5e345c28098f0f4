#include "app/StopSignals.hpp"

#include <atomic>
#include <csignal>

#include "app/Stop.hpp"

namespace nest {

namespace {

std::atomic<int> received{0};
std::atomic<bool> repeated{false};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free flag");
static_assert(std::atomic<bool>::is_always_lock_free, "the handler needs a lock-free flag");

extern "C" void OnStopSignal(int signal) {
  if (received.exchange(signal) != 0) repeated.store(true);
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

void RequestStop(int signal) {
  received.store(signal);
  repeated.store(false);
}

void StopIfSignalledTwice() {
  if (repeated.load()) throw RunStop{StopNotice::kSilent, "", StatusForSignal(received.load())};
}

int StatusForSignal(int signal) { return 128 + signal; }

}  // namespace nest
