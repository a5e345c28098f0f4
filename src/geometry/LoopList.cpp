#include "geometry/LoopList.hpp"

namespace nest {

void LoopList::PushFront(const Loop& loop) {
  Loop copy;
  copy = loop;
  loops_.insert(loops_.begin(), std::move(copy));
}

void LoopList::CopyFrom(const LoopList& other) {
  if (this == &other) {
    // Copying a list onto itself reverses it, as a walk over a snapshot would.
    std::vector<Loop> snapshot = other.loops_;
    loops_.clear();
    for (const Loop& l : snapshot) PushFront(l);
    return;
  }
  loops_.clear();
  for (const Loop& l : other.loops_) PushFront(l);
}

}  // namespace nest
