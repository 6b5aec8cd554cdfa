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

// Makes the `n`-th allocation from now on fail, as when memory runs out: operator new throws
// std::bad_alloc once, on whatever thread asks. 0 disarms it. For the tests that fail each
// allocation of an operation in turn.
void FailAllocation(long n);
// Whether the armed failure has happened (and so disarmed itself).
bool AllocationFailed();
