// The calling thread's record natively: a thread-local pointer, and a thread-local guard whose
// destructor gives the record back when the thread ends.
#include "platform/thread_record.h"

namespace platform {
namespace {

// Bumped when the registry frees every record: a pointer set before then is out of date, so a
// thread that outlives the release (and its exit guard) never reaches a freed record.
std::atomic<uint64_t> g_generation{1};

thread_local ThreadRecord* t_record = nullptr;
thread_local uint64_t t_generation = 0;

struct ReleaseAtThreadEnd {
    ~ReleaseAtThreadEnd() { ReleaseThreadData(); }
};
thread_local ReleaseAtThreadEnd t_release;

}  // namespace

ThreadRecord* CurrentThreadRecord() {
    return t_generation == g_generation.load(std::memory_order_acquire) ? t_record : nullptr;
}

void PrepareThreadRecordSlot() {
    (void)&t_release;  // constructed with the thread's first record, so that it runs at its end
}

uint32_t SetCurrentThreadRecord(ThreadRecord* record) {
    t_record = record;
    t_generation = g_generation.load(std::memory_order_acquire);
    return 0;  // never refused
}

void ForgetThreadRecords() { g_generation.fetch_add(1, std::memory_order_acq_rel); }

}  // namespace platform
