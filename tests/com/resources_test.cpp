// The DLLs' resources: the version block (which Help also reports) and the _IID_ENTRY and
// _IID_UFL resources with the interfaces' identifiers.
#include <cstring>
#include <vector>

#include "com_client.h"

namespace com_test {
namespace {

class VersionBlock : public BothLibraries {
protected:
    void SetUp() override {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(Lib().dllPath.c_str(), &handle);
        ASSERT_GT(size, 0u);
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(Lib().dllPath.c_str(), 0, size, block_.data()));
    }
    // A string of the U.S. English, Unicode table; false when it is not there at all.
    bool Query(const wchar_t* name, std::string& value) {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        wchar_t* text = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block_.data(), key.c_str(), reinterpret_cast<void**>(&text), &length))
            return false;
        value = text ? Narrow(text, wcslen(text)) : std::string();
        return true;
    }
    std::string Text(const wchar_t* name) {
        std::string value;
        EXPECT_TRUE(Query(name, value)) << Narrow(name, wcslen(name));
        return value;
    }
    std::vector<char> block_;
};

TEST_P(VersionBlock, FixedPartGivesTheVersionOfADll) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const WORD* v = Lib().version;
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(v[1], v[0]));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(v[3], v[2]));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

TEST_P(VersionBlock, OneUsEnglishUnicodeTranslation) {
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 2 * sizeof(WORD));
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
}

TEST_P(VersionBlock, StringsNameTheLibraryAndItsMaker) {
    EXPECT_EQ(Text(L"CompanyName"), Lib().companyName);
    EXPECT_EQ(Text(L"FileDescription"), FOLIO_FILE_DESCRIPTION);
    EXPECT_EQ(Text(L"FileVersion"), Lib().versionText);
    EXPECT_EQ(Text(L"ProductVersion"), Lib().versionText);
    EXPECT_EQ(Text(L"ProductName"), FOLIO_PRODUCT_NAME);  // the same in both libraries
    EXPECT_EQ(Text(L"InternalName"), Lib().name);
    EXPECT_EQ(Text(L"OriginalFilename"), Lib().name + ".dll");
    EXPECT_EQ(Text(L"LegalCopyright"), FOLIO_LEGAL_COPYRIGHT);
    // Present and empty: it tells installers the DLL registers itself.
    EXPECT_EQ(Text(L"OLESelfRegister"), "");
    std::string unknown;
    EXPECT_FALSE(Query(L"NoSuchValue", unknown));
}

class ModuleResources : public BothLibraries {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(Lib().dllPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    std::vector<unsigned char> Resource(const wchar_t* type, WORD language = 0) {
        HRSRC found = language ? FindResourceExW(module_, type, MAKEINTRESOURCEW(1), language)
                               : FindResourceW(module_, MAKEINTRESOURCEW(1), type);
        if (!found) return {};
        const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module_, found)));
        return std::vector<unsigned char>(data, data + SizeofResource(module_, found));
    }
    HMODULE module_ = nullptr;
};

TEST_P(ModuleResources, InterfaceIdentifierResourcesHoldALengthAndTheGuid) {
    const struct {
        const wchar_t* type;
        GUID iid;
    } resources[] = {{L"_IID_ENTRY", Lib().iidEntry}, {L"_IID_UFL", Lib().iidUfl}};
    for (const auto& r : resources) {
        SCOPED_TRACE(Narrow(r.type, wcslen(r.type)));
        const std::vector<unsigned char> data = Resource(r.type);
        ASSERT_EQ(data.size(), 20u);
        EXPECT_EQ(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24, 16);
        EXPECT_EQ(std::memcmp(data.data() + 4, &r.iid, 16), 0);
    }
}

TEST_P(ModuleResources, VersionBlockAndTypeLibraryAreResourceOne) {
    EXPECT_FALSE(Resource(MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))
                     .empty());
    const std::vector<unsigned char> library = Resource(L"TYPELIB");
    ASSERT_GE(library.size(), 4u);
    EXPECT_EQ(std::memcmp(library.data(), "MSFT", 4), 0);
}

FOLIO_FOR_BOTH_LIBRARIES(VersionBlock);
FOLIO_FOR_BOTH_LIBRARIES(ModuleResources);

}  // namespace
}  // namespace com_test
