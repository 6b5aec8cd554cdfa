#include "automation/registry_key.h"

namespace folio_com {
namespace {

HRESULT FromRegistry(LONG status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

bool IsAbsent(LONG status) {
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

}  // namespace

RegistryKey::~RegistryKey() {
    if (key_) RegCloseKey(key_);
}

HRESULT RegistryKey::Create(HKEY root, const std::wstring& path) {
    if (key_) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
    return FromRegistry(RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_WRITE, nullptr, &key_, nullptr));
}

HRESULT RegistryKey::SetText(const wchar_t* name, const std::wstring& value) {
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return FromRegistry(RegSetValueExW(key_, name, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()), bytes));
}

HRESULT SetDefaultText(HKEY root, const std::wstring& path, const std::wstring& value) {
    RegistryKey key;
    HRESULT hr = key.Create(root, path);
    if (SUCCEEDED(hr)) hr = key.SetText(nullptr, value);
    return hr;
}

HRESULT DeleteKeyTree(HKEY root, const std::wstring& path) {
    const LONG status = RegDeleteTreeW(root, path.c_str());
    if (status == ERROR_SUCCESS || IsAbsent(status)) {
        // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
        const LONG removed = RegDeleteKeyW(root, path.c_str());
        return removed == ERROR_SUCCESS || IsAbsent(removed) ? S_OK : FromRegistry(removed);
    }
    return FromRegistry(status);
}

HRESULT DeleteKeyIfEmpty(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
    if (IsAbsent(status)) return S_OK;
    if (status != ERROR_SUCCESS) return FromRegistry(status);
    DWORD subkeys = 0;
    status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return FromRegistry(status);
    if (subkeys != 0) return S_OK;
    status = RegDeleteKeyW(root, path.c_str());
    return status == ERROR_SUCCESS || IsAbsent(status) ? S_OK : FromRegistry(status);
}

std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    wchar_t name[256];  // the longest key name the registry allows, with its terminator
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name / sizeof name[0];
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

}  // namespace folio_com
