#include "automation/module_state.h"

#include <atomic>

#include "automation/type_information.h"
#include "platform/thread_data.h"

namespace folio_com {
namespace {

// Objects of one apartment may be released on other threads during shutdown: atomic.
std::atomic<long> g_users{0};

}  // namespace

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::wstring ThisModulePath() {
    // Paths may be longer than MAX_PATH: grow until the name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void ReleaseModuleState() {
    ReleaseTypeInformation();
    platform::ReleaseAllThreadData();
}

void ModuleAddRef() { ++g_users; }
void ModuleRelease() { --g_users; }
bool ModuleInUse() { return g_users.load() != 0; }

}  // namespace folio_com
