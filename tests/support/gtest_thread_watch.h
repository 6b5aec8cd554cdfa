// Included before GoogleTest's own source in the Windows builds. GoogleTest's Windows build
// starts a thread to watch each thread that reports a result (a failure or a skip), so that it
// can free that thread's records when the thread ends. Where no second thread can run (32-bit
// Wine under qemu-i386 user emulation, as the Wine session's probe found: wine-run then sets
// FOLIO_NO_SECOND_THREAD), starting it would crash the test program at its first failure or
// skip, with no word of either: there it gets a handle that is no thread, and the records
// stay until the program ends. Everywhere else the thread starts as GoogleTest wants.
#pragma once
#include <windows.h>

inline HANDLE FolioGTestCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize,
                                     LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                                     LPDWORD threadId) {
    if (GetEnvironmentVariableW(L"FOLIO_NO_SECOND_THREAD", nullptr, 0) != 0) {
        if (threadId) *threadId = 0;
        return CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    return CreateThread(security, stackSize, start, parameter, flags, threadId);
}
#define CreateThread FolioGTestCreateThread
