// One simulated-annealing run of about a given number of seconds on a part
// data file: the iteration count is chosen from the measured time per
// iteration of a short annealing (the schedule spans the whole count, so the
// run cannot simply be cut short). Writes Log.txt and OptIDSequenceForPack.txt into the
// working directory like the program, and prints one line to stderr:
//   iterations seconds best-efficiency
//
//   nest_sa_run PART_FILE RN PPD SECONDS
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

#include "app/PackJob.hpp"
#include "placement/Evaluation.hpp"
#include "search/Drivers.hpp"
#include "search/IDSequence.hpp"
#include "search/Random.hpp"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: nest_sa_run PART_FILE RN PPD SECONDS\n");
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  nest::PackJob job;
  job.Setup(argv[1], std::atoi(argv[2]), std::atof(argv[3]));
  const double seconds = std::atof(argv[4]);

  // Time per layout on shuffled orders, over at least two seconds.
  std::mt19937 rng(1);
  nest::IDSequence sequence = nest::InitialSequence(job.PartCount);
  int layouts = 0;
  const Clock::time_point start = Clock::now();
  double spent = 0.0;
  do {
    std::shuffle(sequence.ids.begin(), sequence.ids.end(), rng);
    nest::EvaluateSequence(job, sequence);
    job.RestoreParts();
    ++layouts;
    spent = std::chrono::duration<double>(Clock::now() - start).count();
  } while (spent < 2.0 || layouts < 3);
  const double perLayout = spent / layouts;

  // The search lays out ahead on a second core where it pays, so an
  // iteration may take less than a layout: a short annealing of about three
  // seconds (its own whole schedule) gives the time per iteration.
  nest::SeedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
  const int trial = std::max(20, static_cast<int>(3.0 / perLayout));
  const Clock::time_point trialStart = Clock::now();
  nest::RunSimulatedAnnealing(job, trial);
  const double perIteration =
      std::chrono::duration<double>(Clock::now() - trialStart).count() / trial;
  job.RestoreParts();  // the trial leaves its best layout on the sheet
  const int iterations = std::max(1, static_cast<int>(seconds / perIteration));

  const Clock::time_point run = Clock::now();
  nest::RunSimulatedAnnealing(job, iterations);
  const double took = std::chrono::duration<double>(Clock::now() - run).count();
  std::fprintf(stderr, "%d %.1f %.6f\n", iterations, took, nest::LayoutEfficiency(job));
  return 0;
}
