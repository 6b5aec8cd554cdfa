#include "automation/interface_type_info.h"

#include <oleauto.h>

#include "automation/module_state.h"

namespace folio_com {

InterfaceTypeInfo::~InterfaceTypeInfo() {
    if (vtable_) vtable_->Release();
    if (dispatch_) dispatch_->Release();
}

HRESULT InterfaceTypeInfo::Load() {
    if (loaded_.load(std::memory_order_acquire)) return S_OK;
    std::lock_guard<std::mutex> lock(loading_);
    if (loaded_.load(std::memory_order_relaxed)) return S_OK;
    const std::wstring path = ThisModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());

    ITypeLib* library = nullptr;
    // The DLL's own resource, whatever the registry says: no registration needed to dispatch.
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    ITypeInfo* info = nullptr;
    hr = library->GetTypeInfoOfGuid(iid_, &info);
    library->Release();
    if (FAILED(hr)) return hr;

    TYPEATTR* attr = nullptr;
    hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) {
        info->Release();
        return hr;
    }
    const TYPEKIND kind = attr->typekind;
    info->ReleaseTypeAttr(attr);

    ITypeInfo* vtable = nullptr;
    if (kind == TKIND_DISPATCH) {
        // A dual interface: its implemented type -1 is the vtable interface.
        HREFTYPE ref = 0;
        hr = info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
        if (SUCCEEDED(hr)) hr = info->GetRefTypeInfo(ref, &vtable);
        if (FAILED(hr)) {
            info->Release();
            return hr;
        }
    } else {
        vtable = info;
        vtable->AddRef();
    }
    dispatch_ = info;
    vtable_ = vtable;
    loaded_.store(true, std::memory_order_release);
    return S_OK;
}

}  // namespace folio_com
