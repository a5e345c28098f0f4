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

namespace nest {

namespace {

constexpr char kResultFile[] = "OptIDSequenceForPack.txt";

// Evaluates a sequence, brings the parts back to the parked state, stores
// the efficiency and records the type sequence as visited.
double EvaluateAndRecord(PackJob& job, IDSequence& sequence, SequenceList& visited) {
  const double efficiency = EvaluateSequence(job, sequence);
  job.RestoreParts();
  sequence.efficiency = efficiency;
  visited.Insert(ToTypeSequence(job, sequence));
  return efficiency;
}

// True when every distinct type sequence has been evaluated, so that no move
// could find an unvisited neighbour; the early-end line is written.
bool Exhausted(const SequenceList& visited, long long distinct, RunLog& log) {
  if (visited.Count() < distinct) return false;
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
  SequenceList visited;
  IDSequence current = InitialSequence(job.PartCount);
  double currentEfficiency = EvaluateAndRecord(job, current, visited);
  RefuseEmptyLayout(job, currentEfficiency);
  const double totalArea = TotalPartArea(job);
  RunLog log;
  const long long distinct = DistinctTypeSequences(job);
  const auto length = [&](double e) { return Real(LayoutLength(job, totalArea, e)); };

  std::vector<IDSequence> neighbours(1);
  for (int i = 1;; ++i) {
    if (Exhausted(visited, distinct, log) || Interrupted(log)) break;
    const std::string elapsed = Seconds(SecondsSince(start));
    log.Write({texts::kIterPrefix + Int(i) + texts::kHcIterSuffix,
               texts::kHcProgress + elapsed + texts::kHcCurrentLength + length(currentEfficiency) +
                   texts::kCommaEfficiency + Real(currentEfficiency)});
    MakeNeighbours(job, current, neighbours, 1, visited);
    IDSequence& neighbour = neighbours[0];
    const double neighbourEfficiency = EvaluateAndRecord(job, neighbour, visited);
    log.Write({texts::kHcNeighbourLength + length(neighbourEfficiency) + texts::kCommaEfficiency +
               Real(neighbourEfficiency)});
    if (neighbourEfficiency > currentEfficiency) {
      current = neighbour;
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
  SaveIDSequence(job, kResultFile, current);
  log.Close();
}

void RunSimulatedAnnealing(PackJob& job, int maxIterations) {
  double temperature = 0.01;
  SequenceList visited;
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
  IDSequence neighbour;
  for (long long i = 1; i <= maxIterations; ++i) {
    if (Exhausted(visited, distinct, log) || Interrupted(log)) break;
    log.Write({texts::kIterPrefix + Int(i) + texts::kSaStepSuffix,
               texts::kSaTemperature + Real(temperature),
               texts::kBestEfficiency + Real(bestEfficiency) + texts::kSaCurrentEfficiency +
                   Real(currentEfficiency)});
    MakeAdjacentSwapNeighbour(job, current, neighbour, visited);
    const double neighbourEfficiency = EvaluateAndRecord(job, neighbour, visited);
    log.Write(
        {texts::kSaNeighbourHeader, texts::kSaNeighbourEfficiency + Real(neighbourEfficiency) +
                                        texts::kSaNeighbourLength + length(neighbourEfficiency)});
    bool betterThanCurrent = false;
    bool accepted = false;
    if (neighbourEfficiency > currentEfficiency) {
      betterThanCurrent = true;
      accepted = true;
      currentEfficiency = neighbourEfficiency;
      current = neighbour;
    } else {
      const double u = DrawRandom() * kDrawToFraction;
      const double p = std::exp(-std::fabs(currentEfficiency - neighbourEfficiency) / temperature);
      log.Write({texts::kSaRandom + Real(u) + texts::kSaProbability + Real(p)});
      if (u < p) {
        accepted = true;
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
