// Inside the per-thread registry: each platform keeps the calling thread's record pointer in
// its own way (a Win32 TLS index, or a native thread-local pointer).
#pragma once

#include <atomic>
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
void SetCurrentThreadRecord(ThreadRecord* record);
// Every thread's record pointer is forgotten: the registry has freed them all.
void ForgetThreadRecords();

}  // namespace platform
