#include "automation/own_type_library.h"

#include <oleauto.h>

#include <cwchar>

namespace folio_com {

OwnTypeLibrary::~OwnTypeLibrary() {
    if (library_) library_->Release();
}

HRESULT OwnTypeLibrary::Load(const std::wstring& modulePath) {
    HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, &library_);
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = library_->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    attributes_ = *attributes;
    library_->ReleaseTLibAttr(attributes);
    return S_OK;
}

std::wstring OwnTypeLibrary::VersionKey() const {
    wchar_t text[16];
    std::swprintf(text, sizeof text / sizeof text[0], L"%x.%x", attributes_.wMajorVerNum,
                  attributes_.wMinorVerNum);
    return text;
}

std::wstring OwnTypeLibrary::LocaleKey() const {
    wchar_t text[16];
    std::swprintf(text, sizeof text / sizeof text[0], L"%lx", static_cast<unsigned long>(attributes_.lcid));
    return text;
}

std::wstring OwnTypeLibrary::PlatformKey() const {
    return attributes_.syskind == SYS_WIN64 ? L"win64" : L"win32";
}

}  // namespace folio_com
