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
      lanes_(job, SearchThreads(), annealing),
      choice_(SearchThreadsFixed()) {
  if (annealing_) {
    shortfalls_.assign(static_cast<std::size_t>(NeighbourKind::kCount) * kShortfalls, 0.0);
    shortfallCount_.assign(NeighbourKind::kCount, 0);
  }
}

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

int Speculation::KindOf(const IDSequence& neighbour, const IDSequence& base) const {
  return annealing_ ? NeighbourKind::Of(job_, neighbour, base, laidOut_, laidOutBoxes_) : 0;
}

Outcome Speculation::LikeliestAfterDraw(int draw, double temperature, int kind) const {
  // A neighbour that is not better is taken when its shortfall is below
  // -temperature ln(u). (A better one takes the draw back whatever is
  // assumed.) Without shortfalls of its kind yet, the outcome recent
  // iterations had more often.
  const int n = shortfallCount_[kind] < kShortfalls ? shortfallCount_[kind] : kShortfalls;
  if (n == 0) {
    const double taken = weight_[static_cast<int>(Outcome::kTakenAfterDraw)];
    return taken > weight_[static_cast<int>(Outcome::kRejected)] ? Outcome::kTakenAfterDraw
                                                                 : Outcome::kRejected;
  }
  const double u = draw * kDrawToFraction;
  const double reach =
      u > 0.0 ? -temperature * std::log(u) : std::numeric_limits<double>::infinity();
  const double* recent = &shortfalls_[static_cast<std::size_t>(kind) * kShortfalls];
  int within = 0;
  for (int i = 0; i < n; ++i) within += recent[i] < reach ? 1 : 0;
  return within * 2 > n ? Outcome::kTakenAfterDraw : Outcome::kRejected;
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
    next.assumed = LikeliestAfterDraw(next.draw, temperature, last->kind);
  } else {
    next.assumed = Likeliest();
  }
  next.stateAfterDraw = RandomState();
  const IDSequence& from = next.assumed == Outcome::kRejected ? *base : last->neighbour;
  move_(from, next.neighbour);
  next.kind = KindOf(next.neighbour, from);
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
    step_.kind = KindOf(step_.neighbour, current);
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
  step_.neighbour.efficiency = lanes_.Take(step_.ticket, step_.boxes);
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
    const int kind = step_.kind;
    shortfalls_[static_cast<std::size_t>(kind) * kShortfalls +
                shortfallCount_[kind] % kShortfalls] =
        shortfall == shortfall ? std::fabs(shortfall) : std::numeric_limits<double>::infinity();
    ++shortfallCount_[kind];
  }
  if (annealing_ && outcome != Outcome::kRejected) {
    laidOut_.ids = step_.neighbour.ids;
    laidOutBoxes_.swap(step_.boxes);
  }
  if (ahead_.empty() || ahead_.front().assumed == outcome) return;
  const Step& next = ahead_.front();
  TakeBack(outcome == Outcome::kBetter ? next.stateBefore : next.stateAfterDraw);
}

void Speculation::Abandon() {
  if (!ahead_.empty()) TakeBack(ahead_.front().stateAfterDraw);
}

}  // namespace nest
