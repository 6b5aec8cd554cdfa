// A counting operator new and delete for this test program. Each block carries its size in a
// header, so that delete knows what it gives back; the peak is kept as allocations happen.
#include "allocation_meter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> g_current{0};
std::atomic<long long> g_peak{0};
std::atomic<long> g_failIn{0};
std::atomic<bool> g_failed{false};

// Keeps the alignment operator new promises.
constexpr size_t kHeader = alignof(std::max_align_t) > sizeof(size_t) ? alignof(std::max_align_t) : sizeof(size_t);

void* Allocate(size_t size) {
    if (g_failIn.load(std::memory_order_relaxed) > 0 && g_failIn.fetch_sub(1) == 1) {
        g_failed = true;
        return nullptr;
    }
    void* block = std::malloc(size + kHeader);
    if (block == nullptr) return nullptr;
    *static_cast<size_t*>(block) = size;
    const long long now = g_current.fetch_add(static_cast<long long>(size)) + static_cast<long long>(size);
    for (long long peak = g_peak.load(); now > peak && !g_peak.compare_exchange_weak(peak, now);) {
    }
    return static_cast<char*>(block) + kHeader;
}

void Free(void* p) {
    if (p == nullptr) return;
    void* block = static_cast<char*>(p) - kHeader;
    g_current.fetch_sub(static_cast<long long>(*static_cast<size_t*>(block)));
    std::free(block);
}

}  // namespace

void* operator new(size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, size_t) noexcept { Free(p); }
void operator delete[](void* p, size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }

AllocationMeter::AllocationMeter() : start_(g_current.load()) { g_peak.store(start_); }

size_t AllocationMeter::PeakExtraBytes() const {
    const long long extra = g_peak.load() - start_;
    return extra > 0 ? static_cast<size_t>(extra) : 0;
}

void FailAllocation(long n) {
    g_failed = false;
    g_failIn = n;
}

bool AllocationFailed() { return g_failed.load(); }
