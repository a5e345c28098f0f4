// Per shared instance and setting: milliseconds per layout of the program
// and of the literal model, measured in this process on the same sequences,
// their ratio, and the peak memory of a process that does nothing but the
// program's layouts. Every layout of the program must give the literal
// model's efficiency to the last bit. The ratio is taken of processor time
// (steadier on a shared machine); wall-clock time is shown beside it. The
// program and the literal model are measured in turns, five rounds each,
// and each figure is the median of its rounds (the literal model's first
// layouts run faster than its later ones).
//
//   nest_speed_table [suggested|fine|both] [instance ...]
//   nest_speed_table --peak PART_FILE RN PPD   (peak memory in KB of one job)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "Instances.hpp"
#include "app/PackJob.hpp"
#include "placement/Evaluation.hpp"
#include "placement/Placement.hpp"
#include "placement/reference/LiteralNesting.hpp"
#include "search/IDSequence.hpp"

namespace {

using nest::bench::Instance;
using nest::bench::kInstances;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

std::vector<std::vector<int>> Sequences(int n) {
  std::vector<std::vector<int>> out(3, std::vector<int>(static_cast<std::size_t>(n)));
  for (int i = 0; i < n; ++i) out[0][static_cast<std::size_t>(i)] = i;
  std::mt19937 rng(12345);
  for (std::size_t s = 1; s < out.size(); ++s) {
    out[s] = out[0];
    std::shuffle(out[s].begin(), out[s].end(), rng);
  }
  return out;
}

// Wall-clock and processor milliseconds per layout.
struct Ms {
  double wall = 0.0;
  double cpu = 0.0;
};

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Lays out the sequences in turn, at least once and until `seconds` of
// wall-clock time have passed, with `layout(i)` laying out sequence i.
template <class Layout>
Ms Measure(std::size_t sequences, double seconds, Layout layout) {
  int layouts = 0;
  const Clock::time_point start = Clock::now();
  const double cpu = CpuSeconds();
  do {
    for (std::size_t s = 0; s < sequences; ++s) {
      layout(s);
      ++layouts;
    }
  } while (Seconds(start, Clock::now()) < seconds);
  return Ms{Seconds(start, Clock::now()) * 1000.0 / layouts, (CpuSeconds() - cpu) * 1000.0 / layouts};
}

constexpr int kRounds = 5;

// The median wall-clock and processor times of rounds.
Ms Median(std::vector<Ms> rounds) {
  const auto middle = rounds.begin() + static_cast<std::ptrdiff_t>(rounds.size() / 2);
  Ms m;
  std::nth_element(rounds.begin(), middle, rounds.end(), [](const Ms& a, const Ms& b) { return a.wall < b.wall; });
  m.wall = middle->wall;
  std::nth_element(rounds.begin(), middle, rounds.end(), [](const Ms& a, const Ms& b) { return a.cpu < b.cpu; });
  m.cpu = middle->cpu;
  return m;
}

Ms ProgramMs(nest::PackJob& job, const std::vector<std::vector<int>>& seqs, double seconds,
             std::vector<double>* eff) {
  return Measure(seqs.size(), seconds, [&](std::size_t s) {
    nest::IDSequence sequence;
    sequence.ids = seqs[s];
    const double e = nest::EvaluateSequence(job, sequence);
    job.RestoreParts();
    if (eff != nullptr && eff->size() < seqs.size()) eff->push_back(e);
  });
}

// Peak resident memory in MB of a fresh process (this program, started
// again with --peak) that sets the job up and lays the sequences out once.
double ProgramPeakMb(const std::string& path, int rn, double ppd) {
  char command[4096];
  std::snprintf(command, sizeof command, "/proc/%d/exe --peak '%s' %d %.17g", static_cast<int>(getpid()),
                path.c_str(), rn, ppd);
  FILE* pipe = popen(command, "r");
  if (pipe == nullptr) return -1;
  long kb = -1;
  if (std::fscanf(pipe, "%ld", &kb) != 1) kb = -1;
  pclose(pipe);
  return kb / 1024.0;
}

int Peak(const char* path, int rn, double ppd) {
  nest::PackJob job;
  job.Setup(path, rn, ppd);
  ProgramMs(job, Sequences(job.PartCount), 0.0, nullptr);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%ld\n", usage.ru_maxrss);
  return 0;
}

void Row(const std::string& dir, const Instance& inst, bool fine, double minSeconds) {
  const std::string path = dir + "/" + inst.name + ".txt";
  std::ifstream file(path, std::ios::binary);
  if (!file) return;
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const int rn = fine ? 8 : inst.rn;
  const double ppd = fine ? inst.finePpd : inst.suggestedPpd;

  nest::PackJob job;
  job.Setup(path, rn, ppd);
  const std::vector<std::vector<int>> seqs = Sequences(job.PartCount);
  const double points = nest::CandidateGridSize(job.SheetLength, job.SheetWidth, ppd);

  // The program and the literal model take turns, so that a change of the
  // machine's load falls on both; each is given by the median of its rounds.
  nest::literal::PackJob literal;
  literal.Setup(text, rn, ppd);
  std::vector<double> effProgram;
  std::vector<Ms> ones;
  std::vector<Ms> literals;
  bool same = true;
  for (int round = 0; round < kRounds; ++round) {
    ones.push_back(ProgramMs(job, seqs, minSeconds / kRounds, &effProgram));
    literals.push_back(Measure(seqs.size(), minSeconds / kRounds, [&](std::size_t s) {
      const double e = nest::literal::EvaluateSequence(literal, seqs[s]);
      literal.RestoreParts();
      same = same && std::memcmp(&e, &effProgram[s], sizeof e) == 0;
    }));
  }
  const Ms one = Median(ones);
  const Ms lit = Median(literals);
  const double peak = ProgramPeakMb(path, rn, ppd);
  std::printf("| %s | %s | %d | %g | %.0f | %.1f | %.2f | %.1f | %.1f | %.2f | %.0f | %s |\n", inst.name,
              fine ? "fine" : "suggested", rn, ppd, points, lit.cpu, one.cpu, lit.cpu / one.cpu, lit.wall, one.wall,
              peak, same ? "yes" : "NO");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--peak") return Peak(argv[2], std::atoi(argv[3]), std::atof(argv[4]));
  std::string which = "both";
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "suggested" || a == "fine" || a == "both") {
      which = a;
    } else {
      names.push_back(a);
    }
  }
  std::printf("| instance | setting | RN | PPD | grid points | literal ms (cpu) | program ms (cpu) | ratio | "
              "literal ms (wall) | program ms (wall) | peak MB | same |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const Instance& inst : kInstances) {
    if (!names.empty() && std::find(names.begin(), names.end(), inst.name) == names.end()) continue;
    if (which != "fine") Row(NEST_SHARED_BENCHMARKS_DIR, inst, false, 1.0);
    if (which != "suggested") Row(NEST_SHARED_BENCHMARKS_DIR, inst, true, 1.0);
  }
  return 0;
}
