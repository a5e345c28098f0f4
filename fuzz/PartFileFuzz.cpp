#include "fuzz/PartFileFuzz.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "app/Console.hpp"
#include "app/PackJob.hpp"
#include "placement/Evaluation.hpp"
#include "placement/Placement.hpp"
#include "search/IDSequence.hpp"

namespace nest::fuzz {

void QuietConsole() {
  static std::FILE* const nowhere = std::fopen("/dev/null", "r+");
  if (nowhere != nullptr) ActiveConsole() = Console{nowhere, nowhere, ActiveConsole().err};
}

bool SmallJobFor(const PartFileData& parsed, std::size_t size, SmallJob& job) {
  if (parsed.failure != PartFileData::Failure::kNone) return false;
  const double length = parsed.SheetLength;
  const double width = parsed.SheetWidth;
  if (!(length > 0.0 && width > 0.0 && std::isfinite(length) && std::isfinite(width))) return false;

  // Keep each input cheap: few parts, few vertices, a coarse grid.
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
  job.rn = 1 + static_cast<int>(size % 4);
  job.ppd = std::min(length, width) / static_cast<double>(1 + size % 7);
  return job.ppd > 0.0 && CandidateGridSize(length, width, job.ppd) <= 4000.0;
}

void RunPartFileInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  PartFileData parsed = ParsePartFile(bytes);
  SmallJob answers;
  if (!SmallJobFor(parsed, size, answers)) return;

  PackJob job;
  job.SetupFrom(std::move(parsed), answers.rn, answers.ppd);
  IDSequence sequence = InitialSequence(job.PartCount);
  (void)EvaluateSequence(job, sequence);
  job.RestoreParts();
  std::reverse(sequence.ids.begin(), sequence.ids.end());
  (void)EvaluateSequence(job, sequence);
  job.RestoreParts();
}

}  // namespace nest::fuzz
