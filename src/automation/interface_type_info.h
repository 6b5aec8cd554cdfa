// The type information of one dual interface, read from the type library embedded in this
// DLL: the dispatch side (what IDispatch::GetTypeInfo hands out) and the vtable side (the
// methods' parameters and vtable offsets, which Invoke calls through).
#pragma once

#include <atomic>
#include <mutex>

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace folio_com {

// One per interface for the whole process, shared by every object on every thread: loaded at
// the first call by dispatch and released when the DLL unloads. (Objects that each loaded and
// released their own copy raced inside the type library's reference counts when threads did so
// at the same time.)
class InterfaceTypeInfo {
public:
    explicit InterfaceTypeInfo(const GUID& iid) : iid_(iid) {}
    ~InterfaceTypeInfo();
    InterfaceTypeInfo(const InterfaceTypeInfo&) = delete;
    InterfaceTypeInfo& operator=(const InterfaceTypeInfo&) = delete;

    // Loads on first use, once; a library never called by dispatch never loads it.
    HRESULT Load();
    ITypeInfo* DispatchSide() const { return dispatch_; }
    ITypeInfo* VtableSide() const { return vtable_; }
    // The vtable side's description of the method with that DISPID, or null when there is
    // none. Read once at Load: every call through Invoke needs one, and asking the type info
    // for it copies a description per method looked at.
    const FUNCDESC* FindMethod(DISPID member) const;
    // The DISPID of the method named exactly so (same case), as scripts mostly write it;
    // false for any other name, which the type info then resolves.
    bool FindExactName(const OLECHAR* name, DISPID* id) const;

private:
    const GUID& iid_;
    std::mutex loading_;
    std::atomic<bool> loaded_{false};
    ITypeInfo* dispatch_ = nullptr;
    ITypeInfo* vtable_ = nullptr;
    struct Method {
        ITypeInfo* owner;  // the interface that declares it: _Entry for Store in _EntryPages
        FUNCDESC* description;
    };
    static void ReleaseMethod(Method& method);
    std::vector<Method> methods_;
    std::vector<std::pair<std::wstring, DISPID>> names_;
};

}  // namespace folio_com
