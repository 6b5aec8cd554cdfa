// The type library embedded in this DLL (resource TYPELIB 1), loaded without registering it.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace folio_com {

class OwnTypeLibrary {
public:
    OwnTypeLibrary() = default;
    ~OwnTypeLibrary();
    OwnTypeLibrary(const OwnTypeLibrary&) = delete;
    OwnTypeLibrary& operator=(const OwnTypeLibrary&) = delete;

    HRESULT Load(const std::wstring& modulePath);

    ITypeLib* Library() const { return library_; }
    // Valid after a successful Load.
    const TLIBATTR& Attributes() const { return attributes_; }
    // The registry's spellings, in hexadecimal digits as the registry keeps them: the
    // version ("1.0"), the locale ("409") and the platform ("win32" or "win64").
    std::wstring VersionKey() const;
    std::wstring LocaleKey() const;
    std::wstring PlatformKey() const;

private:
    ITypeLib* library_ = nullptr;
    TLIBATTR attributes_{};
};

}  // namespace folio_com
