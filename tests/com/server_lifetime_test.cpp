// The server's entry points called directly, as COM calls them: class factories for this
// library's classes only, and DllCanUnloadNow, which says yes only when no object, class
// factory or server lock is left. Then COM itself unloads the DLL when it is free.
#include <vector>

#include "com_client.h"

namespace com_test {
namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

class ServerEntryPoints : public BothLibraries {
protected:
    void SetUp() override {
        module_ = LoadLibraryW(Lib().dllPath.c_str());
        ASSERT_NE(module_, nullptr);
        getClassObject_ = reinterpret_cast<GetClassObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        canUnloadNow_ = reinterpret_cast<CanUnloadNowFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
        ASSERT_NE(getClassObject_, nullptr);
        ASSERT_NE(canUnloadNow_, nullptr);
        ASSERT_NE(GetProcAddress(module_, "DllRegisterServer"), nullptr);
        ASSERT_NE(GetProcAddress(module_, "DllUnregisterServer"), nullptr);
        // Nothing of the earlier tests may still hold the server.
        ASSERT_EQ(canUnloadNow_(), S_OK);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    ComPtr<IClassFactory> Factory(const GUID& clsid) {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject_(clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
        return factory;
    }

    HMODULE module_ = nullptr;
    GetClassObjectFunction getClassObject_ = nullptr;
    CanUnloadNowFunction canUnloadNow_ = nullptr;
};

TEST_P(ServerEntryPoints, ClassFactoriesOnlyForThisLibrarysClasses) {
    for (const GUID* clsid : {&Lib().clsidEntry, &Lib().clsidUfl}) {
        ComPtr<IClassFactory> factory = Factory(*clsid);
        ASSERT_TRUE(factory);
        ComPtr<IDispatch> object;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, object.PutVoid()), S_OK);
        ComPtr<IUnknown> aggregated;
        EXPECT_EQ(factory->CreateInstance(object.Get(), IID_IUnknown, aggregated.PutVoid()),
                  CLASS_E_NOAGGREGATION);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, aggregated.PutVoid()), E_NOINTERFACE);
        EXPECT_FALSE(aggregated);
    }
    const Library& other = Other(Lib());
    for (const GUID* clsid : {&other.clsidEntry, &other.clsidUfl, &Lib().iidEntry, &Lib().libid}) {
        void* factory = reinterpret_cast<void*>(1);
        EXPECT_EQ(getClassObject_(*clsid, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(factory, nullptr);
    }
}

TEST_P(ServerEntryPoints, UnloadsOnlyWhenNoObjectFactoryOrLockRemains) {
    ComPtr<IClassFactory> factory = Factory(Lib().clsidEntry);
    ASSERT_TRUE(factory);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    ComPtr<IUnknown> first, second;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, first.PutVoid()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, second.PutVoid()), S_OK);
    EXPECT_NE(first.Get(), second.Get());
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    first.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    second.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);

    factory = Factory(Lib().clsidUfl);
    ASSERT_TRUE(factory);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    factory = Factory(Lib().clsidUfl);
    ASSERT_TRUE(factory);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

// Many objects of both classes, each used through its dispatch interface and its error
// support, and released in another order than made: the server is free again afterwards.
TEST_P(ServerEntryPoints, ManyObjectsLeaveNothingBehind) {
    ComPtr<IClassFactory> entries = Factory(Lib().clsidEntry);
    ComPtr<IClassFactory> ufls = Factory(Lib().clsidUfl);
    ASSERT_TRUE(entries && ufls);
    std::vector<ComPtr<IDispatch>> objects(2000);
    for (size_t i = 0; i < objects.size(); ++i) {
        IClassFactory* factory = (i % 2 ? ufls : entries).Get();
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, objects[i].PutVoid()), S_OK);
        ComPtr<ISupportErrorInfo> errors;
        ASSERT_EQ(objects[i]->QueryInterface(IID_ISupportErrorInfo, errors.PutVoid()), S_OK);
        const wchar_t* name = i % 2 ? L"Help" : L"Count";
        DISPID id = 0;
        ASSERT_EQ(objects[i]->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(&name), 1, 0, &id), S_OK);
    }
    entries.Reset();
    ufls.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    for (size_t i = 0; i < objects.size(); i += 2) objects[i].Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    for (size_t i = objects.size(); i-- > 0;) objects[i].Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

// DllInstall knows one command line, "user" (regsvr32 /n /i:user); any other is refused
// before anything is written, whether installing or removing. (The registration itself is
// tested through regsvr32, in a prefix of its own.)
TEST_P(ServerEntryPoints, InstallRefusesUnknownCommandLines) {
    using InstallFunction = HRESULT(STDAPICALLTYPE*)(BOOL, PCWSTR);
    const auto install = reinterpret_cast<InstallFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllInstall")));
    ASSERT_NE(install, nullptr);
    wchar_t clsid[40];
    ASSERT_GT(StringFromGUID2(Lib().clsidEntry, clsid, 40), 0);
    const std::wstring userKey = std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
    const auto registeredForUser = [&userKey] {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, userKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    };
    ASSERT_FALSE(registeredForUser()) << "registered for the current user before the test";

    for (const BOOL installing : {TRUE, FALSE}) {
        for (const wchar_t* commandLine : {static_cast<const wchar_t*>(nullptr), L"", L"bogus", L"users",
                                           L" user", L"user "}) {
            EXPECT_EQ(install(installing, commandLine), E_INVALIDARG)
                << (installing ? "install " : "uninstall ") << "'"
                << (commandLine ? Narrow(commandLine, wcslen(commandLine)) : "(null)") << "'";
        }
    }
    EXPECT_FALSE(registeredForUser()) << "a refused command line registered the class";
}

FOLIO_FOR_BOTH_LIBRARIES(ServerEntryPoints);

// A call by name through IDispatch, as a script makes it: the result as text, "error" on failure.
std::string CallByName(IDispatch* object, const wchar_t* method, BSTR argument = nullptr) {
    LPOLESTR name = const_cast<LPOLESTR>(method);
    DISPID id = 0;
    if (FAILED(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return "error";
    VARIANT arg;
    V_VT(&arg) = VT_BSTR;
    V_BSTR(&arg) = argument;
    DISPPARAMS params{&arg, nullptr, argument ? 1u : 0u, 0};
    Variant result;
    if (FAILED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                              nullptr)) ||
        FAILED(VariantChangeType(&result, &result, 0, VT_BSTR)))
        return "error";
    return Narrow(V_BSTR(&result));
}

// Whether the DLL is still loaded, after asking COM to free what is unused (COM may wait for a
// second request before it frees a library).
bool StillLoaded(const std::wstring& dll) {
    for (int attempt = 0; attempt < 20 && GetModuleHandleW(dll.c_str()) != nullptr; ++attempt) {
        CoFreeUnusedLibrariesEx(0, 0);
        Sleep(10);
    }
    return GetModuleHandleW(dll.c_str()) != nullptr;
}

// COM asks DllCanUnloadNow and frees the DLL once its objects are gone; the library's type
// information and per-thread state go with it, and a library loaded again starts afresh.
TEST(ServerUnload, ComFreesTheLibraryWhenItsObjectsAreReleasedAndLoadsItAgain) {
    for (const Library* lib : {&Keystack(), &Pagestack()}) {
        const std::wstring dll = Widen(lib->name) + L".dll";
        for (int load = 1; load <= 2; ++load) {
            SCOPED_TRACE(lib->name + ", load " + std::to_string(load));
            {
                ComPtr<_Entry> entry = CreateEntry(*lib);
                ComPtr<_UFL> ufl = CreateUfl(*lib);
                ASSERT_TRUE(entry && ufl);
                ASSERT_NE(GetModuleHandleW(dll.c_str()), nullptr);
                // Through IDispatch, which loads the type information, and the class's.
                ComPtr<IDispatch> object;
                ASSERT_EQ(entry->QueryInterface(IID_IDispatch, object.PutVoid()), S_OK);
                Bstr file(L"");
                EXPECT_EQ(CallByName(object.Get(), L"AppendFile", file.Get()), "");
                EXPECT_EQ(CallByName(object.Get(), L"Count"), "0");
                ComPtr<IProvideClassInfo> provider;
                ComPtr<ITypeInfo> coclass;
                ASSERT_EQ(entry->QueryInterface(IID_IProvideClassInfo, provider.PutVoid()), S_OK);
                EXPECT_EQ(provider->GetClassInfo(coclass.Put()), S_OK);
                Bstr keyword(L"version");
                ComPtr<IDispatch> help;
                ASSERT_EQ(ufl->QueryInterface(IID_IDispatch, help.PutVoid()), S_OK);
                EXPECT_EQ(CallByName(help.Get(), L"Help", keyword.Get()).substr(0, lib->name.size()), lib->name);
                CoFreeUnusedLibrariesEx(0, 0);
                EXPECT_NE(GetModuleHandleW(dll.c_str()), nullptr) << "unloaded while an object is alive";
            }
            EXPECT_FALSE(StillLoaded(dll)) << "the library was not unloaded";
        }
    }
}

}  // namespace
}  // namespace com_test
