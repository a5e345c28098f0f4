#include "search/Neighbourhood.hpp"

#include <map>
#include <utility>

#include "search/Random.hpp"

namespace nest {

namespace {

__extension__ typedef unsigned __int128 Wide;

}  // namespace

IDSequence ToTypeSequence(const PackJob& job, const IDSequence& sequence) {
  IDSequence t;
  t.ids.assign(job.PartCount > 0 ? job.PartCount : 0, -1);
  for (int b = 0; b < job.PartCount; ++b) {
    const int id = b < sequence.count() ? sequence.ids[b] : -1;
    t.ids[b] = (id >= 0 && id < job.PartCount) ? job.TypeOfId[id] : -1;
  }
  t.efficiency = sequence.efficiency;
  return t;
}

int DrawWeightedCount(int n) {
  const long long total = static_cast<long long>(n) * (n + 1) / 2;
  const double u = DrawRandom() * kDrawToFraction;
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    sum = sum + static_cast<double>(n - i) / static_cast<double>(total);
    if (sum > u) return i + 1;
  }
  return n;
}

void SwapRandomPair(IDSequence& sequence) {
  const int n = sequence.count();
  const int a = DrawRandom() % n;
  const int b = DrawRandom() % n;
  std::swap(sequence.ids[a], sequence.ids[b]);
}

void MakeNeighbours(const PackJob& job, IDSequence current, std::vector<IDSequence>& out, int m,
                    const VisitedSet& visited) {
  out.resize(m);
  for (int i = 0; i < m; ++i) {
    IDSequence w = current;
    while (true) {
      const int k = DrawWeightedCount(job.PartCount);
      for (int e = 0; e < k; ++e) SwapRandomPair(w);
      const Fingerprint t = TypeFingerprint(job, w);
      if (visited.Contains(t)) continue;
      bool repeated = false;
      for (int j = 0; j < i && !repeated; ++j) repeated = TypeFingerprint(job, out[j]) == t;
      if (repeated) continue;
      break;
    }
    out[i] = std::move(w);
  }
}

void MakeAdjacentSwapNeighbour(const PackJob& job, IDSequence current, IDSequence& out,
                               const VisitedSet& visited) {
  IDSequence w = std::move(current);
  while (true) {
    const int k = DrawWeightedCount(job.PartCount - 1);
    std::swap(w.ids[k - 1], w.ids[k]);
    if (!visited.Contains(TypeFingerprint(job, w))) break;
  }
  out = std::move(w);
}

long long DistinctTypeSequences(const PackJob& job) {
  std::map<int, int> perType;
  for (int id = 0; id < job.PartCount; ++id) ++perType[job.TypeOfId[id]];
  // Multiply binomial coefficients type by type: C(placed + n_t, n_t) each,
  // built one factor at a time so every intermediate value is a whole number.
  Wide result = 1;
  long long placed = 0;
  for (const auto& [type, n] : perType) {
    (void)type;
    for (int j = 1; j <= n; ++j) {
      ++placed;
      result = result * static_cast<Wide>(placed) / static_cast<Wide>(j);
      if (result >= static_cast<Wide>(kSequenceCountCap)) return kSequenceCountCap;
    }
  }
  return static_cast<long long>(result);
}

}  // namespace nest
