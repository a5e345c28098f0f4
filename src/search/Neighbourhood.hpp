#pragma once

#include <vector>

#include "app/PackJob.hpp"
#include "search/IDSequence.hpp"
#include "search/VisitedSet.hpp"

namespace nest {

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
                    const VisitedSet& visited);

// Simulated annealing's move: adjacent exchanges, the pair at the front the
// most likely, added on top until the type sequence is unvisited.
void MakeAdjacentSwapNeighbour(const PackJob& job, IDSequence current, IDSequence& out,
                               const VisitedSet& visited);

// Number of distinct type sequences of the job's parts: PartCount! over the
// product of the factorials of the counts per type, saturating at
// kSequenceCountCap.
inline constexpr long long kSequenceCountCap = 1000000000000000000LL;
long long DistinctTypeSequences(const PackJob& job);

}  // namespace nest
