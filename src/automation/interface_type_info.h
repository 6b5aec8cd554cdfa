// The type information of one dual interface, read from the type library embedded in this
// DLL: the dispatch side (what IDispatch::GetTypeInfo hands out) and the vtable side (the
// methods' parameters and vtable offsets, which Invoke calls through).
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace folio_com {

class InterfaceTypeInfo {
public:
    explicit InterfaceTypeInfo(const GUID& iid) : iid_(iid) {}
    ~InterfaceTypeInfo();
    InterfaceTypeInfo(const InterfaceTypeInfo&) = delete;
    InterfaceTypeInfo& operator=(const InterfaceTypeInfo&) = delete;

    // Loads on first use; an object that is never called by dispatch never loads it.
    HRESULT Load();
    ITypeInfo* DispatchSide() const { return dispatch_; }
    ITypeInfo* VtableSide() const { return vtable_; }

private:
    const GUID& iid_;
    ITypeInfo* dispatch_ = nullptr;
    ITypeInfo* vtable_ = nullptr;
};

}  // namespace folio_com
