// What the client tests share: the two libraries as a client sees them (paths, identifiers
// and names from identity.h), small owners for COM pointers, BSTRs and VARIANTs, and the
// creation of objects by programmatic identifier.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/identity.h"
// _Entry, _EntryPages and _UFL as widl declared them for Keystack. Pagestack's interfaces have the same
// methods in the same order under their own identifiers, so one declaration serves both.
#include "folio_idl.h"

namespace com_test {

struct Library {
    std::string name;  // "Keystack"
    std::wstring dllPath;  // a Windows path
    std::string companyName;
    std::string versionText;  // "1.00.0017"
    WORD version[4];  // major, minor, build, revision
    std::string typeLibraryTitle;
    GUID libid, clsidEntry, iidEntry, clsidUfl, iidUfl, iidEntryPages;
    std::wstring progIdEntry, progIdUfl;
};

const Library& Keystack();
const Library& Pagestack();
// The other library of the two.
const Library& Other(const Library& library);

// A GUID from its registry text, by the system's parser (not the library's).
GUID GuidFromText(const char* text);
std::wstring Widen(const std::string& text);
// A path the build gives (a Linux path under Wine) as the host sees it: under Z:.
std::wstring WindowsPath(const char* path);
std::string Narrow(const wchar_t* text, size_t length);
std::string Narrow(BSTR text);

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : b_(SysAllocString(text)) {}
    Bstr(const wchar_t* text, UINT length) : b_(SysAllocStringLen(text, length)) {}
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return b_; }
    BSTR* Put() {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    std::string Text() const { return Narrow(b_); }

private:
    BSTR b_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&v_); }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* operator&() { return &v_; }
    VARIANT& Get() { return v_; }
    VARTYPE Type() const { return V_VT(&v_); }

private:
    VARIANT v_;
};

// New objects of a library, by programmatic identifier (through the registry).
ComPtr<_Entry> CreateEntry(const Library& library);
ComPtr<_UFL> CreateUfl(const Library& library);
// The same object's page-list interface, which extends _Entry.
ComPtr<_EntryPages> EntryPagesOf(_Entry* entry, const Library& library);

// The two libraries, for parameterized tests.
class BothLibraries : public ::testing::TestWithParam<const Library*> {
protected:
    const Library& Lib() const { return *GetParam(); }
};
std::string LibraryName(const ::testing::TestParamInfo<const Library*>& info);

}  // namespace com_test

#define FOLIO_FOR_BOTH_LIBRARIES(suite)                                                 \
    INSTANTIATE_TEST_SUITE_P(Servers, suite,                                            \
                             ::testing::Values(&com_test::Keystack(), &com_test::Pagestack()), \
                             com_test::LibraryName)
