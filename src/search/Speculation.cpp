#include "search/Speculation.hpp"

#include <cmath>
#include <limits>
#include <utility>

#include "app/StopSignals.hpp"
#include "search/Random.hpp"

namespace nest {

Speculation::Speculation(PackJob& job, bool annealing, long long distinct, Move move)
    : job_(job),
      annealing_(annealing),
      distinct_(distinct),
      move_(std::move(move)),
      lanes_(job, SearchThreads()),
      choice_(SearchThreadsFixed()) {}

long long Speculation::Settled() const {
  return visited_.Count() - static_cast<long long>(ahead_.size());
}

void Speculation::Launch(Step& step, bool here) {
  step.fingerprint = TypeFingerprint(job_, step.neighbour);
  visited_.Insert(step.fingerprint);
  step.ticket = here ? lanes_.StartHere(step.neighbour) : lanes_.Start(step.neighbour);
}

void Speculation::TakeBack(std::uint32_t state) {
  if (ahead_.empty()) return;
  while (!ahead_.empty()) {
    lanes_.Drop(ahead_.back().ticket);
    visited_.Erase(ahead_.back().fingerprint);
    ahead_.pop_back();
  }
  SeedRandom(state);
}

Outcome Speculation::Likeliest() const {
  const double rejected = weight_[static_cast<int>(Outcome::kRejected)];
  const double better = weight_[static_cast<int>(Outcome::kBetter)];
  return better > rejected ? Outcome::kBetter : Outcome::kRejected;
}

int Speculation::ZoneOf(const IDSequence& neighbour, const IDSequence& current) {
  const int n = neighbour.count() < current.count() ? neighbour.count() : current.count();
  int i = 0;
  while (i < n && neighbour.ids[i] == current.ids[i]) ++i;
  return n == 0 ? 0 : static_cast<int>(static_cast<long long>(i) * kZones / (n + 1));
}

Outcome Speculation::LikeliestAfterDraw(int draw, double temperature, int zone) const {
  // Taken when better, or when the shortfall is below -temperature ln(u).
  const double better = weight_[static_cast<int>(Outcome::kBetter)];
  const double u = draw * kDrawToFraction;
  const double reach =
      u > 0.0 ? -temperature * std::log(u) : std::numeric_limits<double>::infinity();
  const int n = shortfallCount_[zone] < kShortfalls ? shortfallCount_[zone] : kShortfalls;
  if (n == 0) return better > 0.5 ? Outcome::kTakenAfterDraw : Outcome::kRejected;
  int within = 0;
  for (int i = 0; i < n; ++i) within += shortfalls_[zone][i] < reach ? 1 : 0;
  const double taken = better + (1.0 - better) * within / n;
  return taken > 0.5 ? Outcome::kTakenAfterDraw : Outcome::kRejected;
}

void Speculation::MakeAhead(const IDSequence& current, double temperature) {
  // The base and the neighbour of the last step made.
  const IDSequence* base = &current;
  const Step* last = &step_;
  for (const Step& a : ahead_) {
    if (a.assumed != Outcome::kRejected) base = &last->neighbour;
    last = &a;
  }
  Step next;
  next.stateBefore = RandomState();
  if (annealing_) {
    next.draw = DrawRandom();
    next.assumed = LikeliestAfterDraw(next.draw, temperature, last->zone);
  } else {
    next.assumed = Likeliest();
  }
  next.stateAfterDraw = RandomState();
  const IDSequence& from = next.assumed == Outcome::kRejected ? *base : last->neighbour;
  move_(from, next.neighbour);
  next.zone = ZoneOf(next.neighbour, from);
  Launch(next, false);
  ahead_.push_back(std::move(next));
}

const IDSequence& Speculation::Next(const IDSequence& current, long long following,
                                    double temperature) {
  const bool ahead = lanes_.Parallel() && choice_.Ahead();
  if (!ahead_.empty()) {
    step_ = std::move(ahead_.front());
    ahead_.pop_front();
  } else {
    move_(current, step_.neighbour);
    step_.zone = ZoneOf(step_.neighbour, current);
    Launch(step_, !ahead);  // one at a time: laid out by this thread
  }
  try {
    StopIfSignalledTwice();
  } catch (...) {
    // One thread would stop in this step's layout, before any later draw.
    if (!ahead_.empty()) TakeBack(ahead_.front().stateBefore);
    throw;
  }
  while (ahead && ahead_.size() < kDepth && static_cast<long long>(ahead_.size()) < following &&
         visited_.Count() < distinct_) {
    MakeAhead(current, temperature);
  }
  return step_.neighbour;
}

double Speculation::Efficiency() {
  step_.neighbour.efficiency = lanes_.Take(step_.ticket);
  return step_.neighbour.efficiency;
}

int Speculation::ChanceDraw() {
  if (!ahead_.empty() && ahead_.front().assumed != Outcome::kBetter) return ahead_.front().draw;
  if (!ahead_.empty()) TakeBack(ahead_.front().stateBefore);
  return DrawRandom();
}

void Speculation::Settle(Outcome outcome, double shortfall) {
  for (double& w : weight_) w = w * 0.9;
  weight_[static_cast<int>(outcome)] += 0.1;
  if (annealing_ && outcome != Outcome::kBetter) {
    const int zone = step_.zone;
    shortfalls_[zone][shortfallCount_[zone] % kShortfalls] =
        shortfall == shortfall ? std::fabs(shortfall) : std::numeric_limits<double>::infinity();
    ++shortfallCount_[zone];
  }
  if (ahead_.empty() || ahead_.front().assumed == outcome) return;
  const Step& next = ahead_.front();
  TakeBack(outcome == Outcome::kBetter ? next.stateBefore : next.stateAfterDraw);
}

void Speculation::Abandon() {
  if (!ahead_.empty()) TakeBack(ahead_.front().stateAfterDraw);
}

}  // namespace nest
