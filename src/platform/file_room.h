// Where a file's bytes go when it is read into a room (ReadFileInto), on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Clears `room` and makes it hold `size` bytes from a 64-byte boundary on; returns where they
// begin. Read straight into memory, a file is copied several times slower where its bytes begin
// a few bytes past a page's start, as the allocator's large blocks do (measured: 6x).
inline size_t PrepareFileRoom(std::string& room, size_t size) {
    constexpr size_t kBoundary = 64;
    room.clear();
    room.reserve(size + kBoundary);
    const size_t begin = (kBoundary - reinterpret_cast<uintptr_t>(room.data()) % kBoundary) % kBoundary;
    room.resize(begin + size);
    return begin;
}

}  // namespace platform
