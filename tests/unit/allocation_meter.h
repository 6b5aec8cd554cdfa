// The bytes that operator new hands out, for tests that bound what an operation needs: this
// program's own operator new and delete count every allocation, on every thread.
#pragma once

#include <cstddef>

class AllocationMeter {
public:
    AllocationMeter();  // the level now is where the meter starts
    // The most that was allocated at any moment since the start, beyond the level at the start.
    size_t PeakExtraBytes() const;

private:
    long long start_;
};
