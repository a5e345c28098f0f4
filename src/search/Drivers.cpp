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
#include "search/Neighbourhood.hpp"
#include "search/Random.hpp"
#include "search/RunLog.hpp"
#include "search/Speculation.hpp"
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

void RunHillClimbing(PackJob& job, int maxIterations) {
  const std::int64_t start = ActiveClock().count();
  IDSequence current = InitialSequence(job.PartCount);
  std::vector<IDSequence> neighbours(1);
  Speculation search(job, false, DistinctTypeSequences(job),
                     [&](const IDSequence& base, IDSequence& out) {
                       MakeNeighbours(job, base, neighbours, 1, search.Visited());
                       out = std::move(neighbours[0]);
                     });
  double currentEfficiency = EvaluateAndRecord(job, current, search.Visited());
  RefuseEmptyLayout(job, currentEfficiency);
  const double totalArea = TotalPartArea(job);
  RunLog log;
  const long long distinct = DistinctTypeSequences(job);
  const auto length = [&](double e) { return Real(LayoutLength(job, totalArea, e)); };

  for (int i = 1;; ++i) {
    if (Exhausted(search.Settled(), distinct, log) || Interrupted(log)) {
      search.Abandon();
      break;
    }
    const std::string elapsed = Seconds(SecondsSince(start));
    log.Write({texts::kIterPrefix + Int(i) + texts::kHcIterSuffix,
               texts::kHcProgress + elapsed + texts::kHcCurrentLength + length(currentEfficiency) +
                   texts::kCommaEfficiency + Real(currentEfficiency)});
    const IDSequence& neighbour = search.Next(current, maxIterations - i);
    log.Flush();
    const double neighbourEfficiency = search.Efficiency();
    log.Write({texts::kHcNeighbourLength + length(neighbourEfficiency) + texts::kCommaEfficiency +
               Real(neighbourEfficiency)});
    const bool better = neighbourEfficiency > currentEfficiency;
    if (better) {
      current = neighbour;
      currentEfficiency = neighbourEfficiency;
    }
    search.Settle(better ? Outcome::kBetter : Outcome::kRejected);
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

namespace {

// Annealing's decision on a neighbour that is not better: the chance line,
// and whether the neighbour is taken.
bool TakenByChance(Speculation& search, RunLog& log, double difference, double temperature) {
  const double u = search.ChanceDraw() * kDrawToFraction;
  const double p = std::exp(-std::fabs(difference) / temperature);
  log.Write({texts::kSaRandom + Real(u) + texts::kSaProbability + Real(p)});
  return u < p;
}

}  // namespace

void RunSimulatedAnnealing(PackJob& job, int maxIterations) {
  double temperature = 0.01;
  IDSequence current = InitialSequence(job.PartCount);
  Speculation search(job, true, DistinctTypeSequences(job),
                     [&](const IDSequence& base, IDSequence& out) {
                       MakeAdjacentSwapNeighbour(job, base, out, search.Visited());
                     });
  double currentEfficiency = EvaluateAndRecord(job, current, search.Visited());
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
  for (long long i = 1; i <= maxIterations; ++i) {
    if (Exhausted(search.Settled(), distinct, log) || Interrupted(log)) {
      search.Abandon();
      break;
    }
    log.Write({texts::kIterPrefix + Int(i) + texts::kSaStepSuffix,
               texts::kSaTemperature + Real(temperature),
               texts::kBestEfficiency + Real(bestEfficiency) + texts::kSaCurrentEfficiency +
                   Real(currentEfficiency)});
    const IDSequence& neighbour = search.Next(current, maxIterations - i, temperature);
    log.Flush();
    const double neighbourEfficiency = search.Efficiency();
    log.Write(
        {texts::kSaNeighbourHeader, texts::kSaNeighbourEfficiency + Real(neighbourEfficiency) +
                                        texts::kSaNeighbourLength + length(neighbourEfficiency)});
    const double shortfall = currentEfficiency - neighbourEfficiency;
    const bool betterThanCurrent = neighbourEfficiency > currentEfficiency;
    const bool accepted = betterThanCurrent || TakenByChance(search, log, shortfall, temperature);
    if (accepted) {
      currentEfficiency = neighbourEfficiency;
      current = neighbour;
    }
    bool betterThanBest = false;
    if (neighbourEfficiency > bestEfficiency) {
      betterThanBest = true;
      bestEfficiency = neighbourEfficiency;
      best = neighbour;
    }
    search.Settle(betterThanCurrent ? Outcome::kBetter
                  : accepted        ? Outcome::kTakenAfterDraw
                                    : Outcome::kRejected,
                  shortfall);
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
