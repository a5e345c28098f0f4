#include "search/Drivers.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/Stop.hpp"
#include "app/StopSignals.hpp"
#include "app/Texts.hpp"
#include "parts/PartCheck.hpp"
#include "placement/Evaluation.hpp"
#include "search/Clock.hpp"
#include "search/LayoutLanes.hpp"
#include "search/Neighbourhood.hpp"
#include "search/Random.hpp"
#include "search/RunLog.hpp"
#include "search/VisitedSet.hpp"

namespace nest {

namespace {

constexpr char kResultFile[] = "OptIDSequenceForPack.txt";

// Evaluates the first sequence of a search, brings the parts back to the
// parked state, stores the efficiency and records the type sequence as
// visited.
double EvaluateAndRecord(PackJob& job, IDSequence& sequence, VisitedSet& visited) {
  const double efficiency = EvaluateSequence(job, sequence);
  job.RestoreParts();
  sequence.efficiency = efficiency;
  visited.Insert(TypeFingerprint(job, sequence));
  return efficiency;
}

// True when every distinct type sequence has been evaluated, so that no move
// could find an unvisited neighbour; the early-end line is written.
bool Exhausted(long long visited, long long distinct, RunLog& log) {
  if (visited < distinct) return false;
  log.Write({texts::kEarlyEnd});
  return true;
}

// The neighbour of an iteration, made and recorded as visited, with its
// layout started on a lane. A step made ahead (for the iteration after the
// one being decided, as if that one's neighbour were rejected) keeps what
// is needed to take it back exactly: the generator's state before it.
struct Step {
  bool made = false;
  IDSequence neighbour;
  Fingerprint fingerprint;
  int ticket = 0;
  std::uint32_t stateBefore = 0;  // the generator before the step
  // The generator after the draw that rejects the neighbour being decided
  // (annealing; hill climbing draws nothing then), and that draw.
  std::uint32_t stateAfterDraw = 0;
  int rejectionDraw = 0;
};

// Records the step's neighbour as visited and starts its layout.
void Launch(const PackJob& job, Step& step, VisitedSet& visited, LayoutLanes& lanes) {
  step.fingerprint = TypeFingerprint(job, step.neighbour);
  visited.Insert(step.fingerprint);
  step.ticket = lanes.Start(step.neighbour);
  step.made = true;
}

// Takes a step made ahead back: its layout is dropped, its sequence is no
// longer visited and the generator returns to `state`.
void TakeBack(Step& step, VisitedSet& visited, LayoutLanes& lanes, std::uint32_t state) {
  if (!step.made) return;
  lanes.Drop(step.ticket);
  visited.Erase(step.fingerprint);
  SeedRandom(state);
  step.made = false;
}

// True when the user asked the run to stop; the search then ends as an early
// end does, with its own line.
bool Interrupted(RunLog& log) {
  if (StopSignalReceived() == 0) return false;
  log.Write({texts::kInterrupted});
  return true;
}

// A sequence that puts no part on the sheet: every part was tried on the
// empty sheet, so no order can do better. Stops the run naming the parts.
void RefuseEmptyLayout(const PackJob& job, double efficiency) {
  if (efficiency > 0.0) return;
  std::vector<std::string> seen;
  std::string names;
  for (const Part& part : job.Parts) {
    if (std::find(seen.begin(), seen.end(), part.Name) != seen.end()) continue;
    if (seen.size() == 10) {
      names += " ...";
      break;
    }
    seen.push_back(part.Name);
    names += (names.empty() ? " " : ", ") + PrintableName(part.Name);
  }
  throw RunStop{StopNotice::kWarningBox, texts::kNothingFits + names};
}

std::string ParameterLine(const PackJob& job) {
  return std::string("  RN=") + Int(job.RN) + ", PPD=" + Real(job.PPD);
}

}  // namespace

// Both drivers lay out the neighbour of iteration k + 1 while that of k is
// still being laid out, as if k's were rejected (most are): nothing that
// made k + 1's neighbour depends on k's efficiency then, since the current
// sequence stays, hill climbing draws nothing to decide and annealing draws
// its chance number, once, exactly when it rejects. When k's neighbour is
// accepted after all, the step made ahead is taken back and made again from
// the new current sequence. Every draw, line and result is the one a single
// thread gives.

void RunHillClimbing(PackJob& job, int maxIterations) {
  const std::int64_t start = ActiveClock().count();
  VisitedSet visited;
  IDSequence current = InitialSequence(job.PartCount);
  double currentEfficiency = EvaluateAndRecord(job, current, visited);
  RefuseEmptyLayout(job, currentEfficiency);
  const double totalArea = TotalPartArea(job);
  RunLog log;
  const long long distinct = DistinctTypeSequences(job);
  const auto length = [&](double e) { return Real(LayoutLength(job, totalArea, e)); };

  LayoutLanes lanes(job, SearchThreads());
  std::vector<IDSequence> neighbours(1);
  const auto makeStep = [&](Step& step) {
    step.stateBefore = RandomState();
    step.stateAfterDraw = step.stateBefore;  // nothing is drawn to decide
    MakeNeighbours(job, current, neighbours, 1, visited);
    step.neighbour = std::move(neighbours[0]);
    Launch(job, step, visited, lanes);
  };
  Step step;
  Step ahead;
  for (int i = 1;; ++i) {
    const long long settled = visited.Count() - (ahead.made ? 1 : 0);
    if (Exhausted(settled, distinct, log) || Interrupted(log)) {
      TakeBack(ahead, visited, lanes, ahead.stateAfterDraw);
      break;
    }
    const std::string elapsed = Seconds(SecondsSince(start));
    log.Write({texts::kIterPrefix + Int(i) + texts::kHcIterSuffix,
               texts::kHcProgress + elapsed + texts::kHcCurrentLength + length(currentEfficiency) +
                   texts::kCommaEfficiency + Real(currentEfficiency)});
    if (ahead.made) {
      std::swap(step, ahead);
      ahead.made = false;
    } else {
      makeStep(step);
    }
    // A run abandoned by a second signal stops where one thread would: in
    // this step's layout, even when it was made ahead and is done already.
    StopIfSignalledTwice();
    if (lanes.Parallel() && i < maxIterations && visited.Count() < distinct) makeStep(ahead);
    log.Flush();
    const double neighbourEfficiency = lanes.Take(step.ticket);
    step.made = false;
    step.neighbour.efficiency = neighbourEfficiency;
    log.Write({texts::kHcNeighbourLength + length(neighbourEfficiency) + texts::kCommaEfficiency +
               Real(neighbourEfficiency)});
    if (neighbourEfficiency > currentEfficiency) {
      TakeBack(ahead, visited, lanes, ahead.stateBefore);
      current = step.neighbour;
      currentEfficiency = neighbourEfficiency;
    }
    if (i >= maxIterations) break;
  }

  log.Write({""});
  log.Write({texts::kParameterHeader});
  log.Write({ParameterLine(job)});
  log.Write({texts::kResultHeader});
  currentEfficiency = EvaluateSequence(job, current);
  log.Write({texts::kBestLength + length(currentEfficiency),
             texts::kBestEfficiency + Real(currentEfficiency)});
  log.Write({texts::kHcTotalTime + Seconds(SecondsSince(start))});
  log.Flush();  // a log that cannot be written stops before the result file
  SaveIDSequence(job, kResultFile, current);
  log.Close();
}

void RunSimulatedAnnealing(PackJob& job, int maxIterations) {
  double temperature = 0.01;
  VisitedSet visited;
  IDSequence current = InitialSequence(job.PartCount);
  double currentEfficiency = EvaluateAndRecord(job, current, visited);
  RefuseEmptyLayout(job, currentEfficiency);
  double bestEfficiency = currentEfficiency;
  IDSequence best = current;
  const double totalArea = TotalPartArea(job);
  RunLog log;
  const std::int64_t start = ActiveClock().count();
  const double coolingStep = 0.01 / maxIterations;
  const long long distinct = DistinctTypeSequences(job);
  const auto length = [&](double e) { return Real(LayoutLength(job, totalArea, e)); };

  log.Write({texts::kSaInitial + length(currentEfficiency) + texts::kCommaEfficiency +
             Real(currentEfficiency)});
  LayoutLanes lanes(job, SearchThreads());
  const auto makeStep = [&](Step& step) {
    step.stateBefore = RandomState();
    MakeAdjacentSwapNeighbour(job, current, step.neighbour, visited);
    Launch(job, step, visited, lanes);
  };
  Step step;
  Step ahead;
  for (long long i = 1; i <= maxIterations; ++i) {
    const long long settled = visited.Count() - (ahead.made ? 1 : 0);
    if (Exhausted(settled, distinct, log) || Interrupted(log)) {
      TakeBack(ahead, visited, lanes, ahead.stateAfterDraw);
      break;
    }
    log.Write({texts::kIterPrefix + Int(i) + texts::kSaStepSuffix,
               texts::kSaTemperature + Real(temperature),
               texts::kBestEfficiency + Real(bestEfficiency) + texts::kSaCurrentEfficiency +
                   Real(currentEfficiency)});
    if (ahead.made) {
      std::swap(step, ahead);
      ahead.made = false;
    } else {
      makeStep(step);
    }
    // A run abandoned by a second signal stops where one thread would: in
    // this step's layout, even when it was made ahead and is done already.
    StopIfSignalledTwice();
    if (lanes.Parallel() && i < maxIterations && visited.Count() < distinct) {
      // A rejection draws the chance number first.
      ahead.stateBefore = RandomState();
      ahead.rejectionDraw = DrawRandom();
      ahead.stateAfterDraw = RandomState();
      MakeAdjacentSwapNeighbour(job, current, ahead.neighbour, visited);
      Launch(job, ahead, visited, lanes);
    }
    log.Flush();
    const double neighbourEfficiency = lanes.Take(step.ticket);
    step.made = false;
    IDSequence& neighbour = step.neighbour;
    neighbour.efficiency = neighbourEfficiency;
    log.Write(
        {texts::kSaNeighbourHeader, texts::kSaNeighbourEfficiency + Real(neighbourEfficiency) +
                                        texts::kSaNeighbourLength + length(neighbourEfficiency)});
    bool betterThanCurrent = false;
    bool accepted = false;
    if (neighbourEfficiency > currentEfficiency) {
      betterThanCurrent = true;
      accepted = true;
      TakeBack(ahead, visited, lanes, ahead.stateBefore);
      currentEfficiency = neighbourEfficiency;
      current = neighbour;
    } else {
      const int draw = ahead.made ? ahead.rejectionDraw : DrawRandom();
      const double u = draw * kDrawToFraction;
      const double p = std::exp(-std::fabs(currentEfficiency - neighbourEfficiency) / temperature);
      log.Write({texts::kSaRandom + Real(u) + texts::kSaProbability + Real(p)});
      if (u < p) {
        accepted = true;
        TakeBack(ahead, visited, lanes, ahead.stateAfterDraw);
        current = neighbour;
        currentEfficiency = neighbourEfficiency;
      }
    }
    bool betterThanBest = false;
    if (neighbourEfficiency > bestEfficiency) {
      betterThanBest = true;
      bestEfficiency = neighbourEfficiency;
      best = neighbour;
    }
    log.Write({betterThanCurrent ? texts::kSaBetterThanCurrent : texts::kSaWorseThanCurrent});
    log.Write({accepted ? texts::kSaAccepted : texts::kSaRejected});
    log.Write({betterThanBest ? texts::kSaBetterThanBest : texts::kSaWorseThanBest});
    temperature = temperature - coolingStep;
  }

  const std::string elapsed = Seconds(SecondsSince(start));
  log.Write({texts::kParameterHeader});
  log.Write({ParameterLine(job)});
  log.Write({texts::kResultHeader});
  log.Write({texts::kBestLength + length(bestEfficiency),
             texts::kBestEfficiency + Real(bestEfficiency), texts::kSaTotalTime + elapsed});
  log.Close();
  (void)EvaluateSequence(job, best);
  SaveIDSequence(job, kResultFile, best);
}

}  // namespace nest
