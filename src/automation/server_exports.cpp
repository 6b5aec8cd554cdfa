// The in-process server's entry points: DllMain, DllGetClassObject and DllCanUnloadNow.
// (DllRegisterServer, DllUnregisterServer and DllInstall are in registration.cpp.)
#include <windows.h>
#include <objbase.h>

#include "automation/class_factory.h"
#include "automation/entry_object.h"
#include "automation/identifiers.h"
#include "automation/module_state.h"
#include "automation/ufl_object.h"
#include "platform/thread_data.h"

// A thread's state goes when the thread ends. Everything the module holds goes when the library
// is unloaded (FreeLibrary, CoFreeUnusedLibraries); neither waits on anything, since both run
// under the loader lock. At process termination (reserved is not null) nothing is done: the
// other threads are already gone, mid-way, oleaut32 may be past use, and the memory goes back
// with the process.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_THREAD_DETACH) platform::ReleaseThreadData();
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) folio_com::ReleaseModuleState();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    using namespace folio_com;
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualCLSID(clsid, kClsidEntry)) return ClassFactory<EntryObject>::Create(iid, object);
    if (IsEqualCLSID(clsid, kClsidUfl)) return ClassFactory<UflObject>::Create(iid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return folio_com::ModuleInUse() ? S_FALSE : S_OK;
}
