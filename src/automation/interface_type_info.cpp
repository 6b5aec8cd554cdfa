#include "automation/interface_type_info.h"

#include <oleauto.h>

#include <new>

#include "automation/module_state.h"

namespace folio_com {

InterfaceTypeInfo::~InterfaceTypeInfo() {
    for (FUNCDESC* method : methods_) vtable_->ReleaseFuncDesc(method);
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
    // The methods, for Invoke; a description that cannot be read leaves its method unknown,
    // as a failed look-up at the call did before.
    std::vector<FUNCDESC*> methods;
    if (SUCCEEDED(vtable->GetTypeAttr(&attr))) {
        const UINT count = attr->cFuncs;
        vtable->ReleaseTypeAttr(attr);
        try {
            methods.reserve(count);
        } catch (const std::bad_alloc&) {
            vtable->Release();
            info->Release();
            return E_OUTOFMEMORY;
        }
        for (UINT i = 0; i < count; ++i) {
            FUNCDESC* desc = nullptr;
            if (FAILED(vtable->GetFuncDesc(i, &desc))) continue;
            if (desc->invkind == INVOKE_FUNC) {
                methods.push_back(desc);  // within the reserved room
            } else {
                vtable->ReleaseFuncDesc(desc);
            }
        }
    }
    // Each method's name, for the look-up a script makes before every call.
    std::vector<std::pair<std::wstring, DISPID>> names;
    try {
        for (const FUNCDESC* method : methods) {
            BSTR name = nullptr;
            UINT found = 0;
            if (SUCCEEDED(vtable->GetNames(method->memid, &name, 1, &found)) && found == 1 && name)
                names.emplace_back(std::wstring(name, SysStringLen(name)), method->memid);
            SysFreeString(name);
        }
    } catch (const std::bad_alloc&) {
        names.clear();  // every name is then resolved by the type info
    }
    dispatch_ = info;
    vtable_ = vtable;
    methods_ = std::move(methods);
    names_ = std::move(names);
    loaded_.store(true, std::memory_order_release);
    return S_OK;
}

bool InterfaceTypeInfo::FindExactName(const OLECHAR* name, DISPID* id) const {
    for (const auto& [known, member] : names_) {
        if (known == name) {
            *id = member;
            return true;
        }
    }
    return false;
}

const FUNCDESC* InterfaceTypeInfo::Method(DISPID member) const {
    for (const FUNCDESC* method : methods_)
        if (method->memid == member) return method;
    return nullptr;
}

}  // namespace folio_com
