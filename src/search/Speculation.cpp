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

long long Speculation::Settled() const { return visited_.Count() - (ahead_.made ? 1 : 0); }

void Speculation::Launch(Step& step, bool here) {
  step.fingerprint = TypeFingerprint(job_, step.neighbour);
  visited_.Insert(step.fingerprint);
  step.ticket = here ? lanes_.StartHere(step.neighbour) : lanes_.Start(step.neighbour);
  step.made = true;
}

void Speculation::TakeBack(std::uint32_t state) {
  if (!ahead_.made) return;
  lanes_.Drop(ahead_.ticket);
  visited_.Erase(ahead_.fingerprint);
  SeedRandom(state);
  ahead_.made = false;
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

Outcome Speculation::LikeliestAfterDraw(int draw, double temperature) const {
  // Taken when better, or when the shortfall is below -temperature ln(u).
  const double better = weight_[static_cast<int>(Outcome::kBetter)];
  const double u = draw * kDrawToFraction;
  const double reach =
      u > 0.0 ? -temperature * std::log(u) : std::numeric_limits<double>::infinity();
  const int zone = step_.zone;
  const int n = shortfallCount_[zone] < kShortfalls ? shortfallCount_[zone] : kShortfalls;
  if (n == 0) return better > 0.5 ? Outcome::kTakenAfterDraw : Outcome::kRejected;
  int within = 0;
  for (int i = 0; i < n; ++i) within += shortfalls_[zone][i] < reach ? 1 : 0;
  const double taken = better + (1.0 - better) * within / n;
  return taken > 0.5 ? Outcome::kTakenAfterDraw : Outcome::kRejected;
}

const IDSequence& Speculation::Next(const IDSequence& current, bool more, double temperature) {
  const bool ahead = lanes_.Parallel() && choice_.Ahead();
  if (ahead_.made) {
    std::swap(step_, ahead_);
    ahead_.made = false;
  } else {
    move_(current, step_.neighbour);
    Launch(step_, !ahead);  // one at a time: laid out by this thread
  }
  StopIfSignalledTwice();
  if (annealing_) step_.zone = ZoneOf(step_.neighbour, current);
  if (ahead && more && visited_.Count() < distinct_) {
    ahead_.stateBefore = RandomState();
    if (annealing_) {
      ahead_.draw = DrawRandom();
      ahead_.assumed = LikeliestAfterDraw(ahead_.draw, temperature);
    } else {
      ahead_.assumed = Likeliest();
    }
    ahead_.stateAfterDraw = RandomState();
    move_(ahead_.assumed == Outcome::kRejected ? current : step_.neighbour, ahead_.neighbour);
    Launch(ahead_, false);
  }
  return step_.neighbour;
}

double Speculation::Efficiency() {
  step_.made = false;
  step_.neighbour.efficiency = lanes_.Take(step_.ticket);
  return step_.neighbour.efficiency;
}

int Speculation::ChanceDraw() {
  if (ahead_.made && ahead_.assumed != Outcome::kBetter) return ahead_.draw;
  TakeBack(ahead_.stateBefore);
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
  if (!ahead_.made || ahead_.assumed == outcome) return;
  TakeBack(outcome == Outcome::kBetter ? ahead_.stateBefore : ahead_.stateAfterDraw);
}

void Speculation::Abandon() { TakeBack(ahead_.stateAfterDraw); }

}  // namespace nest
