// The common part of the automation objects: reference counting, QueryInterface, IDispatch
// through the embedded type library, ISupportErrorInfo and IProvideClassInfo. `Interface` is
// the class's default dual interface (_EntryPages or _UFL), whose methods the derived class
// implements; an interface it extends (_Entry) is answered with the same pointer, since its
// vtable begins the derived one's.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <atomic>
#include <new>

#include "automation/dispatch_invoker.h"
#include "automation/error_report.h"
#include "automation/interface_type_info.h"
#include "automation/module_state.h"
#include "automation/type_information.h"

namespace folio_com {

template <class Interface>
class DualObject : public Interface, public ISupportErrorInfo, public IProvideClassInfo {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            ImplementsInterface(iid)) {
            *object = static_cast<Interface*>(this);
        } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
            *object = static_cast<ISupportErrorInfo*>(this);
        } else if (IsEqualIID(iid, IID_IProvideClassInfo)) {
            *object = static_cast<IProvideClassInfo*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch. The type information describes the default interface, with every method the
    // object answers: hosts that list members or call ITypeInfo::Invoke see them all.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (info == nullptr) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        const HRESULT hr = types_.Load();
        if (FAILED(hr)) return hr;
        *info = types_.DispatchSide();
        (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        const HRESULT hr = types_.Load();
        if (FAILED(hr)) return hr;
        // A script asks before every call: a method named in its declared case is found at once.
        if (count == 1 && names != nullptr && names[0] != nullptr && ids != nullptr &&
            types_.FindExactName(names[0], ids))
            return S_OK;
        // Case-insensitive; further names are parameter names and give their positions.
        return types_.VtableSide()->GetIDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        const HRESULT hr = types_.Load();
        if (FAILED(hr)) return hr;
        const InvokeRequest request{member, lcid, flags, params, result, exception, argumentError};
        return InvokeByTypeInfo(static_cast<Interface*>(this), types_.FindMethod(member), request, source_);
    }

    // ISupportErrorInfo: every method of the interface, reached by vtable or by dispatch,
    // leaves error information when it fails.
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return ImplementsInterface(iid) || IsEqualIID(iid, IID_IDispatch) ? S_OK : S_FALSE;
    }

    // IProvideClassInfo: the class, so that a host handed an object finds its default interface.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override { return ClassTypes(clsid_, info); }

protected:
    // `iid` is `Interface`'s identifier, `baseIid` that of the interface it extends, if any;
    // `clsid` the class's. `source` names the object in error information.
    DualObject(const ErrorSource& source, const GUID& clsid, const GUID& iid, const GUID* baseIid = nullptr)
        : source_(source), clsid_(clsid), iid_(iid), baseIid_(baseIid), types_(InterfaceTypes(iid)) {}
    virtual ~DualObject() = default;

    const ErrorSource& Source() const { return source_; }

private:
    bool ImplementsInterface(REFIID iid) const {
        return IsEqualIID(iid, iid_) || (baseIid_ != nullptr && IsEqualIID(iid, *baseIid_));
    }

    const ErrorSource source_;
    const GUID& clsid_;
    const GUID& iid_;
    const GUID* const baseIid_;
    std::atomic<ULONG> references_{1};
    ModuleReference module_;
    // Shared by every object of the interface, on every thread (see type_information.h).
    InterfaceTypeInfo& types_;
};

}  // namespace folio_com
