// The server's entry points called directly, as COM calls them: class factories for this
// library's classes only, and DllCanUnloadNow, which says yes only when no object, class
// factory or server lock is left. Then COM itself unloads the DLL when it is free.
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

FOLIO_FOR_BOTH_LIBRARIES(ServerEntryPoints);

// COM asks DllCanUnloadNow and frees the DLL once its objects are gone.
TEST(ServerUnload, ComFreesTheLibraryWhenItsObjectsAreReleased) {
    const Library& lib = Pagestack();
    const std::wstring name = Widen(lib.name) + L".dll";
    {
        ComPtr<_UFL> ufl = CreateUfl(lib);
        ASSERT_TRUE(ufl);
        ASSERT_NE(GetModuleHandleW(name.c_str()), nullptr);
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_NE(GetModuleHandleW(name.c_str()), nullptr) << "unloaded while an object is alive";
    }
    // COM may wait for a second request before it frees a library.
    for (int attempt = 0; attempt < 20 && GetModuleHandleW(name.c_str()) != nullptr; ++attempt) {
        CoFreeUnusedLibrariesEx(0, 0);
        Sleep(10);
    }
    EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr);
}

}  // namespace
}  // namespace com_test
