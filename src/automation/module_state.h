// What the server knows about itself: its module, and how many objects, class factories and
// LockServer locks keep it loaded.
#pragma once

#include <windows.h>

#include <string>

namespace folio_com {

// The DLL that holds this code (not the host's executable).
HMODULE ThisModule();
// Its full path, as the loader knows it.
std::wstring ThisModulePath();

// The one teardown of everything the module holds for the whole process (type information,
// every thread's state): when the DLL is unloaded, never at process termination.
void ReleaseModuleState();

// Everything that keeps the DLL in use counts itself here; DllCanUnloadNow answers from it.
void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// Counts one user of the module for as long as it lives (a member of every object).
class ModuleReference {
public:
    ModuleReference() { ModuleAddRef(); }
    ~ModuleReference() { ModuleRelease(); }
    ModuleReference(const ModuleReference&) = delete;
    ModuleReference& operator=(const ModuleReference&) = delete;
};

}  // namespace folio_com
