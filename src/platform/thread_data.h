// Data the library keeps once per thread: the XML writer's state, the library identity, the
// log text and the room of the last index file read. It is held in a registry of our own rather
// than in the compiler's thread-local objects, whose destructors the MinGW runtime runs from
// inside the loader's thread-exit callbacks and which pin the DLL while they live: when a host's
// COM apartment had already let the DLL go, the last of those destructors unloaded the DLL from
// within its own thread-exit callback, and the thread never ended. Here, nothing is destroyed behind the library's back:
//  - the DLL calls ReleaseThreadData when a thread ends (DLL_THREAD_DETACH) and
//    ReleaseAllThreadData when it is unloaded; natively a thread's data goes when the thread ends;
//  - neither waits on anything, so both are safe while the loader lock is held;
//  - a record freed by an ended thread is taken again by the next new thread, so a host that
//    runs many short threads keeps as many records as it had threads at one time.
#pragma once

#include <cstddef>
#include <memory>

namespace platform {

// One piece of per-thread data; each lives in its own slot.
class ThreadData {
public:
    virtual ~ThreadData() = default;
};

inline constexpr int kThreadDataSlots = 4;

// The calling thread's data in `slot`, or null when it has none yet.
ThreadData* FindThreadData(int slot);
// Gives `data` to the calling thread's `slot` (replacing what was there) and returns it.
ThreadData& KeepThreadData(int slot, std::unique_ptr<ThreadData> data);
// Destroys the calling thread's data; its record is free for another thread.
void ReleaseThreadData();
// Destroys every thread's data and records. Only when no other thread is inside the library:
// the DLL calls it as it is unloaded.
void ReleaseAllThreadData();

// How many records exist, and how many threads hold one now.
struct ThreadDataCounts {
    size_t records = 0;
    size_t held = 0;
};
ThreadDataCounts CountThreadData();

}  // namespace platform
