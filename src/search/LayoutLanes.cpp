#include "search/LayoutLanes.hpp"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "placement/Evaluation.hpp"
#include "placement/ThreadScratch.hpp"
#include "search/Cores.hpp"

namespace nest {

namespace {

std::atomic<int> gFixedThreads{0};  // 0: by the processors

enum class TaskState {
  kFree,     // no layout
  kPosted,   // waits for a lane
  kRunning,  // being laid out
  kDone,     // made; waits for Take
};

// One layout asked for: its sequence, and once made its efficiency or what
// it threw.
struct Task {
  IDSequence sequence;
  TaskState state = TaskState::kFree;
  bool wanted = false;  // false once dropped
  double efficiency = 0.0;
  PlacedBoxes boxes;
  std::exception_ptr error;
  std::atomic<bool> abandon{false};
};

// One thread and its copy of the job.
struct Lane {
  explicit Lane(PackJob copy) : job(std::move(copy)) {}
  PackJob job;
  // The parts may stand where a layout left them (it threw while laid out).
  bool partsOut = false;
  std::thread thread;
};

}  // namespace

struct LayoutLanes::Shared {
  std::mutex mutex;
  std::condition_variable posted;  // a layout waits for a lane, or the end
  std::condition_variable done;    // a lane finished a layout
  bool ending = false;
  bool boxes = false;  // the lanes collect the boxes of the parts
  std::unique_ptr<Lane> lanes[2];
  std::vector<std::unique_ptr<Task>> tasks;  // a ticket is an index here
  std::deque<int> queue;                     // posted tickets, oldest first

  void Work(Lane& lane);
  void LayOut(Lane& lane, Task& task) const;
};

// Lays out the task's sequence on the lane's job and brings the parts back;
// what is thrown is kept for Take.
void LayoutLanes::Shared::LayOut(Lane& lane, Task& task) const {
  try {
    if (lane.partsOut) lane.job.RestoreParts();
    lane.partsOut = true;
    task.efficiency = EvaluateSequenceUnless(lane.job, task.sequence, task.abandon);
    if (boxes && !task.abandon.load(std::memory_order_relaxed)) {
      CollectPlacedBoxes(lane.job, task.sequence, task.boxes);
    }
    lane.job.RestoreParts();
    lane.partsOut = false;
  } catch (...) {
    task.error = std::current_exception();
  }
}

void LayoutLanes::Shared::Work(Lane& lane) {
  std::unique_lock<std::mutex> lock(mutex);
  while (true) {
    posted.wait(lock, [&] { return ending || !queue.empty(); });
    if (ending) return;
    Task& task = *tasks[static_cast<std::size_t>(queue.front())];
    queue.pop_front();
    task.state = TaskState::kRunning;
    task.error = nullptr;
    lock.unlock();
    LayOut(lane, task);
    lock.lock();
    task.state = task.wanted ? TaskState::kDone : TaskState::kFree;
    done.notify_all();
  }
}

LayoutLanes::LayoutLanes(PackJob& job, int lanes, bool boxes) : job_(job), boxes_(boxes) {
  if (lanes < 2) return;
  try {
    auto shared = std::make_unique<Shared>();
    shared->boxes = boxes;
    for (auto& lane : shared->lanes) lane = std::make_unique<Lane>(job.Duplicate());
    int started = 0;
    try {
      for (auto& lane : shared->lanes) {
        Lane* l = lane.get();
        Shared* s = shared.get();
        lane->thread = std::thread([s, l] {
          s->Work(*l);
          ReleaseThreadScratch();  // before the thread ends
        });
        ++started;
      }
    } catch (const std::system_error&) {
      {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->ending = true;
      }
      shared->posted.notify_all();
      for (int i = 0; i < started; ++i) shared->lanes[i]->thread.join();
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
    for (auto& task : shared_->tasks) task->abandon.store(true);
  }
  shared_->posted.notify_all();
  for (auto& lane : shared_->lanes) lane->thread.join();
}

bool LayoutLanes::Parallel() const { return shared_ != nullptr; }

int LayoutLanes::StartHere(const IDSequence& sequence) {
  pending_.ids = sequence.ids;
  return kHere;
}

int LayoutLanes::Start(const IDSequence& sequence) {
  if (!shared_) return StartHere(sequence);
  std::lock_guard<std::mutex> lock(shared_->mutex);
  std::vector<std::unique_ptr<Task>>& tasks = shared_->tasks;
  std::size_t free = 0;
  while (free < tasks.size() && tasks[free]->state != TaskState::kFree) ++free;
  if (free == tasks.size()) tasks.push_back(std::make_unique<Task>());
  Task& task = *tasks[free];
  task.sequence.ids = sequence.ids;
  task.wanted = true;
  task.abandon.store(false);
  task.state = TaskState::kPosted;
  shared_->queue.push_back(static_cast<int>(free));
  shared_->posted.notify_one();
  return static_cast<int>(free);
}

double LayoutLanes::Take(int ticket, PlacedBoxes& placed) {
  if (ticket == kHere) {
    const double efficiency = EvaluateSequence(job_, pending_);
    if (boxes_) CollectPlacedBoxes(job_, pending_, placed);
    job_.RestoreParts();
    return efficiency;
  }
  Task& task = *shared_->tasks[static_cast<std::size_t>(ticket)];
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->done.wait(lock, [&] { return task.state == TaskState::kDone; });
  task.state = TaskState::kFree;
  if (task.error) std::rethrow_exception(std::exchange(task.error, nullptr));
  if (boxes_) placed.swap(task.boxes);
  return task.efficiency;
}

void LayoutLanes::Drop(int ticket) {
  if (ticket == kHere) return;
  Task& task = *shared_->tasks[static_cast<std::size_t>(ticket)];
  std::lock_guard<std::mutex> lock(shared_->mutex);
  task.wanted = false;
  task.abandon.store(true);
  if (task.state == TaskState::kPosted) {
    std::deque<int>& queue = shared_->queue;
    for (auto it = queue.begin(); it != queue.end(); ++it) {
      if (*it == ticket) {
        queue.erase(it);
        break;
      }
    }
  }
  if (task.state != TaskState::kRunning) task.state = TaskState::kFree;
}

void SetSearchThreads(int threads) { gFixedThreads.store(threads <= 0 ? 0 : threads >= 2 ? 2 : 1); }

bool SearchThreadsFixed() { return gFixedThreads.load() != 0; }

int SearchThreads() {
  const int fixed = gFixedThreads.load();
  if (fixed != 0) return fixed;
  return platform::UsableCores() >= 2 ? 2 : 1;
}

}  // namespace nest
