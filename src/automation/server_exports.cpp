// The in-process server's entry points: DllMain, DllGetClassObject and DllCanUnloadNow.
// (DllRegisterServer, DllUnregisterServer and DllInstall are in registration.cpp.)
#include <windows.h>
#include <objbase.h>

#include "automation/class_factory.h"
#include "automation/entry_object.h"
#include "automation/identifiers.h"
#include "automation/module_state.h"
#include "automation/ufl_object.h"

// Nothing to set up or tear down of our own: COM and the runtime do their part.
// (Thread notifications stay on: the core's per-thread state may need them.)
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
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
