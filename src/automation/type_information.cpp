#include "automation/type_information.h"

#include <oleauto.h>

#include <atomic>
#include <mutex>
#include <new>
#include <system_error>

#include "automation/identifiers.h"
#include "automation/module_state.h"

namespace folio_com {
namespace {

// All of the process's type information in one object on the heap: made at first use, deleted
// by ReleaseTypeInformation. (A static object's destructor would run at process exit too.)
struct ModuleTypes {
    InterfaceTypeInfo entryPages{kIidEntryPages};
    InterfaceTypeInfo ufl{kIidUfl};
    std::mutex loadingClasses;
    ITypeInfo* entryClass = nullptr;
    ITypeInfo* uflClass = nullptr;

    ~ModuleTypes() {
        if (entryClass) entryClass->Release();
        if (uflClass) uflClass->Release();
    }
};

std::atomic<ModuleTypes*> g_types{nullptr};

ModuleTypes& Types() {
    ModuleTypes* types = g_types.load(std::memory_order_acquire);
    if (types) return *types;
    auto* made = new ModuleTypes;
    if (g_types.compare_exchange_strong(types, made, std::memory_order_acq_rel)) return *made;
    delete made;  // another thread was first
    return *types;
}

}  // namespace

InterfaceTypeInfo& InterfaceTypes(const GUID& iid) {
    ModuleTypes& types = Types();
    return IsEqualGUID(iid, kIidUfl) ? types.ufl : types.entryPages;
}

HRESULT ClassTypes(const GUID& clsid, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    try {
        ModuleTypes& types = Types();
        std::lock_guard<std::mutex> lock(types.loadingClasses);
        ITypeInfo*& held = IsEqualGUID(clsid, kClsidUfl) ? types.uflClass : types.entryClass;
        if (held == nullptr) {
            const std::wstring path = ThisModulePath();
            if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
            ITypeLib* library = nullptr;
            HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
            if (FAILED(hr)) return hr;
            hr = library->GetTypeInfoOfGuid(clsid, &held);
            library->Release();
            if (FAILED(hr)) return hr;
        }
        held->AddRef();
        *info = held;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::system_error&) {  // the lock
        return E_UNEXPECTED;
    }
}

void ReleaseTypeInformation() {
    delete g_types.exchange(nullptr, std::memory_order_acq_rel);
}

}  // namespace folio_com
