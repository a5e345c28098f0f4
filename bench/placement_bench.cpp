// Layout speed on the shipped example and, where the shared instances sit
// beside the project, on the public strip-packing instances.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/PackJob.hpp"
#include "placement/Collision.hpp"
#include "placement/Evaluation.hpp"
#include "placement/reference/LiteralNesting.hpp"
#include "search/IDSequence.hpp"

namespace {

struct Instance {
  std::string name;
  std::string path;
  int rn;
  double ppd;
};

std::vector<Instance> Instances() {
  std::vector<Instance> list = {{"plates", std::string(NEST_EXAMPLES_DIR) + "/plates.txt", 4, 5}};
  const std::string shared = NEST_SHARED_BENCHMARKS_DIR;
  const std::vector<Instance> publicOnes = {
      {"albano", shared + "/albano.txt", 2, 100},    {"dagli", shared + "/dagli.txt", 2, 0.5},
      {"jakobs1", shared + "/jakobs1.txt", 4, 0.25}, {"marques", shared + "/marques.txt", 4, 1},
      {"swim", shared + "/swim.txt", 2, 100},        {"trousers", shared + "/trousers.txt", 2, 2},
      {"holes1", shared + "/holes1.txt", 4, 20},     {"holes3", shared + "/holes3.txt", 4, 20},
  };
  for (const Instance& i : publicOnes) {
    if (std::filesystem::exists(i.path)) list.push_back(i);
  }
  return list;
}

void EvaluateIdentity(benchmark::State& state, const Instance& instance) {
  nest::PackJob job;
  job.Setup(instance.path, instance.rn, instance.ppd);
  const nest::IDSequence sequence = nest::InitialSequence(job.PartCount);
  double efficiency = 0.0;
  for (auto _ : state) {
    efficiency = nest::EvaluateSequence(job, sequence);
    job.RestoreParts();
    benchmark::DoNotOptimize(efficiency);
  }
  state.counters["efficiency"] = efficiency;
  state.counters["parts"] = job.PartCount;
}

// The same layout by the literal model: real trial copies, linked lists,
// every member tested in full.
void EvaluateIdentityLiteral(benchmark::State& state, const Instance& instance) {
  std::ifstream file(instance.path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  nest::literal::PackJob job;
  job.Setup(text, instance.rn, instance.ppd);
  std::vector<int> ids(job.PartCount);
  for (int i = 0; i < job.PartCount; ++i) ids[i] = i;
  double efficiency = 0.0;
  for (auto _ : state) {
    efficiency = nest::literal::EvaluateSequence(job, ids);
    job.RestoreParts();
    benchmark::DoNotOptimize(efficiency);
  }
  state.counters["efficiency"] = efficiency;
  state.counters["parts"] = job.PartCount;
}

void PointInLoop(benchmark::State& state) {
  nest::Loop loop;
  std::vector<nest::Vertex> star;
  for (int i = 0; i < 32; ++i) {
    const double r = (i % 2 == 0) ? 100.0 : 40.0;
    const double a = i * nest::Pi() / 16;
    star.push_back(nest::Vertex{r * std::cos(a), r * std::sin(a)});
  }
  loop.SetVertices(star);
  const nest::LoopView view = nest::ViewOf(loop);
  double x = -100.0;
  for (auto _ : state) {
    x = x > 100.0 ? -100.0 : x + 0.37;
    benchmark::DoNotOptimize(nest::IsPointInLoop(view, nest::Vertex{x, 13.0}));
  }
}
BENCHMARK(PointInLoop);

const bool registered = [] {
  for (const Instance& instance : Instances()) {
    benchmark::RegisterBenchmark(("EvaluateSequence/" + instance.name).c_str(), EvaluateIdentity,
                                 instance)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("EvaluateSequenceLiteral/" + instance.name).c_str(),
                                 EvaluateIdentityLiteral, instance)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
