// Calls through IDispatch, as scripts and report hosts make them: names to dispatch
// identifiers, arguments by reference or as variants of other types (converted as if given
// by value, and never written back), argument errors, and method errors as
// DISP_E_EXCEPTION with the EXCEPINFO filled.
#include <vector>

#include "com_client.h"

namespace com_test {
namespace {

constexpr DISPID kNewFile = 0x60030000, kSave = 0x60030003, kFetchDescription = 0x60030006,
                 kStore = 0x60030008, kCount = 0x60030009, kMaxPage = 0x6003000A, kAddPage = 0x6003000B,
                 kFindPage = 0x6003000C, kSetOrder = 0x6003000D, kFetchGroup = 0x6003000E,
                 kShiftPages = 0x6003000F, kAppendPages = 0x60030010, kSetLevels = 0x60030011,
                 kFetchLevel = 0x60030012, kFetchLabel = 0x60030013, kSortAs = 0x60030014, kHelp = 0x60030000;
constexpr HRESULT kOverflow = static_cast<HRESULT>(0x800A0006);
constexpr HRESULT kInvalidArgument = static_cast<HRESULT>(0x800A0005);

struct CallResult {
    HRESULT hr;
    UINT argumentError;
};

// Invokes with the arguments in their natural order (DISPPARAMS keeps them reversed).
// The variants are passed as they are: by-reference ones point at the caller's variables.
CallResult Call(IDispatch* object, DISPID member, std::vector<VARIANT> args, VARIANT* result,
                EXCEPINFO* exception = nullptr, WORD flags = DISPATCH_METHOD,
                std::vector<DISPID> named = {}) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), named.data(), static_cast<UINT>(reversed.size()),
                      static_cast<UINT>(named.size())};
    UINT argumentError = 0xFFFF;
    const HRESULT hr = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                      exception, &argumentError);
    return {hr, argumentError};
}

VARIANT ByRef(BSTR* value) {
    VARIANT v;
    V_VT(&v) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&v) = value;
    return v;
}
VARIANT ByRef(VARIANT* value) {  // a script's variable
    VARIANT v;
    V_VT(&v) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&v) = value;
    return v;
}
VARIANT Long(LONG value) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}
VARIANT String(BSTR value) {  // borrowed: the caller keeps it
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = value;
    return v;
}

ComPtr<IDispatch> DispatchOf(const ComPtr<_Entry>& entry) {
    ComPtr<IDispatch> object;
    EXPECT_EQ(entry->QueryInterface(IID_IDispatch, object.PutVoid()), S_OK);
    return object;
}

class DispatchCalls : public BothLibraries {
protected:
    void SetUp() override {
        entry_ = CreateEntry(Lib());
        ASSERT_TRUE(entry_);
        object_ = DispatchOf(entry_);
        ASSERT_TRUE(object_);
    }
    short Count() {
        Variant result;
        EXPECT_EQ(Call(object_.Get(), kCount, {}, &result).hr, S_OK);
        EXPECT_EQ(result.Type(), VT_I2);
        return V_I2(&result);
    }
    std::string FetchDescription(short index) {
        short value = index;
        VARIANT arg;
        V_VT(&arg) = VT_I2 | VT_BYREF;
        V_I2REF(&arg) = &value;
        Variant result;
        EXPECT_EQ(Call(object_.Get(), kFetchDescription, {arg}, &result).hr, S_OK);
        EXPECT_EQ(result.Type(), VT_BSTR);
        return Narrow(V_BSTR(&result));
    }

    ComPtr<_Entry> entry_;
    ComPtr<IDispatch> object_;
};

TEST_P(DispatchCalls, NamesFindDispatchIdentifiersWhateverTheirCase) {
    const struct {
        const wchar_t* name;
        DISPID id;
    } names[] = {{L"Store", kStore}, {L"store", kStore}, {L"MAXPAGE", kMaxPage},
                 {L"NewFile", kNewFile}, {L"Save", kSave}, {L"count", kCount},
                 {L"AddPage", kAddPage}, {L"findpage", kFindPage}, {L"SetOrder", kSetOrder},
                 {L"FETCHGROUP", kFetchGroup}, {L"ShiftPages", kShiftPages}, {L"appendpages", kAppendPages}};
    for (const auto& n : names) {
        LPOLESTR name = const_cast<LPOLESTR>(n.name);
        DISPID id = 0;
        EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, n.id) << Narrow(n.name, wcslen(n.name));
    }
    // A method's parameter names give their positions.
    LPOLESTR store[] = {const_cast<LPOLESTR>(L"Store"), const_cast<LPOLESTR>(L"PageNo"),
                        const_cast<LPOLESTR>(L"Description")};
    DISPID ids[3] = {};
    ASSERT_EQ(object_->GetIDsOfNames(IID_NULL, store, 3, LOCALE_USER_DEFAULT, ids), S_OK);
    EXPECT_EQ(ids[0], kStore);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], 0);

    LPOLESTR unknown = const_cast<LPOLESTR>(L"Help");  // a method of _UFL, not of _Entry
    DISPID id = 0;
    EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    EXPECT_EQ(object_->GetIDsOfNames(Lib().iidEntry, &unknown, 1, LOCALE_USER_DEFAULT, &id),
              DISP_E_UNKNOWNINTERFACE);
}

// The name and dispatch identifier of each method a type information lists beyond IUnknown's
// and IDispatch's (whose identifiers lie below 0x60020000), walking no base interface: a host
// that lists an object's members reads just this.
std::vector<std::pair<std::string, DISPID>> ListedMethods(ITypeInfo* info) {
    std::vector<std::pair<std::string, DISPID>> methods;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return methods;
    const UINT count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) continue;
        Bstr name;
        UINT found = 0;
        info->GetNames(desc->memid, name.Put(), 1, &found);
        if (desc->memid >= 0x60020000) methods.emplace_back(name.Text(), desc->memid);
        info->ReleaseFuncDesc(desc);
    }
    return methods;
}

// The type information describes the class's default interface, _EntryPages, with every
// method the object answers: what VBScript's TypeName shows, what an object browser lists,
// and what ITypeInfo::Invoke calls.
TEST_P(DispatchCalls, TypeInformationIsTheDefaultInterfaceWithEveryMethod) {
    UINT count = 0;
    ASSERT_EQ(object_->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(object_->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, Lib().iidEntryPages));
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    info->ReleaseTypeAttr(attr);
    Bstr name;
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(name.Text(), "_EntryPages");
    const std::vector<std::pair<std::string, DISPID>> expected = {
        {"NewFile", kNewFile}, {"AppendFile", 0x60030001}, {"Save", kSave}, {"Clear", 0x60030005},
        {"FetchDescription", kFetchDescription}, {"FetchPage", 0x60030007}, {"Store", kStore},
        {"Count", kCount}, {"MaxPage", kMaxPage}, {"AddPage", kAddPage}, {"FindPage", kFindPage},
        {"SetOrder", kSetOrder}, {"FetchGroup", kFetchGroup}, {"ShiftPages", kShiftPages},
        {"AppendPages", kAppendPages}, {"SetLevels", kSetLevels}, {"FetchLevel", kFetchLevel},
        {"FetchLabel", kFetchLabel}, {"SortAs", kSortAs}};
    EXPECT_EQ(ListedMethods(info.Get()), expected);
    EXPECT_EQ(object_->GetTypeInfo(1, LOCALE_USER_DEFAULT, info.Put()), DISP_E_BADINDEX);

    // A caller of ITypeInfo::Invoke reaches a method of _EntryPages and one of _Entry.
    ASSERT_EQ(object_->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put()), S_OK);
    Bstr description(L"peat"), page(L"33");
    BSTR d = description.Get(), p = page.Get();
    VARIANT args[] = {ByRef(&p), ByRef(&d)};  // last first
    DISPPARAMS params{args, nullptr, 2, 0};
    Variant added, found, counted;
    ASSERT_EQ(info->Invoke(object_.Get(), kAddPage, DISPATCH_METHOD, &params, &added, nullptr, nullptr), S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&added)), "peat");
    DISPPARAMS one{args + 1, nullptr, 1, 0};
    ASSERT_EQ(info->Invoke(object_.Get(), kFindPage, DISPATCH_METHOD, &one, &found, nullptr, nullptr), S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&found)), "33");
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(info->Invoke(object_.Get(), kCount, DISPATCH_METHOD, &none, &counted, nullptr, nullptr), S_OK);
    EXPECT_EQ(V_I2(&counted), 1);
}

// A host handed an object finds its class, and through it the default interface, for both
// classes of the library.
TEST_P(DispatchCalls, ObjectsProvideTheirClassInformation) {
    ComPtr<_UFL> ufl = CreateUfl(Lib());
    ASSERT_TRUE(ufl);
    const struct {
        IUnknown* object;
        const GUID& clsid;
        const GUID& defaultIid;
        const char* className;
    } classes[] = {{object_.Get(), Lib().clsidEntry, Lib().iidEntryPages, "Entry"},
                   {ufl.Get(), Lib().clsidUfl, Lib().iidUfl, "UFL"}};
    for (const auto& c : classes) {
        ComPtr<IProvideClassInfo> provider;
        ASSERT_EQ(c.object->QueryInterface(IID_IProvideClassInfo, provider.PutVoid()), S_OK) << c.className;
        ComPtr<ITypeInfo> coclass;
        ASSERT_EQ(provider->GetClassInfo(coclass.Put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
        EXPECT_TRUE(IsEqualGUID(attr->guid, c.clsid)) << c.className;
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        const UINT implemented = attr->cImplTypes;
        coclass->ReleaseTypeAttr(attr);
        Bstr name;
        ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(name.Text(), c.className);
        bool foundDefault = false;
        for (UINT i = 0; i < implemented; ++i) {
            INT flags = 0;
            HREFTYPE ref = 0;
            ComPtr<ITypeInfo> implementedInfo;
            if (coclass->GetImplTypeFlags(i, &flags) != S_OK || !(flags & IMPLTYPEFLAG_FDEFAULT)) continue;
            ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
            ASSERT_EQ(coclass->GetRefTypeInfo(ref, implementedInfo.Put()), S_OK);
            ASSERT_EQ(implementedInfo->GetTypeAttr(&attr), S_OK);
            EXPECT_TRUE(IsEqualGUID(attr->guid, c.defaultIid)) << c.className;
            implementedInfo->ReleaseTypeAttr(attr);
            foundDefault = true;
        }
        EXPECT_TRUE(foundDefault) << c.className;
        // The same object behind the provider.
        ComPtr<IUnknown> fromProvider, fromObject;
        ASSERT_EQ(provider->QueryInterface(IID_IUnknown, fromProvider.PutVoid()), S_OK);
        ASSERT_EQ(c.object->QueryInterface(IID_IUnknown, fromObject.PutVoid()), S_OK);
        EXPECT_EQ(fromProvider.Get(), fromObject.Get());
    }
}

TEST_P(DispatchCalls, ByReferenceStringsAreReadAndLeftAsTheyWere) {
    Bstr description(L"Rivers"), page(L"17");
    BSTR d = description.Get(), p = page.Get();
    Variant result;
    ASSERT_EQ(Call(object_.Get(), kStore, {ByRef(&d), ByRef(&p)}, &result).hr, S_OK);
    ASSERT_EQ(result.Type(), VT_BSTR);
    EXPECT_EQ(Narrow(V_BSTR(&result)), "Rivers");
    EXPECT_EQ(d, description.Get());
    EXPECT_EQ(p, page.Get());
    EXPECT_EQ(Narrow(d), "Rivers");
    EXPECT_EQ(Count(), 1);

    // Texts are read where the caller holds them, whole: by value, a null BSTR (the empty
    // text), and a text with a character 0 inside, through a script's variable.
    Bstr lakes(L"Lakes"), nine(L"9");
    ASSERT_EQ(Call(object_.Get(), kStore, {String(lakes.Get()), String(nine.Get())}, &result).hr, S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&result)), "Lakes");
    BSTR none = nullptr;
    ASSERT_EQ(Call(object_.Get(), kStore, {ByRef(&none), String(nine.Get())}, &result).hr, S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&result)), "ERROR: Description cannot be blank");
    EXPECT_EQ(none, nullptr);
    Variant inner;
    V_VT(&inner) = VT_BSTR;
    V_BSTR(&inner) = SysAllocStringLen(L"A\0B", 3);
    ASSERT_EQ(Call(object_.Get(), kStore, {ByRef(&inner), ByRef(&p)}, &result).hr, S_OK);
    EXPECT_EQ(SysStringLen(V_BSTR(&result)), 3u);
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(FetchDescription(Lib().name == "Keystack" ? 0 : 2), std::string("A\0B", 3));
}

TEST_P(DispatchCalls, ScriptVariablesAreConvertedAndKeepTheirValuesAndSubtypes) {
    // A script's variables: a string description and a numeric page (VT_I4), by reference.
    Variant description, page;
    V_VT(&description) = VT_BSTR;
    V_BSTR(&description) = SysAllocString(L"Lakes");
    V_VT(&page) = VT_I4;
    V_I4(&page) = 42;
    const BSTR descriptionBefore = V_BSTR(&description);
    Variant result;
    ASSERT_EQ(Call(object_.Get(), kStore, {ByRef(&description), ByRef(&page)}, &result).hr, S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&result)), "Lakes");
    EXPECT_EQ(description.Type(), VT_BSTR);
    EXPECT_EQ(V_BSTR(&description), descriptionBefore);
    EXPECT_EQ(page.Type(), VT_I4);
    EXPECT_EQ(V_I4(&page), 42);

    // Index as a by-value long, a string, and a variable holding a long.
    Variant index;
    V_VT(&index) = VT_I4;
    V_I4(&index) = 0;
    Bstr zero(L"0");
    for (VARIANT arg : {Long(0), String(zero.Get()), ByRef(&index)}) {
        Variant fetched;
        ASSERT_EQ(Call(object_.Get(), kFetchDescription, {arg}, &fetched).hr, S_OK);
        EXPECT_EQ(Narrow(V_BSTR(&fetched)), "Lakes");
    }
    EXPECT_EQ(index.Type(), VT_I4);

    short maxPage = 0;
    ASSERT_EQ(entry_->MaxPage(&maxPage), S_OK);
    EXPECT_EQ(maxPage, 42);
}

TEST_P(DispatchCalls, SetOrderAndFetchGroupTakeScriptVariables) {
    const bool keystack = Lib().name == "Keystack";
    // A script's variable holding the order's name, by reference: read, and left as it was.
    Variant order;
    V_VT(&order) = VT_BSTR;
    V_BSTR(&order) = SysAllocString(L"TEXT:sv-se");
    const BSTR orderBefore = V_BSTR(&order);
    Variant result;
    EXCEPINFO exception{};
    const HRESULT hr = Call(object_.Get(), kSetOrder, {ByRef(&order)}, &result, &exception).hr;
    EXPECT_EQ(V_BSTR(&order), orderBefore);
    if (keystack) {
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(result.Type(), VT_BSTR);
        EXPECT_EQ(Narrow(V_BSTR(&result)), "text:sv-SE");
    } else {
        ASSERT_EQ(hr, DISP_E_EXCEPTION);
        EXPECT_EQ(exception.scode, kInvalidArgument);
        EXPECT_EQ(Narrow(exception.bstrDescription),
                  "Pagestack keeps its entries in the order they were stored: it accepts the order \"ordinal\" only, "
                  "not \"TEXT:sv-se\"");
        EXPECT_EQ(result.Type(), VT_EMPTY);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrHelpFile);
    }

    // Swedish: "Ö" after "Z", under its own heading; "é" under "E".
    Bstr page(L"1");
    for (const wchar_t* term : {L"\u00F6l", L"Zebra", L"\u00E9clair", L"12 bars"}) {
        Bstr text(term);
        ASSERT_EQ(Call(object_.Get(), kStore, {String(text.Get()), String(page.Get())}, nullptr).hr, S_OK);
    }
    Variant index;
    V_VT(&index) = VT_I4;
    std::vector<std::wstring> groups;
    for (LONG i = 0; i < 5; ++i) {
        V_I4(&index) = i;
        Variant group;
        ASSERT_EQ(Call(object_.Get(), kFetchGroup, {ByRef(&index)}, &group).hr, S_OK);
        ASSERT_EQ(group.Type(), VT_BSTR);
        groups.emplace_back(V_BSTR(&group), SysStringLen(V_BSTR(&group)));
    }
    EXPECT_EQ(index.Type(), VT_I4);
    // Pagestack's order is the order of storing, and the default locale (en-US) decides.
    const std::vector<std::wstring> expected = keystack ? std::vector<std::wstring>{L"", L"E", L"Z", L"\u00D6", L""}
                                                        : std::vector<std::wstring>{L"O", L"Z", L"E", L"", L""};
    EXPECT_EQ(groups, expected);

    // An unknown order is error 5 with its description; the order in force stays.
    Bstr unknown(L"alphabetical"), none;
    Variant refused;
    EXCEPINFO error{};
    ASSERT_EQ(Call(object_.Get(), kSetOrder, {String(unknown.Get())}, &refused, &error).hr, DISP_E_EXCEPTION);
    EXPECT_EQ(error.scode, kInvalidArgument);
    EXPECT_EQ(Narrow(error.bstrSource), Lib().name + ".Entry");
    EXPECT_EQ(Narrow(error.bstrDescription).substr(0, 30), "Unknown order \"alphabetical\": ");
    EXPECT_EQ(refused.Type(), VT_EMPTY);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrHelpFile);
    Variant inForce;
    ASSERT_EQ(Call(object_.Get(), kSetOrder, {String(none.Get())}, &inForce).hr, S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&inForce)), keystack ? "text:sv-SE" : "ordinal");
    EXPECT_EQ(Call(object_.Get(), kSetOrder, {}, &inForce).hr, DISP_E_BADPARAMCOUNT);
}

// Levels as a script passes them: the separator by reference, the index as the script's own
// integer (VT_I4), the level back as a short. (The reference's cases run every answer.)
TEST_P(DispatchCalls, LevelsTakeScriptVariables) {
    Variant separator;
    V_VT(&separator) = VT_BSTR;
    V_BSTR(&separator) = SysAllocString(L">");
    Variant chosen;
    ASSERT_EQ(Call(object_.Get(), kSetLevels, {ByRef(&separator)}, &chosen).hr, S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&chosen)), ">");
    Bstr page(L"4"), path(L"lake>oxbow");
    ASSERT_EQ(Call(object_.Get(), kStore, {String(path.Get()), String(page.Get())}, nullptr).hr, S_OK);
    Variant index;
    V_VT(&index) = VT_I4;
    V_I4(&index) = 1;  // "lake" was added above "lake>oxbow"
    Variant level, label;
    ASSERT_EQ(Call(object_.Get(), kFetchLevel, {ByRef(&index)}, &level).hr, S_OK);
    EXPECT_EQ(level.Type(), VT_I2);
    EXPECT_EQ(V_I2(&level), 2);
    ASSERT_EQ(Call(object_.Get(), kFetchLabel, {ByRef(&index)}, &label).hr, S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&label)), "oxbow");
    EXPECT_EQ(index.Type(), VT_I4);
}

TEST_P(DispatchCalls, ArgumentsInTheWrongNumberOrOfNoUsableTypeAreRefused) {
    Bstr text(L"x"), word(L"abc");
    BSTR t = text.Get();
    Variant result;
    EXPECT_EQ(Call(object_.Get(), kStore, {ByRef(&t)}, &result).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(object_.Get(), kCount, {Long(1)}, &result).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(object_.Get(), 0x60030002, {}, &result).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(object_.Get(), 0x60030004, {}, &result).hr, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(object_.Get(), 0x60030015, {}, &result).hr, DISP_E_MEMBERNOTFOUND);  // after SortAs
    EXPECT_EQ(Call(object_.Get(), kShiftPages, {}, &result).hr, DISP_E_BADPARAMCOUNT);

    CallResult r = Call(object_.Get(), kFetchDescription, {String(word.Get())}, &result);
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(r.argumentError, 0u);
    r = Call(object_.Get(), kFetchDescription, {Long(70000)}, &result);
    EXPECT_EQ(r.hr, DISP_E_OVERFLOW);
    EXPECT_EQ(r.argumentError, 0u);
    // The first argument stands last in DISPPARAMS.
    VARIANT null;
    V_VT(&null) = VT_NULL;
    r = Call(object_.Get(), kStore, {null, ByRef(&t)}, &result);
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(r.argumentError, 1u);
    EXPECT_EQ(result.Type(), VT_EMPTY);
    EXPECT_EQ(Count(), 0);
}

TEST_P(DispatchCalls, MethodsWithoutArgumentsMayBeReadAsProperties) {
    Variant result;
    EXPECT_EQ(Call(object_.Get(), kCount, {}, &result, nullptr, DISPATCH_PROPERTYGET).hr, S_OK);
    EXPECT_EQ(result.Type(), VT_I2);
    EXPECT_EQ(Call(object_.Get(), kCount, {}, &result, nullptr, DISPATCH_METHOD | DISPATCH_PROPERTYGET).hr,
              S_OK);
    Bstr text(L"x");
    BSTR t = text.Get();
    Variant other;
    EXPECT_EQ(Call(object_.Get(), kStore, {ByRef(&t), ByRef(&t)}, &other, nullptr, DISPATCH_PROPERTYGET).hr,
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(object_.Get(), kCount, {}, &other, nullptr, DISPATCH_PROPERTYPUT).hr,
              DISP_E_MEMBERNOTFOUND);
}

TEST_P(DispatchCalls, NamedArgumentsGoToTheirParameters) {
    Bstr description(L"Named"), page(L"5");
    // In DISPPARAMS order: rgvarg[0] is the description, named 0 (Description); rgvarg[1]
    // is the page, named 1 (PageNo). Taken by position they would be the other way round.
    Variant result;
    CallResult r = Call(object_.Get(), kStore, {String(page.Get()), String(description.Get())}, &result,
                        nullptr, DISPATCH_METHOD, {0, 1});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&result)), "Named");
    EXPECT_EQ(FetchDescription(0), "Named");

    Variant refused;
    r = Call(object_.Get(), kStore, {String(page.Get()), String(description.Get())}, &refused, nullptr,
             DISPATCH_METHOD, {0, 7});
    EXPECT_EQ(r.hr, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(r.argumentError, 1u);
    EXPECT_EQ(Count(), 1);
}

TEST_P(DispatchCalls, AMethodErrorIsAnExceptionWithItsNumberAndDescription) {
    Bstr description(L"Far away"), page(L"40000");
    ASSERT_EQ(Call(object_.Get(), kStore, {String(description.Get()), String(page.Get())}, nullptr).hr, S_OK);
    Variant result;
    EXCEPINFO exception{};
    ASSERT_EQ(Call(object_.Get(), kMaxPage, {}, &result, &exception).hr, DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, kOverflow);
    EXPECT_EQ(exception.wCode, 0);
    EXPECT_EQ(Narrow(exception.bstrDescription), "Overflow");
    EXPECT_EQ(Narrow(exception.bstrSource), Lib().name + ".Entry");
    EXPECT_EQ(result.Type(), VT_EMPTY);  // no value
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);

    // The thread's error information says the same.
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    Bstr text;
    ASSERT_EQ(info->GetDescription(text.Put()), S_OK);
    EXPECT_EQ(text.Text(), "Overflow");
}

// A book pass as a script makes it: the offset in a variable (a long, by reference) or a
// literal, the file name in a variable; a refused call is an exception with its number.
TEST_P(DispatchCalls, ShiftPagesAndAppendPagesTakeScriptVariables) {
    Bstr description(L"peat"), pages(L"2-4, iv");
    ASSERT_EQ(Call(object_.Get(), kStore, {String(description.Get()), String(pages.Get())}, nullptr).hr, S_OK);
    const std::wstring path = WindowsPath(FOLIO_TEST_WORK_FOLDER) + L"\\dispatch_book_" + Widen(Lib().name) + L".xml";
    Variant file, offset;
    V_VT(&file) = VT_BSTR;
    V_BSTR(&file) = SysAllocString(path.c_str());
    V_VT(&offset) = VT_I4;
    V_I4(&offset) = 100;
    Variant saved, shifted, appended;
    ASSERT_EQ(Call(object_.Get(), kSave, {ByRef(&file)}, &saved).hr, S_OK);
    ASSERT_EQ(Call(object_.Get(), kShiftPages, {ByRef(&offset)}, &shifted).hr, S_OK);
    EXPECT_EQ(shifted.Type(), VT_I2);
    EXPECT_EQ(V_I2(&shifted), 1);
    EXPECT_EQ(offset.Type(), VT_I4);  // the variable keeps its value and subtype
    EXPECT_EQ(V_I4(&offset), 100);
    // The saved pages 2-4 join the moved 102-104: the file's pages, moved by 0, merge in.
    ASSERT_EQ(Call(object_.Get(), kAppendPages, {ByRef(&file), Long(0)}, &appended).hr, S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&appended)).substr(0, 9), "Append 1 ");
    Bstr found;
    BSTR d = description.Get();
    ASSERT_EQ(EntryPagesOf(entry_.Get(), Lib())->FindPage(&d, found.Put()), S_OK);
    EXPECT_EQ(found.Text(), "2-4, 102-104, iv");

    // An offset beyond 16 bits is the argument's overflow; a page beyond 32767 the method's.
    CallResult r = Call(object_.Get(), kAppendPages, {ByRef(&file), Long(40000)}, &appended);
    EXPECT_EQ(r.hr, DISP_E_OVERFLOW);
    EXPECT_EQ(r.argumentError, 0u);  // the last argument stands first
    Variant refused;
    EXCEPINFO exception{};
    ASSERT_EQ(Call(object_.Get(), kShiftPages, {Long(32767)}, &refused, &exception).hr, DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, kOverflow);
    EXPECT_EQ(Narrow(exception.bstrDescription), "Overflow");
    EXPECT_EQ(Narrow(exception.bstrSource), Lib().name + ".Entry");
    EXPECT_EQ(refused.Type(), VT_EMPTY);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    ASSERT_EQ(EntryPagesOf(entry_.Get(), Lib())->FindPage(&d, found.Put()), S_OK);
    EXPECT_EQ(found.Text(), "2-4, 102-104, iv");
}

TEST_P(DispatchCalls, DispatchIdentifiersBelongToTheirInterface) {
    // 0x60030000 is Help on _UFL and NewFile on _Entry.
    ComPtr<_UFL> ufl = CreateUfl(Lib());
    ASSERT_TRUE(ufl);
    ComPtr<IDispatch> uflObject;
    ASSERT_EQ(ufl->QueryInterface(IID_IDispatch, uflObject.PutVoid()), S_OK);
    Bstr keyword(L"productdescription");
    BSTR k = keyword.Get();
    Variant help, newFile;
    ASSERT_EQ(Call(uflObject.Get(), kHelp, {ByRef(&k)}, &help).hr, S_OK);
    EXPECT_EQ(Narrow(V_BSTR(&help)), FOLIO_FILE_DESCRIPTION);
    EXPECT_EQ(k, keyword.Get());  // HelpCommand is by value: the caller's string stays
    ASSERT_EQ(Call(object_.Get(), kNewFile, {ByRef(&k)}, &newFile).hr, S_OK);
    EXPECT_NE(Narrow(V_BSTR(&newFile)), Narrow(V_BSTR(&help)));
    EXPECT_NE(Narrow(V_BSTR(&newFile)).find("productdescription"), std::string::npos);
}

FOLIO_FOR_BOTH_LIBRARIES(DispatchCalls);

}  // namespace
}  // namespace com_test
