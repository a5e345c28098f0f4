#include "search/Neighbourhood.hpp"

#include <cassert>
#include <iterator>
#include <map>

#include "search/Random.hpp"

namespace nest {

namespace {

__extension__ typedef unsigned __int128 Wide;

std::string KeyOf(const IDSequence& s) {
  return std::string(reinterpret_cast<const char*>(s.ids.data()), s.ids.size() * sizeof(int));
}

}  // namespace

void SequenceList::Insert(const IDSequence& sequence) {
  const double e = sequence.efficiency;
  if (e != e) {  // no number: nothing is smaller, so it goes to the end
    entries_.push_back(sequence);
  } else {
    const auto smaller = byEfficiency_.upper_bound(e);
    const auto at = smaller == byEfficiency_.end() ? entries_.end() : smaller->second;
    const auto entry = entries_.insert(at, sequence);
    assert(entry == entries_.begin() || !(std::prev(entry)->efficiency < e));
    assert(std::next(entry) == entries_.end() || !(std::next(entry)->efficiency >= e));
    byEfficiency_.emplace_hint(smaller, e, entry);
  }
  keys_.insert(KeyOf(sequence));
}

bool SequenceList::Contains(const IDSequence& sequence) const {
  return keys_.count(KeyOf(sequence)) != 0;
}

void SequenceList::Clear() {
  entries_.clear();
  byEfficiency_.clear();
  keys_.clear();
}

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
                    const SequenceList& visited) {
  out.resize(m);
  for (int i = 0; i < m; ++i) {
    IDSequence w = current;
    while (true) {
      const int k = DrawWeightedCount(job.PartCount);
      for (int e = 0; e < k; ++e) SwapRandomPair(w);
      const IDSequence t = ToTypeSequence(job, w);
      if (visited.Contains(t)) continue;
      bool repeated = false;
      for (int j = 0; j < i && !repeated; ++j) repeated = ToTypeSequence(job, out[j]).Equals(t);
      if (repeated) continue;
      break;
    }
    out[i] = w;
  }
}

void MakeAdjacentSwapNeighbour(const PackJob& job, IDSequence current, IDSequence& out,
                               const SequenceList& visited) {
  IDSequence w = std::move(current);
  while (true) {
    const int k = DrawWeightedCount(job.PartCount - 1);
    std::swap(w.ids[k - 1], w.ids[k]);
    if (!visited.Contains(ToTypeSequence(job, w))) break;
  }
  out = w;
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
