// The fuzz targets make a new table for every input, and a table's 8001 rows take half a
// megabyte at once. The sanitizer's allocator maps such a block afresh and unmaps it again each
// time, which costs more than most inputs' work, so the targets keep one block of that size
// between inputs instead. While it is not in use it is poisoned, so that a use after free is
// still reported; every other allocation goes to malloc, as before.
#include <cstdlib>
#include <new>

#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

namespace {

constexpr size_t kLargeBlock = 256 * 1024;  // a table's rows; nothing else is this large

// One block, kept for the process (each input makes one table at a time). A fuzz target runs
// on one thread, so no lock is needed.
void* g_block = nullptr;
size_t g_blockSize = 0;
bool g_blockInUse = false;

void* AllocateArray(size_t size) {
    if (size < kLargeBlock || g_blockInUse || (g_block && size > g_blockSize)) return std::malloc(size ? size : 1);
    if (!g_block) {
        g_block = std::malloc(size);
        if (!g_block) return nullptr;
        g_blockSize = size;
    }
    ASAN_UNPOISON_MEMORY_REGION(g_block, size);
    g_blockInUse = true;
    return g_block;
}

void FreeArray(void* p) {
    if (p != nullptr && p == g_block) {
        ASAN_POISON_MEMORY_REGION(g_block, g_blockSize);
        g_blockInUse = false;
        return;
    }
    std::free(p);
}

}  // namespace

void* operator new[](size_t size) {
    if (void* p = AllocateArray(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return AllocateArray(size); }
void operator delete[](void* p) noexcept { FreeArray(p); }
void operator delete[](void* p, size_t) noexcept { FreeArray(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { FreeArray(p); }
