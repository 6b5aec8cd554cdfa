// The type library as a host reads it: through the registry (LoadRegTypeLib with locale 0,
// as hosts ask) and straight from the DLL. Names, order, kinds, flags, identifiers, dispatch
// identifiers and parameters are what clients are compiled against.
#include <vector>

#include "com_client.h"

namespace com_test {
namespace {

struct Method {
    const char* name;
    MEMBERID id;
    // The parameters before the result: names, and whether each is [in, out] by reference.
    std::vector<const char*> parameters;
    bool inOut;
    VARTYPE parameterType;  // VT_BSTR or VT_I2 (behind the pointer when [in, out])
    VARTYPE resultType;
    // For a method whose parameters differ in type: each one's, in order.
    std::vector<VARTYPE> parameterTypes = {};
};

const std::vector<Method> kEntryMethods = {
    {"NewFile", 0x60030000, {"sFile"}, true, VT_BSTR, VT_BSTR},
    {"AppendFile", 0x60030001, {"sFile"}, true, VT_BSTR, VT_BSTR},
    {"Save", 0x60030003, {"sFile"}, true, VT_BSTR, VT_BSTR},
    {"Clear", 0x60030005, {}, true, VT_EMPTY, VT_BSTR},
    {"FetchDescription", 0x60030006, {"Index"}, true, VT_I2, VT_BSTR},
    {"FetchPage", 0x60030007, {"Index"}, true, VT_I2, VT_BSTR},
    {"Store", 0x60030008, {"Description", "PageNo"}, true, VT_BSTR, VT_BSTR},
    {"Count", 0x60030009, {}, true, VT_EMPTY, VT_I2},
    {"MaxPage", 0x6003000A, {}, true, VT_EMPTY, VT_I2},
};
// _EntryPages: after _Entry's methods, in the vtable and in dispatch identifiers.
const std::vector<Method> kEntryPagesMethods = {
    {"AddPage", 0x6003000B, {"Description", "PageNo"}, true, VT_BSTR, VT_BSTR},
    {"FindPage", 0x6003000C, {"Description"}, true, VT_BSTR, VT_BSTR},
    {"SetOrder", 0x6003000D, {"Order"}, true, VT_BSTR, VT_BSTR},
    {"FetchGroup", 0x6003000E, {"Index"}, true, VT_I2, VT_BSTR},
    {"ShiftPages", 0x6003000F, {"Offset"}, true, VT_I2, VT_I2},
    {"AppendPages", 0x60030010, {"sFile", "Offset"}, true, VT_EMPTY, VT_BSTR, {VT_BSTR, VT_I2}},
    {"SetLevels", 0x60030011, {"Separator"}, true, VT_BSTR, VT_BSTR},
    {"FetchLevel", 0x60030012, {"Index"}, true, VT_I2, VT_I2},
    {"FetchLabel", 0x60030013, {"Index"}, true, VT_I2, VT_BSTR},
    {"SortAs", 0x60030014, {"Description", "SortKey"}, true, VT_BSTR, VT_BSTR},
};
const std::vector<Method> kUflMethods = {
    {"Help", 0x60030000, {"HelpCommand"}, false, VT_BSTR, VT_BSTR},
};

// widl's flags for a [hidden, dual, nonextensible, oleautomation] interface: the dispatch
// side is dispatchable; the vtable side is also marked automation-compatible.
constexpr WORD kDualFlags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
const GUID kStdOle = GuidFromText("00020430-0000-0000-C000-000000000046");

std::string NameOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    Bstr name;
    EXPECT_EQ(info->GetDocumentation(id, name.Put(), nullptr, nullptr, nullptr), S_OK);
    return name.Text();
}

TYPEATTR AttributesOf(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    TYPEATTR copy{};
    if (info->GetTypeAttr(&attr) == S_OK) {
        copy = *attr;
        info->ReleaseTypeAttr(attr);
    }
    return copy;
}

ComPtr<ITypeLib> RegisteredLibrary(const Library& lib) {
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadRegTypeLib(lib.libid, 1, 0, 0, library.Put()), S_OK) << lib.name;
    return library;
}

ComPtr<ITypeInfo> VtableSide(ITypeInfo* dispatchSide) {
    ComPtr<ITypeInfo> vtable;
    HREFTYPE ref = 0;
    EXPECT_EQ(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
    EXPECT_EQ(dispatchSide->GetRefTypeInfo(ref, vtable.Put()), S_OK);
    return vtable;
}

// `firstSlot`: the vtable slot of the first method, after those of the base interfaces.
void ExpectMethods(ITypeInfo* vtable, const std::vector<Method>& methods, UINT firstSlot = 7) {
    const TYPEATTR attr = AttributesOf(vtable);
    ASSERT_EQ(attr.typekind, TKIND_INTERFACE);
    ASSERT_EQ(attr.cFuncs, methods.size());
    EXPECT_EQ(attr.cVars, 0);
    for (UINT i = 0; i < methods.size(); ++i) {
        const Method& m = methods[i];
        SCOPED_TRACE(m.name);
        FUNCDESC* f = nullptr;
        ASSERT_EQ(vtable->GetFuncDesc(i, &f), S_OK);
        EXPECT_EQ(f->memid, m.id);
        EXPECT_EQ(f->invkind, INVOKE_FUNC);  // methods, never properties
        EXPECT_EQ(f->funckind, FUNC_PUREVIRTUAL);
        EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_HRESULT);
        // After the methods of the base interfaces (IDispatch's seven), in order.
        EXPECT_EQ(f->oVft, static_cast<SHORT>((firstSlot + i) * sizeof(void*)));
        const UINT count = static_cast<UINT>(m.parameters.size());
        ASSERT_EQ(f->cParams, static_cast<SHORT>(count + 1));
        EXPECT_EQ(f->cParamsOpt, 0);

        BSTR names[4] = {};
        UINT got = 0;
        ASSERT_EQ(vtable->GetNames(f->memid, names, 4, &got), S_OK);
        EXPECT_EQ(Narrow(names[0]), m.name);
        for (UINT p = 0; p < count; ++p) {
            const ELEMDESC& e = f->lprgelemdescParam[p];
            const VARTYPE type = m.parameterTypes.empty() ? m.parameterType : m.parameterTypes.at(p);
            EXPECT_EQ(Narrow(names[p + 1]), m.parameters[p]);
            if (m.inOut) {
                EXPECT_EQ(e.paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOUT);
                ASSERT_EQ(e.tdesc.vt, VT_PTR);
                EXPECT_EQ(e.tdesc.lptdesc->vt, type);
            } else {
                EXPECT_EQ(e.paramdesc.wParamFlags, PARAMFLAG_FIN);
                EXPECT_EQ(e.tdesc.vt, type);
            }
        }
        for (UINT n = 0; n < got; ++n) SysFreeString(names[n]);
        const ELEMDESC& result = f->lprgelemdescParam[count];
        EXPECT_EQ(result.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        ASSERT_EQ(result.tdesc.vt, VT_PTR);
        EXPECT_EQ(result.tdesc.lptdesc->vt, m.resultType);
        vtable->ReleaseFuncDesc(f);
    }
}

class TypeLibrary : public BothLibraries {};

TEST_P(TypeLibrary, RegisteredUnderLocaleZeroAndEmbeddedAreTheSameLibrary) {
    ComPtr<ITypeLib> registered = RegisteredLibrary(Lib());
    ASSERT_TRUE(registered);
    ComPtr<ITypeLib> embedded;
    ASSERT_EQ(LoadTypeLibEx(Lib().dllPath.c_str(), REGKIND_NONE, embedded.Put()), S_OK);
    for (ITypeLib* library : {registered.Get(), embedded.Get()}) {
        TLIBATTR* attr = nullptr;
        ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
        EXPECT_TRUE(IsEqualGUID(attr->guid, Lib().libid));
        EXPECT_EQ(attr->lcid, 0x0409u);
        EXPECT_EQ(attr->syskind, kSysKind);
        EXPECT_EQ(attr->wMajorVerNum, 1);
        EXPECT_EQ(attr->wMinorVerNum, 0);
        library->ReleaseTLibAttr(attr);

        Bstr name, title, helpFile;
        ASSERT_EQ(library->GetDocumentation(-1, name.Put(), title.Put(), nullptr, helpFile.Put()), S_OK);
        EXPECT_EQ(name.Text(), Lib().name);
        EXPECT_EQ(title.Text(), Lib().typeLibraryTitle);
        EXPECT_EQ(helpFile.Get(), nullptr);
    }
}

TEST_P(TypeLibrary, HoldsTheInterfacesAndClassesInOrder) {
    ComPtr<ITypeLib> library = RegisteredLibrary(Lib());
    ASSERT_TRUE(library);
    // _Entry and Entry keep their places; _EntryPages follows the class that names it.
    ASSERT_EQ(library->GetTypeInfoCount(), 5u);
    const struct {
        const char* name;
        TYPEKIND kind;
        GUID guid;
    } expected[] = {{"_Entry", TKIND_DISPATCH, Lib().iidEntry},
                    {"Entry", TKIND_COCLASS, Lib().clsidEntry},
                    {"_EntryPages", TKIND_DISPATCH, Lib().iidEntryPages},
                    {"_UFL", TKIND_DISPATCH, Lib().iidUfl},
                    {"UFL", TKIND_COCLASS, Lib().clsidUfl}};
    for (UINT i = 0; i < 5; ++i) {
        SCOPED_TRACE(expected[i].name);
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(library->GetTypeInfo(i, info.Put()), S_OK);
        EXPECT_EQ(NameOf(info.Get()), expected[i].name);
        const TYPEATTR attr = AttributesOf(info.Get());
        EXPECT_EQ(attr.typekind, expected[i].kind);
        EXPECT_TRUE(IsEqualGUID(attr.guid, expected[i].guid));
    }
}

TEST_P(TypeLibrary, DualInterfacesAreHiddenNonextensibleAndDeriveFromIDispatch) {
    ComPtr<ITypeLib> library = RegisteredLibrary(Lib());
    ASSERT_TRUE(library);
    // _EntryPages derives from _Entry.
    {
        ComPtr<ITypeInfo> dispatch;
        ASSERT_EQ(library->GetTypeInfoOfGuid(Lib().iidEntryPages, dispatch.Put()), S_OK);
        EXPECT_EQ(AttributesOf(dispatch.Get()).wTypeFlags, kDualFlags);
        ComPtr<ITypeInfo> vtable = VtableSide(dispatch.Get());
        ASSERT_TRUE(vtable);
        EXPECT_EQ(AttributesOf(vtable.Get()).wTypeFlags, kDualFlags | TYPEFLAG_FOLEAUTOMATION);
        EXPECT_EQ(AttributesOf(vtable.Get()).cbSizeVft, (7 + 9 + kEntryPagesMethods.size()) * sizeof(void*));
        HREFTYPE ref = 0;
        ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &ref), S_OK);
        ComPtr<ITypeInfo> base;
        ASSERT_EQ(vtable->GetRefTypeInfo(ref, base.Put()), S_OK);
        EXPECT_TRUE(IsEqualGUID(AttributesOf(base.Get()).guid, Lib().iidEntry));
    }
    for (const GUID* iid : {&Lib().iidEntry, &Lib().iidUfl}) {
        ComPtr<ITypeInfo> dispatch;
        ASSERT_EQ(library->GetTypeInfoOfGuid(*iid, dispatch.Put()), S_OK);
        SCOPED_TRACE(NameOf(dispatch.Get()));
        EXPECT_EQ(AttributesOf(dispatch.Get()).wTypeFlags, kDualFlags);
        ComPtr<ITypeInfo> vtable = VtableSide(dispatch.Get());
        ASSERT_TRUE(vtable);
        EXPECT_EQ(AttributesOf(vtable.Get()).wTypeFlags, kDualFlags | TYPEFLAG_FOLEAUTOMATION);

        // The base interface is IDispatch from stdole2, version 2.0.
        HREFTYPE ref = 0;
        ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &ref), S_OK);
        ComPtr<ITypeInfo> base;
        ASSERT_EQ(vtable->GetRefTypeInfo(ref, base.Put()), S_OK);
        EXPECT_TRUE(IsEqualGUID(AttributesOf(base.Get()).guid, IID_IDispatch));
        ComPtr<ITypeLib> baseLibrary;
        UINT index = 0;
        ASSERT_EQ(base->GetContainingTypeLib(baseLibrary.Put(), &index), S_OK);
        TLIBATTR* attr = nullptr;
        ASSERT_EQ(baseLibrary->GetLibAttr(&attr), S_OK);
        EXPECT_TRUE(IsEqualGUID(attr->guid, kStdOle));
        EXPECT_EQ(attr->wMajorVerNum, 2);
        EXPECT_EQ(attr->wMinorVerNum, 0);
        baseLibrary->ReleaseTLibAttr(attr);
    }
}

TEST_P(TypeLibrary, ClassesAreCreatableWithTheirInterfaceAsDefault) {
    ComPtr<ITypeLib> library = RegisteredLibrary(Lib());
    ASSERT_TRUE(library);
    // Entry implements _EntryPages, its default, and _Entry; UFL implements _UFL.
    const struct {
        GUID clsid;
        std::vector<GUID> iids;
    } classes[] = {{Lib().clsidEntry, {Lib().iidEntryPages, Lib().iidEntry}}, {Lib().clsidUfl, {Lib().iidUfl}}};
    for (const auto& c : classes) {
        ComPtr<ITypeInfo> coclass;
        ASSERT_EQ(library->GetTypeInfoOfGuid(c.clsid, coclass.Put()), S_OK);
        SCOPED_TRACE(NameOf(coclass.Get()));
        const TYPEATTR attr = AttributesOf(coclass.Get());
        EXPECT_EQ(attr.wTypeFlags, TYPEFLAG_FCANCREATE);
        ASSERT_EQ(attr.cImplTypes, static_cast<WORD>(c.iids.size()));
        for (UINT i = 0; i < c.iids.size(); ++i) {
            INT flags = 0;
            ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
            EXPECT_EQ(flags, i == 0 ? IMPLTYPEFLAG_FDEFAULT : 0);
            HREFTYPE ref = 0;
            ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
            ComPtr<ITypeInfo> implemented;
            ASSERT_EQ(coclass->GetRefTypeInfo(ref, implemented.Put()), S_OK);
            EXPECT_TRUE(IsEqualGUID(AttributesOf(implemented.Get()).guid, c.iids[i]));
        }
    }
}

TEST_P(TypeLibrary, MethodsKeepTheirOrderDispatchIdentifiersAndParameters) {
    ComPtr<ITypeLib> library = RegisteredLibrary(Lib());
    ASSERT_TRUE(library);
    ComPtr<ITypeInfo> entry, entryPages, ufl;
    ASSERT_EQ(library->GetTypeInfoOfGuid(Lib().iidEntry, entry.Put()), S_OK);
    ASSERT_EQ(library->GetTypeInfoOfGuid(Lib().iidEntryPages, entryPages.Put()), S_OK);
    ASSERT_EQ(library->GetTypeInfoOfGuid(Lib().iidUfl, ufl.Put()), S_OK);
    {
        SCOPED_TRACE("_Entry");
        ExpectMethods(VtableSide(entry.Get()).Get(), kEntryMethods);
    }
    {
        SCOPED_TRACE("_EntryPages");
        ExpectMethods(VtableSide(entryPages.Get()).Get(), kEntryPagesMethods, 7 + 9);
    }
    {
        SCOPED_TRACE("_UFL");
        ExpectMethods(VtableSide(ufl.Get()).Get(), kUflMethods);
    }
}

FOLIO_FOR_BOTH_LIBRARIES(TypeLibrary);

}  // namespace
}  // namespace com_test
