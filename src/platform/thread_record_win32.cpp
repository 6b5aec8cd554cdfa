// The calling thread's record in a Win32 TLS slot. Plain TLS has no destructors: the DLL's
// entry point releases a thread's data when the thread ends.
#include <windows.h>

#include "core/error.h"
#include "platform/thread_record.h"

namespace platform {
namespace {

std::atomic<DWORD> g_index{TLS_OUT_OF_INDEXES};

DWORD FailureCodeNow() {
    const DWORD code = GetLastError();
    return code != 0 ? code : ERROR_NOT_ENOUGH_MEMORY;  // TLS runs out like memory does
}

}  // namespace

ThreadRecord* CurrentThreadRecord() {
    const DWORD index = g_index.load(std::memory_order_acquire);
    if (index == TLS_OUT_OF_INDEXES) return nullptr;
    // TlsGetValue clears the last error; callers may be between a failure and its report.
    const DWORD lastError = GetLastError();
    auto* record = static_cast<ThreadRecord*>(TlsGetValue(index));
    SetLastError(lastError);
    return record;
}

// The slot is taken at first use; two threads racing for it keep the first one taken.
void PrepareThreadRecordSlot() {
    DWORD index = g_index.load(std::memory_order_acquire);
    if (index != TLS_OUT_OF_INDEXES) return;
    const DWORD mine = TlsAlloc();
    if (mine == TLS_OUT_OF_INDEXES) throw SystemError(FailureCodeNow());
    if (!g_index.compare_exchange_strong(index, mine, std::memory_order_acq_rel)) TlsFree(mine);
}

uint32_t SetCurrentThreadRecord(ThreadRecord* record) {
    const DWORD index = g_index.load(std::memory_order_acquire);
    if (index == TLS_OUT_OF_INDEXES) return ERROR_INVALID_INDEX;
    return TlsSetValue(index, record) ? 0 : FailureCodeNow();
}

void ForgetThreadRecords() {
    const DWORD index = g_index.exchange(TLS_OUT_OF_INDEXES, std::memory_order_acq_rel);
    if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
}

}  // namespace platform
