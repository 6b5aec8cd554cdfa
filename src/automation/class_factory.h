// The class factory of one automation class. Each CreateInstance makes a new, independent
// object. A factory counts as a user of the module for as long as it lives: some hosts keep
// a factory without locking the server, and the DLL must not unload beneath it.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <new>

#include "automation/module_state.h"

namespace folio_com {

template <class Object>
class ClassFactory final : public IClassFactory {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        Object* created = nullptr;
        try {
            created = new Object();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        const HRESULT hr = created->QueryInterface(iid, object);
        created->Release();  // the creator's reference; the caller's, if any, remains
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) ModuleAddRef();
        else ModuleRelease();
        return S_OK;
    }

    // Hands out a new factory's interface `iid`.
    static HRESULT Create(REFIID iid, void** object) {
        auto* factory = new (std::nothrow) ClassFactory();
        if (factory == nullptr) return E_OUTOFMEMORY;
        const HRESULT hr = factory->QueryInterface(iid, object);
        factory->Release();
        return hr;
    }

private:
    ClassFactory() = default;
    ~ClassFactory() = default;

    std::atomic<ULONG> references_{1};
    ModuleReference module_;
};

}  // namespace folio_com
