// DllRegisterServer and DllUnregisterServer. Registration writes, under HKEY_CLASSES_ROOT,
// the type library (through RegisterTypeLib, which also writes the Interface keys of both
// dual interfaces), each class's CLSID key with the DLL as apartment-threaded in-process
// server, and the programmatic identifiers. RegisterTypeLib files the library under its own
// locale (409); hosts ask for locale 0, so the library is also filed under locale 0.
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <string>

#include "automation/identifiers.h"
#include "automation/module_state.h"
#include "automation/own_type_library.h"
#include "automation/registry_key.h"

namespace folio_com {
namespace {

struct ClassKeys {
    const wchar_t* clsid;
    const wchar_t* progId;
};

constexpr ClassKeys kClasses[] = {{kClsidEntryKey, kProgIdEntry}, {kClsidUflKey, kProgIdUfl}};
constexpr const wchar_t* kInterfaces[] = {kIidEntryKey, kIidUflKey};

std::wstring ClassKey(const ClassKeys& keys) { return std::wstring(L"CLSID\\") + keys.clsid; }
std::wstring LibraryKey() { return std::wstring(L"TypeLib\\") + kLibidKey; }

// Whether a library version is still registered under some locale: its subkeys other than
// FLAGS and HELPDIR are locales.
bool HasLocaleKeys(const std::wstring& versionKey) {
    for (const std::wstring& name : SubkeyNames(HKEY_CLASSES_ROOT, versionKey))
        if (lstrcmpiW(name.c_str(), L"FLAGS") != 0 && lstrcmpiW(name.c_str(), L"HELPDIR") != 0) return true;
    return false;
}

HRESULT RegisterClassKeys(const ClassKeys& keys, const std::wstring& modulePath,
                          const std::wstring& version) {
    const std::wstring clsidKey = ClassKey(keys);
    HRESULT hr = SetDefaultText(HKEY_CLASSES_ROOT, clsidKey, keys.progId);
    if (SUCCEEDED(hr)) {
        RegistryKey server;
        hr = server.Create(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32");
        if (SUCCEEDED(hr)) hr = server.SetText(nullptr, modulePath);
        if (SUCCEEDED(hr)) hr = server.SetText(L"ThreadingModel", L"Apartment");
    }
    if (SUCCEEDED(hr)) hr = SetDefaultText(HKEY_CLASSES_ROOT, clsidKey + L"\\ProgID", keys.progId);
    if (SUCCEEDED(hr)) hr = SetDefaultText(HKEY_CLASSES_ROOT, clsidKey + L"\\TypeLib", kLibidKey);
    if (SUCCEEDED(hr)) hr = SetDefaultText(HKEY_CLASSES_ROOT, clsidKey + L"\\VERSION", version);
    if (SUCCEEDED(hr)) hr = SetDefaultText(HKEY_CLASSES_ROOT, keys.progId, keys.progId);
    if (SUCCEEDED(hr))
        hr = SetDefaultText(HKEY_CLASSES_ROOT, std::wstring(keys.progId) + L"\\CLSID", keys.clsid);
    return hr;
}

HRESULT Register() {
    const std::wstring modulePath = ThisModulePath();
    if (modulePath.empty()) return HRESULT_FROM_WIN32(GetLastError());
    OwnTypeLibrary library;
    HRESULT hr = library.Load(modulePath);
    if (FAILED(hr)) return SELFREG_E_TYPELIB;

    std::wstring path = modulePath;  // RegisterTypeLib wants a writable string
    hr = RegisterTypeLib(library.Library(), path.data(), nullptr);
    if (FAILED(hr)) return SELFREG_E_TYPELIB;
    hr = SetDefaultText(HKEY_CLASSES_ROOT,
                        LibraryKey() + L"\\" + library.VersionKey() + L"\\0\\" + library.PlatformKey(),
                        modulePath);
    if (FAILED(hr)) return SELFREG_E_TYPELIB;

    for (const ClassKeys& keys : kClasses) {
        hr = RegisterClassKeys(keys, modulePath, library.VersionKey());
        if (FAILED(hr)) return SELFREG_E_CLASS;
    }
    return S_OK;
}

// Removes whatever registration finds, and reports the first removal that failed.
HRESULT Unregister() {
    HRESULT result = S_OK;
    auto keep = [&result](HRESULT hr) {
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    };

    OwnTypeLibrary library;
    if (SUCCEEDED(library.Load(ThisModulePath()))) {
        const TLIBATTR& attributes = library.Attributes();
        const std::wstring versionKey = LibraryKey() + L"\\" + library.VersionKey();
        // TypeLib keys are shared by 32-bit and 64-bit programs: only this platform's entry
        // goes, and a locale key when no platform is left under it.
        const std::wstring localeZero = versionKey + L"\\0";
        const std::wstring ownLocale = versionKey + L"\\" + library.LocaleKey();
        // Locale 0 first, so that UnRegisterTypeLib finds the library as it registered it.
        keep(DeleteKeyTree(HKEY_CLASSES_ROOT, localeZero + L"\\" + library.PlatformKey()));
        keep(DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, localeZero));
        // Not registered is no error here: the keys below go either way.
        UnRegisterTypeLib(attributes.guid, attributes.wMajorVerNum, attributes.wMinorVerNum,
                          attributes.lcid, attributes.syskind);
        keep(DeleteKeyTree(HKEY_CLASSES_ROOT, ownLocale + L"\\" + library.PlatformKey()));
        keep(DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, ownLocale));
        if (!HasLocaleKeys(versionKey)) keep(DeleteKeyTree(HKEY_CLASSES_ROOT, versionKey));
        keep(DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, LibraryKey()));
    } else {
        keep(SELFREG_E_TYPELIB);
    }
    for (const wchar_t* iid : kInterfaces)
        keep(DeleteKeyTree(HKEY_CLASSES_ROOT, std::wstring(L"Interface\\") + iid));
    for (const ClassKeys& keys : kClasses) {
        keep(DeleteKeyTree(HKEY_CLASSES_ROOT, ClassKey(keys)));
        keep(DeleteKeyTree(HKEY_CLASSES_ROOT, keys.progId));
    }
    return result;
}

}  // namespace
}  // namespace folio_com

STDAPI DllRegisterServer() {
    const HRESULT hr = folio_com::Register();
    // No half-registered server: take back whatever was written.
    if (FAILED(hr)) folio_com::Unregister();
    return hr;
}

STDAPI DllUnregisterServer() {
    return folio_com::Unregister();
}
