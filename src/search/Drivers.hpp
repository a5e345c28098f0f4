#pragma once

#include "app/PackJob.hpp"

namespace nest {

// Search method 0 (ZUNO+HC): one random neighbour per iteration, taken only
// when strictly better. Leaves the best layout in job.Parts, writes Log.txt
// and OptIDSequenceForPack.txt.
void RunHillClimbing(PackJob& job, int maxIterations);

// Both end early, after the evaluation under way, when every distinct order
// has been tried or when a stop signal has been received.

// Search method 1 (ZUNO+SA): adjacent exchanges under a linearly falling
// temperature; keeps the best sequence seen. Same outputs as hill climbing.
void RunSimulatedAnnealing(PackJob& job, int maxIterations);

}  // namespace nest
