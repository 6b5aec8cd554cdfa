// Inside the per-thread registry: each platform keeps the calling thread's record pointer in
// its own way (a Win32 TLS index, or a native thread-local pointer).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/thread_data.h"

namespace platform {

struct ThreadRecord {
    std::atomic<bool> held{true};
    ThreadRecord* next = nullptr;  // set once, before the record joins the list
    std::unique_ptr<ThreadData> slots[kThreadDataSlots];
};

// The calling thread's record, or null.
ThreadRecord* CurrentThreadRecord();
// Makes sure the calling thread can be given a record: throws the system's error when the
// platform has no room for one more thread's pointer. Nothing is held when it throws.
void PrepareThreadRecordSlot();
// Sets the calling thread's record (after PrepareThreadRecordSlot). Returns 0, or the
// platform's error code when it refuses; then the thread has none.
uint32_t SetCurrentThreadRecord(ThreadRecord* record);
// Every thread's record pointer is forgotten, before the registry frees the records: a thread
// that still runs, or ends later, finds none.
void ForgetThreadRecords();

}  // namespace platform
