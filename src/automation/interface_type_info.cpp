#include "automation/interface_type_info.h"

#include <oleauto.h>

#include <new>

#include "automation/bstr_text.h"
#include "automation/module_state.h"

namespace folio_com {

namespace {

// The interface that `info` (the vtable side of an interface) derives from, as a vtable side
// too; none for IDispatch, whose methods are no members to invoke.
ITypeInfo* BaseInterface(ITypeInfo* info) {
    HREFTYPE ref = 0;
    ITypeInfo* base = nullptr;
    if (FAILED(info->GetRefTypeOfImplType(0, &ref)) || FAILED(info->GetRefTypeInfo(ref, &base))) return nullptr;
    TYPEATTR* attr = nullptr;
    if (FAILED(base->GetTypeAttr(&attr))) {
        base->Release();
        return nullptr;
    }
    const bool isDispatch = IsEqualGUID(attr->guid, IID_IDispatch) || IsEqualGUID(attr->guid, IID_IUnknown);
    const bool isDispatchSide = attr->typekind == TKIND_DISPATCH;
    base->ReleaseTypeAttr(attr);
    if (isDispatch) {
        base->Release();
        return nullptr;
    }
    if (isDispatchSide) {  // a dual base: its vtable side holds the offsets
        ITypeInfo* vtable = nullptr;
        if (FAILED(base->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) ||
            FAILED(base->GetRefTypeInfo(ref, &vtable)))
            vtable = nullptr;
        base->Release();
        return vtable;
    }
    return base;
}

}  // namespace

void InterfaceTypeInfo::ReleaseMethod(Method& method) {
    method.owner->ReleaseFuncDesc(method.description);
    method.owner->Release();
}

InterfaceTypeInfo::~InterfaceTypeInfo() {
    for (Method& method : methods_) ReleaseMethod(method);
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
    // The methods, for Invoke, with those of the interfaces it derives from (_EntryPages has
    // _Entry's); a description that cannot be read leaves its method unknown, as a failed
    // look-up at the call did before.
    std::vector<Method> methods;
    std::vector<std::pair<std::wstring, DISPID>> names;
    ITypeInfo* owner = vtable;  // the walk holds one reference to the interface it is at
    owner->AddRef();
    try {
        while (owner != nullptr) {
            UINT count = 0;
            if (SUCCEEDED(owner->GetTypeAttr(&attr))) {
                count = attr->cFuncs;
                owner->ReleaseTypeAttr(attr);
            }
            for (UINT i = 0; i < count; ++i) {
                FUNCDESC* desc = nullptr;
                if (FAILED(owner->GetFuncDesc(i, &desc))) continue;
                if (desc->invkind != INVOKE_FUNC) {
                    owner->ReleaseFuncDesc(desc);
                    continue;
                }
                // The method keeps the description and a reference to its owner; a push that
                // fails gives both back.
                owner->AddRef();
                Method method{owner, desc};
                try {
                    methods.push_back(method);
                } catch (...) {
                    ReleaseMethod(method);
                    throw;
                }
                // Each method's name, for the look-up a script makes before every call.
                OwnedBstr name;
                UINT found = 0;
                if (SUCCEEDED(owner->GetNames(desc->memid, name.Put(), 1, &found)) && found == 1 && name.Get())
                    names.emplace_back(name.Wide(), desc->memid);
            }
            ITypeInfo* base = BaseInterface(owner);
            owner->Release();  // each of its methods keeps one
            owner = base;
        }
    } catch (const std::bad_alloc&) {
        if (owner) owner->Release();
        for (Method& method : methods) ReleaseMethod(method);
        vtable->Release();
        info->Release();
        return E_OUTOFMEMORY;
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

const FUNCDESC* InterfaceTypeInfo::FindMethod(DISPID member) const {
    for (const Method& method : methods_)
        if (method.description->memid == member) return method.description;
    return nullptr;
}

}  // namespace folio_com
