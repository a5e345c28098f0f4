// Whole search runs, timed per iteration: start-up and output are cancelled
// by timing two iteration counts of the same run and dividing the
// difference of the times by the difference of the counts.
//
//   nest_search_table cores   [--rounds R] [--seconds S] [instance ...]
//     Hill climbing and simulated annealing at the suggested settings, the
//     search as the program runs it (two threads where the process may use
//     two processors) against the search held to one thread by the seam
//     (the same binary, the same files): milliseconds per iteration and the
//     ratio.
//   nest_search_table literal [--rounds R] [--seconds S] [--fine|--suggested] [instance ...]
//     Hill climbing per iteration against the literal model's layout (what
//     one iteration of its hill climbing costs it), at the fine settings
//     (RN 8 and about 1.5 million grid points) and at the suggested ones, on
//     one thread and on two.
//
// --always makes the two-thread runs lay out ahead whatever processor time
// they get (the seam's fixed two), instead of the program's own choice.
// R rounds (default 3) alternate the variants, each figure is the median of
// its rounds; S (default 1.5) is the wall-clock seconds of the shorter run
// of a pair (the longer one runs three times as many iterations). The
// literal model is slow at the fine settings: it lays out at least two
// sequences per round. Writes Log.txt and OptIDSequenceForPack.txt into a
// scratch folder; the console goes to the null device.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/Console.hpp"
#include "Instances.hpp"
#include "app/PackJob.hpp"
#include "placement/Evaluation.hpp"
#include "placement/reference/LiteralNesting.hpp"
#include "search/Drivers.hpp"
#include "search/IDSequence.hpp"
#include "search/LayoutLanes.hpp"
#include "search/Random.hpp"

namespace {

using nest::bench::Instance;
using nest::bench::kInstances;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

std::string Path(const Instance& inst) {
  return std::string(NEST_SHARED_BENCHMARKS_DIR) + "/" + inst.name + ".txt";
}

// Wall-clock and processor seconds.
struct Seconds {
  double wall = 0.0;
  double cpu = 0.0;
};

// Seconds of one whole run (set-up of the job included, as in the program).
Seconds RunSeconds(const std::string& path, int rn, double ppd, bool annealing, int iterations,
                   int threads) {
  nest::SetSearchThreads(threads);
  nest::SeedRandom(12345);
  const Clock::time_point start = Clock::now();
  const double cpu = CpuSeconds();
  nest::PackJob job;
  job.Setup(path, rn, ppd);
  if (annealing) {
    nest::RunSimulatedAnnealing(job, iterations);
  } else {
    nest::RunHillClimbing(job, iterations);
  }
  job.WriteDxf("Layout.dxf");
  const Seconds seconds{Since(start), CpuSeconds() - cpu};
  nest::SetSearchThreads(0);
  return seconds;
}

// Milliseconds of one layout of the program on one thread: the mean over
// shuffled orders for about half a second.
double LayoutMs(const std::string& path, int rn, double ppd) {
  nest::PackJob job;
  job.Setup(path, rn, ppd);
  std::mt19937 rng(1);
  nest::IDSequence sequence = nest::InitialSequence(job.PartCount);
  int layouts = 0;
  const Clock::time_point start = Clock::now();
  do {
    std::shuffle(sequence.ids.begin(), sequence.ids.end(), rng);
    (void)nest::EvaluateSequence(job, sequence);
    job.RestoreParts();
    ++layouts;
  } while (Since(start) < 0.5 || layouts < 2);
  return Since(start) * 1000.0 / layouts;
}

struct Options {
  int rounds = 3;
  double seconds = 1.5;
  bool fine = true;
  bool suggested = true;
  int two = 0;  // the thread setting of "two threads": the program's choice
  std::vector<std::string> names;
};

bool Chosen(const Options& o, const Instance& inst) {
  return o.names.empty() || std::find(o.names.begin(), o.names.end(), inst.name) != o.names.end();
}

// Per-iteration milliseconds of whole runs, one thread and two (wall-clock
// and processor time), the variants taking turns round by round.
struct PerIteration {
  double one = 0.0;
  double two = 0.0;
  double oneCpu = 0.0;
  double twoCpu = 0.0;
};

PerIteration PerIterationMs(const std::string& path, int rn, double ppd, bool annealing,
                            const Options& o) {
  const double layoutMs = LayoutMs(path, rn, ppd);
  // The shorter run outlasts the search's first trials of the two ways (20 iterations).
  const int shortRun = std::max(40, static_cast<int>(o.seconds * 1000.0 / layoutMs));
  const int longRun = 3 * shortRun;
  const int threads[2] = {1, o.two};
  std::vector<double> wall[2];
  std::vector<double> cpu[2];
  for (int r = 0; r < o.rounds; ++r) {
    for (int t = 0; t < 2; ++t) {
      const Seconds a = RunSeconds(path, rn, ppd, annealing, shortRun, threads[t]);
      const Seconds b = RunSeconds(path, rn, ppd, annealing, longRun, threads[t]);
      wall[t].push_back((b.wall - a.wall) * 1000.0 / (longRun - shortRun));
      cpu[t].push_back((b.cpu - a.cpu) * 1000.0 / (longRun - shortRun));
    }
  }
  return PerIteration{Median(wall[0]), Median(wall[1]), Median(cpu[0]), Median(cpu[1])};
}

void Cores(const Options& o) {
  std::printf(
      "| instance | method | ms/iteration, 1 thread | ms/iteration, 2 threads | two over one | "
      "processor ms/iteration, 1 thread | processor ms/iteration, 2 threads |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  std::vector<double> ratios;
  for (const Instance& inst : kInstances) {
    if (!Chosen(o, inst) || !std::filesystem::exists(Path(inst))) continue;
    for (const bool annealing : {false, true}) {
      const PerIteration ms = PerIterationMs(Path(inst), inst.rn, inst.suggestedPpd, annealing, o);
      ratios.push_back(ms.one / ms.two);
      std::printf("| %s | %s | %.3f | %.3f | %.2f | %.3f | %.3f |\n", inst.name,
                  annealing ? "SA" : "HC", ms.one, ms.two, ms.one / ms.two, ms.oneCpu, ms.twoCpu);
      std::fflush(stdout);
    }
  }
  if (!ratios.empty()) {
    std::printf("\nmedian %.2f, lowest %.2f\n", Median(ratios),
                *std::min_element(ratios.begin(), ratios.end()));
  }
}

// Milliseconds of one layout of the literal model, median of the rounds,
// on shuffled orders.
double LiteralMs(const std::string& path, int rn, double ppd, const Options& o) {
  std::ifstream file(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  nest::literal::PackJob literal;
  literal.Setup(text, rn, ppd);
  std::mt19937 rng(2);
  std::vector<int> order(static_cast<std::size_t>(literal.PartCount));
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::vector<double> rounds;
  for (int r = 0; r < o.rounds; ++r) {
    int layouts = 0;
    const Clock::time_point start = Clock::now();
    do {
      std::shuffle(order.begin(), order.end(), rng);
      (void)nest::literal::EvaluateSequence(literal, order);
      literal.RestoreParts();
      ++layouts;
    } while (Since(start) < o.seconds || layouts < 2);
    rounds.push_back(Since(start) * 1000.0 / layouts);
  }
  return Median(rounds);
}

void Literal(const Options& o) {
  std::printf(
      "| instance | setting | RN | PPD | literal ms/layout | program ms/iteration, 1 thread | "
      "ratio, 1 thread | program ms/iteration, 2 threads | ratio, 2 threads |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|\n");
  std::vector<double> one[2];
  std::vector<double> two[2];
  for (const Instance& inst : kInstances) {
    if (!Chosen(o, inst) || !std::filesystem::exists(Path(inst))) continue;
    for (const bool fine : {false, true}) {
      if ((fine && !o.fine) || (!fine && !o.suggested)) continue;
      const int rn = fine ? 8 : inst.rn;
      const double ppd = fine ? inst.finePpd : inst.suggestedPpd;
      const PerIteration ms = PerIterationMs(Path(inst), rn, ppd, false, o);
      const double lit = LiteralMs(Path(inst), rn, ppd, o);
      one[fine].push_back(lit / ms.one);
      two[fine].push_back(lit / ms.two);
      std::printf("| %s | %s | %d | %g | %.1f | %.3f | %.1f | %.3f | %.1f |\n", inst.name,
                  fine ? "fine" : "suggested", rn, ppd, lit, ms.one, lit / ms.one, ms.two,
                  lit / ms.two);
      std::fflush(stdout);
    }
  }
  for (const bool fine : {false, true}) {
    if (one[fine].empty()) continue;
    std::printf("\n%s: 1 thread median %.1f (lowest %.1f); 2 threads median %.1f (lowest %.1f)",
                fine ? "fine" : "suggested", Median(one[fine]),
                *std::min_element(one[fine].begin(), one[fine].end()), Median(two[fine]),
                *std::min_element(two[fine].begin(), two[fine].end()));
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: nest_search_table cores|literal [--rounds R] [--seconds S] [--always] "
                 "[--fine|--suggested] [instance ...]\n");
    return 2;
  }
  const std::string what = argv[1];
  Options o;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc) {
      o.rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--seconds" && i + 1 < argc) {
      o.seconds = std::atof(argv[++i]);
    } else if (a == "--always") {
      o.two = 2;
    } else if (a == "--fine") {
      o.suggested = false;
    } else if (a == "--suggested") {
      o.fine = false;
    } else {
      o.names.push_back(a);
    }
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "nest_search_XXXXXX").string();
  std::vector<char> scratch(pattern.begin(), pattern.end());
  scratch.push_back('\0');
  if (mkdtemp(scratch.data()) == nullptr) return 1;
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(scratch.data());
  std::FILE* null = std::fopen("/dev/null", "w");
  nest::ActiveConsole().out = null;
  if (what == "cores") {
    Cores(o);
  } else if (what == "literal") {
    Literal(o);
  }
  std::fclose(null);
  std::filesystem::current_path(here);
  std::filesystem::remove_all(scratch.data());
  return 0;
}
