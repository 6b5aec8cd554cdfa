#include "com_client.h"

#include <objbase.h>

namespace com_test {

std::wstring WindowsPath(const char* path) {
    std::wstring out = Widen(path);
    if (!out.empty() && out[0] == L'/') out = L"Z:" + out;
    for (wchar_t& c : out)
        if (c == L'/') c = L'\\';
    return out;
}

namespace {

// COM for the whole test program, on the thread that runs the tests.
class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
};
const auto* const kComEnvironment = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

template <class Interface>
ComPtr<Interface> Create(const std::wstring& progId, const GUID& iid) {
    ComPtr<Interface> object;
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
    EXPECT_EQ(hr, S_OK) << "no class for " << Narrow(progId.c_str(), progId.size());
    if (FAILED(hr)) return object;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.PutVoid());
    EXPECT_EQ(hr, S_OK) << "cannot create " << Narrow(progId.c_str(), progId.size());
    return object;
}

}  // namespace

GUID GuidFromText(const char* text) {
    GUID guid{};
    const std::wstring braced = L"{" + Widen(text) + L"}";
    EXPECT_EQ(CLSIDFromString(braced.c_str(), &guid), S_OK) << text;
    return guid;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string Narrow(const wchar_t* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) out += text[i] < 128 ? static_cast<char>(text[i]) : '?';
    return out;
}

std::string Narrow(BSTR text) { return text ? Narrow(text, SysStringLen(text)) : std::string(); }

const Library& Keystack() {
    static const Library library{
        KEYSTACK_LIBRARY_NAME, WindowsPath(FOLIO_TEST_KEYSTACK_DLL), KEYSTACK_COMPANY_NAME,
        KEYSTACK_VERSION_TEXT,
        {KEYSTACK_VERSION_MAJOR, KEYSTACK_VERSION_MINOR, KEYSTACK_VERSION_BUILD, KEYSTACK_VERSION_REVISION},
        FOLIO_TYPELIB_TITLE_KEYSTACK, GuidFromText(KEYSTACK_LIBID), GuidFromText(KEYSTACK_CLSID_ENTRY),
        GuidFromText(KEYSTACK_IID_ENTRY), GuidFromText(KEYSTACK_CLSID_UFL), GuidFromText(KEYSTACK_IID_UFL),
        GuidFromText(KEYSTACK_IID_ENTRY_PAGES),
        L"" KEYSTACK_LIBRARY_NAME ".Entry", L"" KEYSTACK_LIBRARY_NAME ".UFL"};
    return library;
}

const Library& Pagestack() {
    static const Library library{
        PAGESTACK_LIBRARY_NAME, WindowsPath(FOLIO_TEST_PAGESTACK_DLL), PAGESTACK_COMPANY_NAME,
        PAGESTACK_VERSION_TEXT,
        {PAGESTACK_VERSION_MAJOR, PAGESTACK_VERSION_MINOR, PAGESTACK_VERSION_BUILD, PAGESTACK_VERSION_REVISION},
        FOLIO_TYPELIB_TITLE_PAGESTACK, GuidFromText(PAGESTACK_LIBID), GuidFromText(PAGESTACK_CLSID_ENTRY),
        GuidFromText(PAGESTACK_IID_ENTRY), GuidFromText(PAGESTACK_CLSID_UFL), GuidFromText(PAGESTACK_IID_UFL),
        GuidFromText(PAGESTACK_IID_ENTRY_PAGES),
        L"" PAGESTACK_LIBRARY_NAME ".Entry", L"" PAGESTACK_LIBRARY_NAME ".UFL"};
    return library;
}

const Library& Other(const Library& library) {
    return &library == &Keystack() ? Pagestack() : Keystack();
}

ComPtr<_Entry> CreateEntry(const Library& library) {
    return Create<_Entry>(library.progIdEntry, library.iidEntry);
}

ComPtr<_UFL> CreateUfl(const Library& library) {
    return Create<_UFL>(library.progIdUfl, library.iidUfl);
}

ComPtr<_EntryPages> EntryPagesOf(_Entry* entry, const Library& library) {
    ComPtr<_EntryPages> pages;
    EXPECT_EQ(entry->QueryInterface(library.iidEntryPages, pages.PutVoid()), S_OK);
    return pages;
}

std::string LibraryName(const ::testing::TestParamInfo<const Library*>& info) {
    return info.param->name;
}

}  // namespace com_test
