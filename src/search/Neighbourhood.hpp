#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/PackJob.hpp"
#include "search/IDSequence.hpp"

namespace nest {

// A driver's visited list: sequences in non-increasing order of efficiency;
// a new entry follows every entry of equal or greater efficiency.
class SequenceList {
 public:
  void Insert(const IDSequence& sequence);
  [[nodiscard]] bool Contains(const IDSequence& sequence) const;
  void Clear();
  [[nodiscard]] long long Count() const { return static_cast<long long>(entries_.size()); }
  [[nodiscard]] const std::list<IDSequence>& Entries() const { return entries_; }

 private:
  std::list<IDSequence> entries_;
  // The entries whose efficiency is a number, by falling efficiency. They
  // stand in that order in the list too (an entry without a number goes to
  // the end and is passed over by later insertions), so the first entry of
  // the list with a smaller efficiency is found here without a walk.
  std::multimap<double, std::list<IDSequence>::iterator, std::greater<double>> byEfficiency_;
  // The IDs of every entry, for membership tests without a scan.
  std::unordered_set<std::string> keys_;
};

// The sequence with every part ID replaced by its part's type number.
IDSequence ToTypeSequence(const PackJob& job, const IDSequence& sequence);

// Draws k in 1..n with probability (n - k + 1) / (n(n + 1)/2): one draw.
int DrawWeightedCount(int n);

// Exchanges the IDs at two drawn positions (they may coincide): two draws.
void SwapRandomPair(IDSequence& sequence);

// Hill climbing's move: m neighbours of `current`, each made by a drawn number
// of random exchanges and redrawn on top until its type sequence is neither
// visited nor among the earlier outputs.
void MakeNeighbours(const PackJob& job, IDSequence current, std::vector<IDSequence>& out, int m,
                    const SequenceList& visited);

// Simulated annealing's move: adjacent exchanges, the pair at the front the
// most likely, added on top until the type sequence is unvisited.
void MakeAdjacentSwapNeighbour(const PackJob& job, IDSequence current, IDSequence& out,
                               const SequenceList& visited);

// Number of distinct type sequences of the job's parts: PartCount! over the
// product of the factorials of the counts per type, saturating at
// kSequenceCountCap.
inline constexpr long long kSequenceCountCap = 1000000000000000000LL;
long long DistinctTypeSequences(const PackJob& job);

}  // namespace nest
