// Holds a Wine prefix open for a test run: it starts the prefix's desktop (COM needs one),
// says "ready" and then waits, until the run ends the prefix with `wineserver -k`.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

int main() {
    CoInitialize(nullptr);
    std::puts("ready");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
