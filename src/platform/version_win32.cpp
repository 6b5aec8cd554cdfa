// The library's own version block, file name and folder: read from the module that holds
// this code (the DLL, not the host that loaded it).
#include <windows.h>

#include <vector>

#include "core/build.h"
#include "platform/build_version.h"

namespace platform {
namespace {

HMODULE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&OwnModule), &module);
    return module;
}

Text ModulePath(HMODULE module) {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return Text();
        if (n < buf.size()) return Text(reinterpret_cast<const char16_t*>(buf.data()), n);
        buf.resize(buf.size() * 2);
    }
}

Text QueryString(const void* block, const wchar_t* name) {
    std::wstring key = L"\\StringFileInfo\\040904B0\\";
    key += name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, key.c_str(), &value, &length) || !value || length == 0) return Text();
    Text text(static_cast<const char16_t*>(value), length);
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

}  // namespace

VersionInfo LibraryVersion() {
    VersionInfo info;
    const HMODULE module = OwnModule();
    const Text path = ModulePath(module);
    const size_t slash = path.find_last_of(u"\\/");
    const Text fileName = slash == Text::npos ? path : path.substr(slash + 1);
    // The folder as the platform gives it: a root folder keeps its backslash ("C:\").
    info.installedFolder = slash == Text::npos ? Text() : path.substr(0, slash);
    if (info.installedFolder.size() == 2 && info.installedFolder[1] == u':') info.installedFolder += u'\\';
    const size_t dot = fileName.rfind(u'.');
    info.executableName = dot == Text::npos ? fileName : fileName.substr(0, dot);

    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /* RT_VERSION */);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        FillFromIdentity(info, Build::kIdentity);  // a test program has no version block
        return info;
    }
    // VerQueryValueW wants a writable copy of the block.
    const DWORD size = SizeofResource(module, resource);
    std::vector<char> block(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    block.resize(size * 2);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        info.major = static_cast<int16_t>(HIWORD(fixed->dwFileVersionMS));
        info.minor = static_cast<int16_t>(LOWORD(fixed->dwFileVersionMS));
        info.revision = static_cast<int16_t>(LOWORD(fixed->dwFileVersionLS));
    }
    info.productName = QueryString(block.data(), L"ProductName");
    info.fileDescription = QueryString(block.data(), L"FileDescription");
    info.companyName = QueryString(block.data(), L"CompanyName");
    return info;
}

}  // namespace platform
