// A few registry operations for self-registration, with results as HRESULTs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace folio_com {

// Creates (or opens) the key `path` under `root` and sets its values.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HRESULT Create(HKEY root, const std::wstring& path);
    // A text value; a null name is the key's default value.
    HRESULT SetText(const wchar_t* name, const std::wstring& value);

private:
    HKEY key_ = nullptr;
};

// Creates `path` with its default value `value` (and every missing key above it).
HRESULT SetDefaultText(HKEY root, const std::wstring& path, const std::wstring& value);

// Removes `path` with all its subkeys; a key that is not there is no error.
HRESULT DeleteKeyTree(HKEY root, const std::wstring& path);

// Removes `path` when it has no subkeys left (its values go with it).
HRESULT DeleteKeyIfEmpty(HKEY root, const std::wstring& path);

// The names of the subkeys of `path`; none when it is absent.
std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path);

}  // namespace folio_com
