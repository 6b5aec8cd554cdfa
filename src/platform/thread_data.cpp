#include "platform/thread_data.h"

#include "core/error.h"
#include "platform/thread_record.h"

namespace platform {
namespace {

// Records are only ever added at the head, and taken or given back by a flag, so that no
// thread waits for another (a thread ending holds the loader lock).
std::atomic<ThreadRecord*> g_records{nullptr};

ThreadRecord* TakeRecord() {
    for (ThreadRecord* r = g_records.load(std::memory_order_acquire); r; r = r->next) {
        bool free = false;
        if (r->held.compare_exchange_strong(free, true, std::memory_order_acq_rel)) return r;
    }
    auto* record = new ThreadRecord;
    record->next = g_records.load(std::memory_order_relaxed);
    while (!g_records.compare_exchange_weak(record->next, record, std::memory_order_release,
                                            std::memory_order_relaxed)) {
    }
    return record;
}

}  // namespace

ThreadData* FindThreadData(int slot) {
    ThreadRecord* record = CurrentThreadRecord();
    return record ? record->slots[slot].get() : nullptr;
}

ThreadData& KeepThreadData(int slot, std::unique_ptr<ThreadData> data) {
    ThreadRecord* record = CurrentThreadRecord();
    if (!record) {
        // The thread's slot first: a record is only taken when the thread can be given it.
        PrepareThreadRecordSlot();
        record = TakeRecord();
        if (const uint32_t failure = SetCurrentThreadRecord(record)) {
            record->held.store(false, std::memory_order_release);
            throw SystemError(failure);
        }
    }
    record->slots[slot] = std::move(data);
    return *record->slots[slot];
}

void ReleaseThreadData() {
    ThreadRecord* record = CurrentThreadRecord();
    if (!record) return;
    SetCurrentThreadRecord(nullptr);
    for (auto& slot : record->slots) slot.reset();
    record->held.store(false, std::memory_order_release);
}

void ReleaseAllThreadData() {
    ForgetThreadRecords();  // first: no thread may reach a record once it is freed
    ThreadRecord* record = g_records.exchange(nullptr, std::memory_order_acq_rel);
    while (record) {
        ThreadRecord* next = record->next;
        delete record;
        record = next;
    }
}

ThreadDataCounts CountThreadData() {
    ThreadDataCounts counts;
    for (ThreadRecord* r = g_records.load(std::memory_order_acquire); r; r = r->next) {
        ++counts.records;
        if (r->held.load(std::memory_order_acquire)) ++counts.held;
    }
    return counts;
}

}  // namespace platform
