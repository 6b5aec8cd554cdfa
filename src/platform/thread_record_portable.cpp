// The calling thread's record natively: a thread-local pointer, and a thread-local guard whose
// destructor gives the record back when the thread ends.
#include "platform/thread_record.h"

namespace platform {
namespace {

thread_local ThreadRecord* t_record = nullptr;

struct ReleaseAtThreadEnd {
    ~ReleaseAtThreadEnd() { ReleaseThreadData(); }
};
thread_local ReleaseAtThreadEnd t_release;

}  // namespace

ThreadRecord* CurrentThreadRecord() { return t_record; }

void SetCurrentThreadRecord(ThreadRecord* record) {
    (void)&t_release;  // constructed with the thread's first record, so that it runs at its end
    t_record = record;
}

void ForgetThreadRecords() { t_record = nullptr; }

}  // namespace platform
