#pragma once

namespace nest {

// Whether laying out the next iteration ahead pays, here and now: it does
// not when another program keeps the second processor busy, nor when a
// layout takes less than handing it to another thread does. The search
// times its iterations both ways in turns (a trial of each, then the faster
// way for a longer while, then trials again). Only the speed depends on the
// choice, never a result.
class AheadChoice {
 public:
  // `always`: lay out ahead without trials (the seam that fixes two threads).
  explicit AheadChoice(bool always) : always_(always) {}

  // Asked once an iteration: whether to lay out this iteration's successor
  // ahead.
  bool Ahead();

 private:
  enum class Phase { kTrialAhead, kTrialInTurn, kKeep };
  void Begin(Phase phase, double now);

  bool always_;
  Phase phase_ = Phase::kTrialAhead;
  double phaseStart_ = -1.0;  // seconds of the steady clock
  long long iterations_ = 0;  // in the phase so far
  double aheadRate_ = 0.0;    // iterations per second in the last trial ahead
  bool keepAhead_ = true;
};

}  // namespace nest
