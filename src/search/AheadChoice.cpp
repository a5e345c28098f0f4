#include "search/AheadChoice.hpp"

#include <chrono>

namespace nest {

namespace {

// A trial lasts this many seconds and iterations at least (the one-at-a-
// time trial is short: it is the way that usually loses); the faster way
// is then kept for kKeepSeconds.
constexpr double kAheadTrialSeconds = 0.3;
constexpr double kInTurnTrialSeconds = 0.1;
constexpr long long kTrialIterations = 10;
constexpr double kKeepSeconds = 5.0;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void AheadChoice::Begin(Phase phase, double now) {
  phase_ = phase;
  phaseStart_ = now;
  iterations_ = 0;
}

bool AheadChoice::Ahead() {
  if (always_) return true;
  const double now = Now();
  if (phaseStart_ < 0.0) Begin(Phase::kTrialAhead, now);
  const double elapsed = now - phaseStart_;
  const double trialSeconds =
      phase_ == Phase::kTrialAhead ? kAheadTrialSeconds : kInTurnTrialSeconds;
  const bool trialOver = elapsed >= trialSeconds && iterations_ >= kTrialIterations;
  switch (phase_) {
    case Phase::kTrialAhead:
      if (trialOver) {
        aheadRate_ = static_cast<double>(iterations_) / elapsed;
        Begin(Phase::kTrialInTurn, now);
      }
      break;
    case Phase::kTrialInTurn:
      if (trialOver) {
        keepAhead_ = aheadRate_ >= static_cast<double>(iterations_) / elapsed;
        Begin(Phase::kKeep, now);
      }
      break;
    case Phase::kKeep:
      if (elapsed >= kKeepSeconds) Begin(Phase::kTrialAhead, now);
      break;
  }
  ++iterations_;
  return phase_ == Phase::kTrialAhead || (phase_ == Phase::kKeep && keepAhead_);
}

}  // namespace nest
