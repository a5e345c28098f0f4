#include "search/LayoutLanes.hpp"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "placement/Evaluation.hpp"
#include "search/Cores.hpp"

namespace nest {

namespace {

std::atomic<int> gFixedThreads{0};  // 0: by the processors

enum class LaneState {
  kIdle,     // free for a new layout
  kPosted,   // a layout waits for the lane's thread
  kRunning,  // being laid out
  kDone,     // made; waits for Take
};

// One thread and its copy of the job.
struct Lane {
  explicit Lane(PackJob copy) : job(std::move(copy)) {}
  PackJob job;
  IDSequence sequence;
  LaneState state = LaneState::kIdle;
  bool wanted = false;  // false once dropped
  double efficiency = 0.0;
  std::exception_ptr error;
  std::atomic<bool> abandon{false};
  // The parts may stand where a layout left them (it threw while laid out).
  bool partsOut = false;
  std::condition_variable wake;
  std::thread thread;
};

}  // namespace

struct LayoutLanes::Shared {
  std::mutex mutex;
  std::condition_variable done;  // a lane finished a layout
  bool ending = false;
  std::unique_ptr<Lane> lanes[2];

  void Work(Lane& lane);
  static void LayOut(Lane& lane);
};

// Lays out the lane's sequence and brings the parts back; what is thrown is
// kept for Take.
void LayoutLanes::Shared::LayOut(Lane& lane) {
  try {
    if (lane.partsOut) lane.job.RestoreParts();
    lane.partsOut = true;
    lane.efficiency = EvaluateSequenceUnless(lane.job, lane.sequence, lane.abandon);
    lane.job.RestoreParts();
    lane.partsOut = false;
  } catch (...) {
    lane.error = std::current_exception();
  }
}

void LayoutLanes::Shared::Work(Lane& lane) {
  std::unique_lock<std::mutex> lock(mutex);
  while (true) {
    lane.wake.wait(lock, [&] { return ending || lane.state == LaneState::kPosted; });
    if (ending) return;
    lane.state = LaneState::kRunning;
    lane.error = nullptr;
    lock.unlock();
    LayOut(lane);
    lock.lock();
    lane.state = lane.wanted ? LaneState::kDone : LaneState::kIdle;
    done.notify_all();
  }
}

LayoutLanes::LayoutLanes(PackJob& job, int lanes) : job_(job) {
  if (lanes < 2) return;
  try {
    auto shared = std::make_unique<Shared>();
    for (auto& lane : shared->lanes) lane = std::make_unique<Lane>(job.Duplicate());
    int started = 0;
    try {
      for (auto& lane : shared->lanes) {
        Lane* l = lane.get();
        Shared* s = shared.get();
        lane->thread = std::thread([s, l] { s->Work(*l); });
        ++started;
      }
    } catch (const std::system_error&) {
      {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->ending = true;
      }
      for (int i = 0; i < started; ++i) {
        shared->lanes[i]->wake.notify_all();
        shared->lanes[i]->thread.join();
      }
      return;  // one lane: the threads could not be had
    }
    shared_ = std::move(shared);
  } catch (const std::bad_alloc&) {
    // No room for the copies: one lane, as without them.
  }
}

LayoutLanes::~LayoutLanes() {
  if (!shared_) return;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->ending = true;
    for (auto& lane : shared_->lanes) lane->abandon.store(true);
  }
  for (auto& lane : shared_->lanes) {
    lane->wake.notify_all();
    lane->thread.join();
  }
}

bool LayoutLanes::Parallel() const { return shared_ != nullptr; }

int LayoutLanes::StartHere(const IDSequence& sequence) {
  pending_.ids = sequence.ids;
  return kHere;
}

int LayoutLanes::Start(const IDSequence& sequence) {
  if (!shared_) return StartHere(sequence);
  std::unique_lock<std::mutex> lock(shared_->mutex);
  int free = -1;
  shared_->done.wait(lock, [&] {
    for (int i = 0; i < 2; ++i) {
      if (shared_->lanes[i]->state == LaneState::kIdle) {
        free = i;
        return true;
      }
    }
    return false;
  });
  Lane& lane = *shared_->lanes[free];
  lane.sequence.ids = sequence.ids;
  lane.wanted = true;
  lane.abandon.store(false);
  lane.state = LaneState::kPosted;
  lane.wake.notify_one();
  return free;
}

double LayoutLanes::Take(int ticket) {
  if (ticket == kHere) {
    const double efficiency = EvaluateSequence(job_, pending_);
    job_.RestoreParts();
    return efficiency;
  }
  Lane& lane = *shared_->lanes[ticket];
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->done.wait(lock, [&] { return lane.state == LaneState::kDone; });
  lane.state = LaneState::kIdle;
  if (lane.error) std::rethrow_exception(std::exchange(lane.error, nullptr));
  return lane.efficiency;
}

void LayoutLanes::Drop(int ticket) {
  if (ticket == kHere) return;
  Lane& lane = *shared_->lanes[ticket];
  std::lock_guard<std::mutex> lock(shared_->mutex);
  lane.wanted = false;
  lane.abandon.store(true);
  if (lane.state == LaneState::kDone) lane.state = LaneState::kIdle;
  if (lane.state == LaneState::kPosted) lane.state = LaneState::kIdle;
}

void SetSearchThreads(int threads) { gFixedThreads.store(threads <= 0 ? 0 : threads >= 2 ? 2 : 1); }

bool SearchThreadsFixed() { return gFixedThreads.load() != 0; }

int SearchThreads() {
  const int fixed = gFixedThreads.load();
  if (fixed != 0) return fixed;
  return platform::UsableCores() >= 2 ? 2 : 1;
}

}  // namespace nest
