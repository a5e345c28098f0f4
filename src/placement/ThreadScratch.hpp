#pragma once

#include <cassert>

namespace nest {

// Storage that a thread keeps from one layout to the next (the placement
// engine, scratch vectors), made on first use. It lives behind plain
// pointers in thread-local storage rather than as thread-local objects:
// with mingw-w64's emulated thread-local storage the storage of a thread's
// objects may be freed before their destructors run when the thread ends,
// and the program then crashes as the thread exits. A thread that lays
// parts out and then ends calls ReleaseThreadScratch first; what the main
// thread holds lasts until the process ends.

namespace detail {

struct ScratchSlot {
  void** object;
  void (*destroy)(void*);
};
inline constexpr int kScratchSlots = 8;
inline thread_local ScratchSlot tScratchSlots[kScratchSlots] = {};
inline thread_local int tScratchCount = 0;

}  // namespace detail

// This thread's object of type T (one per type: give each use a type of
// its own).
template <class T>
T& ThreadScratch() {
  thread_local T* object = nullptr;
  if (object == nullptr) {
    assert(detail::tScratchCount < detail::kScratchSlots);  // a handful of types use it
    object = new T();
    detail::tScratchSlots[detail::tScratchCount++] = {
        reinterpret_cast<void**>(&object), [](void* p) { delete static_cast<T*>(p); }};
  }
  return *object;
}

// Destroys this thread's objects; a later use makes them anew.
inline void ReleaseThreadScratch() {
  while (detail::tScratchCount > 0) {
    const detail::ScratchSlot slot = detail::tScratchSlots[--detail::tScratchCount];
    slot.destroy(*slot.object);
    *slot.object = nullptr;
  }
}

}  // namespace nest
