#pragma once

#include <memory>

#include "app/PackJob.hpp"
#include "placement/Evaluation.hpp"
#include "search/IDSequence.hpp"

namespace nest {

// The layouts of a search. With one lane every layout is made on the job by
// the calling thread when its result is taken, as a plain loop would. With
// two, two threads of their own each lay out on a faithful copy of the job,
// so that the search can lay out the next iteration's neighbour while the
// current one is still being laid out. A layout's efficiency does not depend
// on the lane that made it. Waiting threads sleep.
class LayoutLanes {
 public:
  // Two lanes only when `lanes` is 2 or more and the threads can be started;
  // `job` must be in its parked state. `boxes`: whether Take hands over the
  // boxes of the layout's parts.
  LayoutLanes(PackJob& job, int lanes, bool boxes);
  // Abandons what is still being laid out and ends the threads.
  ~LayoutLanes();
  LayoutLanes(const LayoutLanes&) = delete;
  LayoutLanes& operator=(const LayoutLanes&) = delete;

  // True with two lanes: more layouts may be started before the first
  // one's result is taken.
  [[nodiscard]] bool Parallel() const;
  // Starts laying out `sequence` as soon as a lane is free (layouts start
  // in the order they were asked for). The ticket names the layout until
  // its result is taken or it is dropped.
  int Start(const IDSequence& sequence);
  // Keeps `sequence` to be laid out by the calling thread at Take (no
  // hand-over to a lane): the ticket kHere.
  int StartHere(const IDSequence& sequence);
  static constexpr int kHere = -1;
  // The efficiency of the ticket's layout, once made, and with `boxes` on
  // the boxes of its parts into `placed`; what the layout threw (a stop, a
  // lack of memory) is thrown here.
  double Take(int ticket, PlacedBoxes& placed);
  // The ticket's layout is not wanted: it is not started, or abandoned at
  // its next placement, and what it throws is ignored.
  void Drop(int ticket);

 private:
  struct Shared;  // the threads, their copies of the job and the layouts

  PackJob& job_;
  bool boxes_;
  IDSequence pending_;  // the sequence of the ticket kHere
  std::unique_ptr<Shared> shared_;
};

// The threads a search lays out on: two when the process may run on two
// processors, else one. Tests and benchmarks may fix the number (1 or 2;
// 0 goes back to the choice by processors): a seam, not a setting. Fixed at
// two, the search always lays out ahead, whatever it gains.
void SetSearchThreads(int threads);
int SearchThreads();
// True when the seam fixes the number of threads.
bool SearchThreadsFixed();

}  // namespace nest
