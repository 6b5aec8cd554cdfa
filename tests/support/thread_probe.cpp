// Tells whether a second thread works in this Wine prefix: starts a few threads, each of which
// counts, and waits for them with a bounded wait. Prints "threads ok" and exits 0 when all ran.
// (Under qemu-i386 user emulation the process has been seen to crash at the first thread.)
#include <windows.h>

#include <cstdio>

namespace {

constexpr int kThreads = 4;
volatile LONG ran = 0;

DWORD WINAPI Count(void*) {
    InterlockedIncrement(&ran);
    return 0;
}

}  // namespace

int main() {
    HANDLE threads[kThreads];
    int started = 0;
    for (; started < kThreads; ++started) {
        threads[started] = CreateThread(nullptr, 0, Count, nullptr, 0, nullptr);
        if (!threads[started]) break;
    }
    const DWORD waited = started ? WaitForMultipleObjects(started, threads, TRUE, 20000) : WAIT_FAILED;
    for (int i = 0; i < started; ++i) CloseHandle(threads[i]);
    if (started == kThreads && waited == WAIT_OBJECT_0 && ran == kThreads) {
        std::puts("threads ok");
        return 0;
    }
    std::printf("threads failed: %d started, %ld ran\n", started, static_cast<long>(ran));
    return 1;
}
