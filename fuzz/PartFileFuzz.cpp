#include "fuzz/PartFileFuzz.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "app/Console.hpp"
#include "app/Stop.hpp"
#include "parts/PartFile.hpp"
#include "placement/Evaluation.hpp"
#include "placement/Placement.hpp"
#include "search/IDSequence.hpp"

namespace nest::fuzz {

void QuietConsole() {
  static std::FILE* const nowhere = std::fopen("/dev/null", "r+");
  if (nowhere != nullptr) ActiveConsole() = Console{nowhere, nowhere, ActiveConsole().err};
}

bool SetUpSmallJob(const std::uint8_t* data, std::size_t size, PackJob& job) {
  PartFileData parsed = ParsePartFile(std::string_view(reinterpret_cast<const char*>(data), size));
  // Keep each input cheap: few parts, few vertices.
  long long instances = 0;
  long long vertices = 0;
  for (const PartBlock& b : parsed.blocks) {
    const long long copies = std::max(b.count, 0);
    instances += copies;
    long long v = b.part.OutLoop.Count();
    for (const Loop& h : b.part.InnerLoops.Loops()) v += h.Count();
    vertices += copies * v;
  }
  if (instances > 24 || vertices > 600) return false;

  const int rn = 1 + static_cast<int>(size % 4);
  const double ppd = std::min(parsed.SheetLength, parsed.SheetWidth) / static_cast<double>(1 + size % 7);
  try {
    const std::optional<RunStop> unusable = UnusablePartStop(parsed);
    job.SetupFrom(std::move(parsed), rn, ppd);
    if (unusable) return false;
  } catch (const RunStop&) {
    return false;
  }
  // A coarse grid of a spacing the run flow accepts.
  return job.PartCount > 0 && std::isfinite(ppd) && ppd > 0.0 && ppd <= job.SheetLength &&
         ppd <= job.SheetWidth && CandidateGridSize(job.SheetLength, job.SheetWidth, ppd) <= 4000.0;
}

void RunPartFileInput(const std::uint8_t* data, std::size_t size) {
  PackJob job;
  if (!SetUpSmallJob(data, size, job)) return;
  IDSequence sequence = InitialSequence(job.PartCount);
  (void)EvaluateSequence(job, sequence);
  job.RestoreParts();
  std::reverse(sequence.ids.begin(), sequence.ids.end());
  (void)EvaluateSequence(job, sequence);
  job.RestoreParts();
}

}  // namespace nest::fuzz
