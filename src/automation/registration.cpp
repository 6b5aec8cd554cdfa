// DllRegisterServer, DllUnregisterServer and DllInstall. A registration lives under one classes
// root: HKEY_CLASSES_ROOT for all users (regsvr32), or HKEY_CURRENT_USER\Software\Classes for
// the current user only (regsvr32 /n /i:user). Under it go the type library with the
// Interface keys of the dual interfaces, each class's CLSID key with the DLL as
// apartment-threaded in-process server, and the programmatic identifiers. The type library is
// filed under its own locale (409) and, because hosts ask for locale 0, under locale 0 too.
//
// For all users RegisterTypeLib writes the type library's keys. For the current user they are
// written here: RegisterTypeLibForUser and UnRegisterTypeLibForUser are no per-user calls
// under Wine (they work on the machine's registration, and removing would take a machine-wide
// registration with it), so the user's keys are written and removed the same way everywhere.
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <string>

#include "automation/bstr_text.h"
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

struct InterfaceKeys {
    const GUID* iid;
    const wchar_t* key;
};

constexpr ClassKeys kClasses[] = {{kClsidEntryKey, kProgIdEntry}, {kClsidUflKey, kProgIdUfl}};
constexpr InterfaceKeys kInterfaces[] = {
    {&kIidEntry, kIidEntryKey}, {&kIidEntryPages, kIidEntryPagesKey}, {&kIidUfl, kIidUflKey}};

// The proxy-stub of interfaces described by a type library.
constexpr const wchar_t* kTypeLibraryMarshaler = L"{00020424-0000-0000-C000-000000000046}";

std::wstring ClassKey(const ClassKeys& keys) { return std::wstring(L"CLSID\\") + keys.clsid; }
std::wstring InterfaceKey(const InterfaceKeys& keys) { return std::wstring(L"Interface\\") + keys.key; }
std::wstring LibraryKey() { return std::wstring(L"TypeLib\\") + kLibidKey; }

bool IsForAllUsers(HKEY root) { return root == HKEY_CLASSES_ROOT; }

// Whether a library version is still registered under some locale: its subkeys other than
// FLAGS and HELPDIR are locales.
bool HasLocaleKeys(HKEY root, const std::wstring& versionKey) {
    for (const std::wstring& name : SubkeyNames(root, versionKey))
        if (lstrcmpiW(name.c_str(), L"FLAGS") != 0 && lstrcmpiW(name.c_str(), L"HELPDIR") != 0) return true;
    return false;
}

// The type library's keys with the values RegisterTypeLib gives them: the version key named by
// the library's help string, its flags, help folder and file, and the Interface keys of the
// dual interfaces, marshaled through the type library.
HRESULT WriteTypeLibraryKeys(HKEY root, const OwnTypeLibrary& library, const std::wstring& modulePath) {
    ITypeLib* typeLib = library.Library();
    OwnedBstr name, helpString;
    HRESULT hr = typeLib->GetDocumentation(MEMBERID_NIL, name.Put(), helpString.Put(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    const std::wstring title = helpString.Wide().empty() ? name.Wide() : helpString.Wide();

    const std::wstring versionKey = LibraryKey() + L"\\" + library.VersionKey();
    // How this copy was loaded (from a file) is no property of the library.
    const unsigned flags = library.Attributes().wLibFlags & ~LIBFLAG_FHASDISKIMAGE;
    const std::wstring folder = modulePath.substr(0, modulePath.find_last_of(L'\\'));
    hr = SetDefaultText(root, versionKey, title);
    if (SUCCEEDED(hr)) hr = SetDefaultText(root, versionKey + L"\\FLAGS", std::to_wstring(flags));
    if (SUCCEEDED(hr)) hr = SetDefaultText(root, versionKey + L"\\HELPDIR", folder);
    if (SUCCEEDED(hr))
        hr = SetDefaultText(root, versionKey + L"\\" + library.LocaleKey() + L"\\" + library.PlatformKey(),
                            modulePath);

    for (const InterfaceKeys& keys : kInterfaces) {
        if (FAILED(hr)) break;
        ITypeInfo* info = nullptr;
        hr = typeLib->GetTypeInfoOfGuid(*keys.iid, &info);
        if (FAILED(hr)) break;
        OwnedBstr interfaceName;
        hr = info->GetDocumentation(MEMBERID_NIL, interfaceName.Put(), nullptr, nullptr, nullptr);
        info->Release();
        const std::wstring key = InterfaceKey(keys);
        if (SUCCEEDED(hr)) hr = SetDefaultText(root, key, interfaceName.Wide());
        if (SUCCEEDED(hr)) hr = SetDefaultText(root, key + L"\\ProxyStubClsid", kTypeLibraryMarshaler);
        if (SUCCEEDED(hr)) hr = SetDefaultText(root, key + L"\\ProxyStubClsid32", kTypeLibraryMarshaler);
        if (SUCCEEDED(hr)) {
            RegistryKey typeLibKey;
            hr = typeLibKey.Create(root, key + L"\\TypeLib");
            if (SUCCEEDED(hr)) hr = typeLibKey.SetText(nullptr, kLibidKey);
            if (SUCCEEDED(hr)) hr = typeLibKey.SetText(L"Version", library.VersionKey());
        }
    }
    return hr;
}

HRESULT RegisterClassKeys(HKEY root, const ClassKeys& keys, const std::wstring& modulePath,
                          const std::wstring& version) {
    const std::wstring clsidKey = ClassKey(keys);
    HRESULT hr = SetDefaultText(root, clsidKey, keys.progId);
    if (SUCCEEDED(hr)) {
        RegistryKey server;
        hr = server.Create(root, clsidKey + L"\\InprocServer32");
        if (SUCCEEDED(hr)) hr = server.SetText(nullptr, modulePath);
        if (SUCCEEDED(hr)) hr = server.SetText(L"ThreadingModel", L"Apartment");
    }
    if (SUCCEEDED(hr)) hr = SetDefaultText(root, clsidKey + L"\\ProgID", keys.progId);
    if (SUCCEEDED(hr)) hr = SetDefaultText(root, clsidKey + L"\\TypeLib", kLibidKey);
    if (SUCCEEDED(hr)) hr = SetDefaultText(root, clsidKey + L"\\VERSION", version);
    if (SUCCEEDED(hr)) hr = SetDefaultText(root, keys.progId, keys.progId);
    if (SUCCEEDED(hr)) hr = SetDefaultText(root, std::wstring(keys.progId) + L"\\CLSID", keys.clsid);
    return hr;
}

HRESULT Register(HKEY root) {
    const std::wstring modulePath = ThisModulePath();
    if (modulePath.empty()) return HRESULT_FROM_WIN32(GetLastError());
    OwnTypeLibrary library;
    HRESULT hr = library.Load(modulePath);
    if (FAILED(hr)) return SELFREG_E_TYPELIB;

    if (IsForAllUsers(root)) {
        std::wstring path = modulePath;  // RegisterTypeLib wants a writable string
        hr = RegisterTypeLib(library.Library(), path.data(), nullptr);
    } else {
        hr = WriteTypeLibraryKeys(root, library, modulePath);
    }
    if (FAILED(hr)) return SELFREG_E_TYPELIB;
    hr = SetDefaultText(root, LibraryKey() + L"\\" + library.VersionKey() + L"\\0\\" + library.PlatformKey(),
                        modulePath);
    if (FAILED(hr)) return SELFREG_E_TYPELIB;

    for (const ClassKeys& keys : kClasses) {
        hr = RegisterClassKeys(root, keys, modulePath, library.VersionKey());
        if (FAILED(hr)) return SELFREG_E_CLASS;
    }
    return S_OK;
}

// Whether the other bitness (the other registry view of 64-bit Windows) still registers the
// class. CLSID keys have a view each; a ProgID key is shared by both, and stays while it
// still leads somewhere. On 32-bit Windows there is one view: the flag is ignored there.
bool OtherViewServesClass(HKEY root, const ClassKeys& keys) {
    const REGSAM otherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    HKEY server = nullptr;
    if (RegOpenKeyExW(root, (ClassKey(keys) + L"\\InprocServer32").c_str(), 0, KEY_READ | otherView,
                      &server) != ERROR_SUCCESS)
        return false;
    RegCloseKey(server);
    return true;
}

// Removes whatever registration finds under `root`, and reports the first removal that failed.
HRESULT Unregister(HKEY root) {
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
        keep(DeleteKeyTree(root, localeZero + L"\\" + library.PlatformKey()));
        keep(DeleteKeyIfEmpty(root, localeZero));
        // Not registered is no error here: the keys below go either way.
        if (IsForAllUsers(root))
            UnRegisterTypeLib(attributes.guid, attributes.wMajorVerNum, attributes.wMinorVerNum,
                              attributes.lcid, attributes.syskind);
        keep(DeleteKeyTree(root, ownLocale + L"\\" + library.PlatformKey()));
        keep(DeleteKeyIfEmpty(root, ownLocale));
        if (!HasLocaleKeys(root, versionKey)) keep(DeleteKeyTree(root, versionKey));
        keep(DeleteKeyIfEmpty(root, LibraryKey()));
    } else {
        keep(SELFREG_E_TYPELIB);
    }
    for (const InterfaceKeys& keys : kInterfaces) keep(DeleteKeyTree(root, InterfaceKey(keys)));
    for (const ClassKeys& keys : kClasses) {
        keep(DeleteKeyTree(root, ClassKey(keys)));
        if (!OtherViewServesClass(root, keys)) keep(DeleteKeyTree(root, keys.progId));
    }
    return result;
}

// The current user's classes root, HKEY_CURRENT_USER\Software\Classes.
HRESULT OpenUserClasses(HKEY* classes) {
    const LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, classes,
                                        nullptr);
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

HRESULT Install(HKEY root) {
    const HRESULT hr = Register(root);
    // No half-registered server: take back whatever was written.
    if (FAILED(hr)) Unregister(root);
    return hr;
}

}  // namespace
}  // namespace folio_com

STDAPI DllRegisterServer() {
    return folio_com::Install(HKEY_CLASSES_ROOT);
}

STDAPI DllUnregisterServer() {
    return folio_com::Unregister(HKEY_CLASSES_ROOT);
}

// regsvr32 /n /i:user registers for the current user only, regsvr32 /u /n /i:user removes
// that; "user" is the one command line there is.
STDAPI DllInstall(BOOL install, PCWSTR commandLine) {
    if (commandLine == nullptr || lstrcmpiW(commandLine, L"user") != 0) return E_INVALIDARG;
    HKEY classes = nullptr;
    HRESULT hr = folio_com::OpenUserClasses(&classes);
    if (FAILED(hr)) return hr;
    hr = install ? folio_com::Install(classes) : folio_com::Unregister(classes);
    RegCloseKey(classes);
    return hr;
}
