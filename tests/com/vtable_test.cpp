// Calls through the vtable of objects created by programmatic identifier: results, the
// [in, out] arguments left as they were, independent objects, the two builds' orders, and
// errors as a failure status with the thread's error information. (Saving and loading
// index files is exercised by the scripts.)
#include <fstream>
#include <string>

#include "com_client.h"

namespace com_test {
namespace {

constexpr HRESULT kOverflow = static_cast<HRESULT>(0x800A0006);
constexpr HRESULT kInvalidArgument = static_cast<HRESULT>(0x800A0005);

class VtableCalls : public BothLibraries {
protected:
    // Stores through the vtable, checking that the arguments come back untouched.
    std::string Store(_Entry* entry, const wchar_t* description, const wchar_t* page) {
        Bstr d(description), p(page), result;
        BSTR dBefore = d.Get(), pBefore = p.Get();
        BSTR dArg = d.Get(), pArg = p.Get();
        EXPECT_EQ(entry->Store(&dArg, &pArg, result.Put()), S_OK);
        EXPECT_EQ(dArg, dBefore);
        EXPECT_EQ(pArg, pBefore);
        EXPECT_EQ(Narrow(dArg), Narrow(description, wcslen(description)));
        return result.Text();
    }
    std::string Fetch(_Entry* entry, short index, bool page = false) {
        short arg = index;
        Bstr result;
        EXPECT_EQ(page ? entry->FetchPage(&arg, result.Put()) : entry->FetchDescription(&arg, result.Put()),
                  S_OK);
        EXPECT_EQ(arg, index);
        return result.Text();
    }
    short Count(_Entry* entry) {
        short count = -1;
        EXPECT_EQ(entry->Count(&count), S_OK);
        return count;
    }
};

TEST_P(VtableCalls, ProgrammaticIdentifiersLeadToThisLibrarysClasses) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(Lib().progIdEntry.c_str(), &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, Lib().clsidEntry));
    ASSERT_EQ(CLSIDFromProgID(Lib().progIdUfl.c_str(), &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, Lib().clsidUfl));

    ComPtr<_Entry> entry = CreateEntry(Lib());
    ASSERT_TRUE(entry);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(entry->QueryInterface(IID_IDispatch, unknown.PutVoid()), S_OK);
    EXPECT_EQ(entry->QueryInterface(IID_ISupportErrorInfo, unknown.PutVoid()), S_OK);
    EXPECT_EQ(entry->QueryInterface(Lib().iidUfl, unknown.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(entry->QueryInterface(Other(Lib()).iidEntry, unknown.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(unknown);
}

TEST_P(VtableCalls, StoreCountFetchMaxPageAndClear) {
    ComPtr<_Entry> entry = CreateEntry(Lib());
    ASSERT_TRUE(entry);
    EXPECT_EQ(Store(entry.Get(), L"Mulberry", L"12"), "Mulberry");
    EXPECT_EQ(Store(entry.Get(), L"Apple", L"3"), "Apple");
    EXPECT_EQ(Count(entry.Get()), 2);
    // Keystack keeps the rows sorted, Pagestack in the order they were stored.
    const bool sorted = &Lib() == &Keystack();
    EXPECT_EQ(Fetch(entry.Get(), 0), sorted ? "Apple" : "Mulberry");
    EXPECT_EQ(Fetch(entry.Get(), 0, true), sorted ? "3" : "12");
    EXPECT_EQ(Fetch(entry.Get(), 1), sorted ? "Mulberry" : "Apple");
    short maxPage = 0;
    ASSERT_EQ(entry->MaxPage(&maxPage), S_OK);
    EXPECT_EQ(maxPage, 12);

    Bstr cleared;
    ASSERT_EQ(entry->Clear(cleared.Put()), S_OK);
    EXPECT_FALSE(cleared.Text().empty());
    EXPECT_EQ(Count(entry.Get()), 0);
}

TEST_P(VtableCalls, StringsKeepEmbeddedZerosAndANullStringIsEmpty) {
    ComPtr<_Entry> entry = CreateEntry(Lib());
    ASSERT_TRUE(entry);
    const wchar_t withZero[] = {L'a', L'\0', L'b'};
    Bstr d(withZero, 3), p(L"1"), result;
    BSTR dArg = d.Get(), pArg = p.Get();
    ASSERT_EQ(entry->Store(&dArg, &pArg, result.Put()), S_OK);
    EXPECT_EQ(SysStringLen(result.Get()), 3u);
    short index = 0;
    Bstr fetched;
    ASSERT_EQ(entry->FetchDescription(&index, fetched.Put()), S_OK);
    ASSERT_EQ(SysStringLen(fetched.Get()), 3u);
    EXPECT_EQ(fetched.Get()[2], L'b');

    // A null description reads as the empty one: both give the same refusal.
    Bstr empty(L""), refusedNull, refusedEmpty;
    BSTR nullArg = nullptr, emptyArg = empty.Get();
    ASSERT_EQ(entry->Store(&nullArg, &pArg, refusedNull.Put()), S_OK);
    ASSERT_EQ(entry->Store(&emptyArg, &pArg, refusedEmpty.Put()), S_OK);
    EXPECT_FALSE(refusedEmpty.Text().empty());
    EXPECT_EQ(refusedNull.Text(), refusedEmpty.Text());
    EXPECT_EQ(nullArg, nullptr);
    EXPECT_EQ(Count(entry.Get()), 1);
}

TEST_P(VtableCalls, NullPointersAreRefused) {
    ComPtr<_Entry> entry = CreateEntry(Lib());
    ASSERT_TRUE(entry);
    Bstr p(L"1"), result;
    BSTR pArg = p.Get();
    EXPECT_EQ(entry->Store(nullptr, &pArg, result.Put()), E_POINTER);
    EXPECT_EQ(entry->Store(&pArg, &pArg, nullptr), E_POINTER);
    EXPECT_EQ(entry->Count(nullptr), E_POINTER);
    EXPECT_EQ(entry->FetchPage(nullptr, result.Put()), E_POINTER);
}

TEST_P(VtableCalls, EachObjectHasItsOwnTable) {
    ComPtr<_Entry> first = CreateEntry(Lib());
    ComPtr<_Entry> second = CreateEntry(Lib());
    ASSERT_TRUE(first && second);
    Store(first.Get(), L"Only here", L"1");
    EXPECT_EQ(Count(first.Get()), 1);
    EXPECT_EQ(Count(second.Get()), 0);
    ComPtr<_Entry> third = CreateEntry(Lib());
    ASSERT_TRUE(third);
    EXPECT_EQ(Count(third.Get()), 0);
}

TEST_P(VtableCalls, AnErrorIsAFailureStatusWithErrorInformationAndNoValue) {
    ComPtr<_Entry> entry = CreateEntry(Lib());
    ASSERT_TRUE(entry);
    Store(entry.Get(), L"Too far", L"40000");
    short maxPage = 99;
    EXPECT_EQ(entry->MaxPage(&maxPage), kOverflow);
    EXPECT_EQ(maxPage, 0);

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(entry->QueryInterface(IID_ISupportErrorInfo, support.PutVoid()), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(Lib().iidEntry), S_OK);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    ASSERT_TRUE(info);
    Bstr description, source;
    GUID guid{};
    ASSERT_EQ(info->GetDescription(description.Put()), S_OK);
    ASSERT_EQ(info->GetSource(source.Put()), S_OK);
    ASSERT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(description.Text(), "Overflow");
    EXPECT_EQ(source.Text(), Lib().name + ".Entry");
    EXPECT_TRUE(IsEqualGUID(guid, Lib().iidEntry));

    // The next call that succeeds leaves no stale error behind.
    short count = 0;
    ASSERT_EQ(entry->Count(&count), S_OK);
    EXPECT_EQ(GetErrorInfo(0, info.Put()), S_FALSE);
}

TEST_P(VtableCalls, HelpReadsThisLibrarysVersionBlockAndFolder) {
    ComPtr<_UFL> ufl = CreateUfl(Lib());
    ASSERT_TRUE(ufl);
    auto help = [&](const wchar_t* keyword) {
        Bstr command(keyword), result;
        BSTR before = command.Get();
        EXPECT_EQ(ufl->Help(command.Get(), result.Put()), S_OK);
        EXPECT_EQ(command.Get(), before);
        return result.Text();
    };
    EXPECT_EQ(help(L"productdescription"), FOLIO_FILE_DESCRIPTION);
    // The DLL's folder, not the host program's.
    const std::wstring& dll = Lib().dllPath;
    const std::string folder = Narrow(dll.c_str(), dll.rfind(L'\\'));
    EXPECT_EQ(help(L"installedfolder"), folder);
    const std::string about = help(L"about");
    EXPECT_NE(about.find(Lib().name), std::string::npos) << about;
    EXPECT_NE(about.find(Lib().companyName), std::string::npos) << about;
    EXPECT_NE(about.find("(" + std::to_string(Lib().version[3]) + ")"), std::string::npos) << about;
}

TEST_P(VtableCalls, EntryPagesExtendsEntryOnTheSameObject) {
    ComPtr<_Entry> entry = CreateEntry(Lib());
    ASSERT_TRUE(entry);
    ComPtr<_EntryPages> pages = EntryPagesOf(entry.Get(), Lib());
    ASSERT_TRUE(pages);
    ComPtr<IUnknown> viaEntry, viaPages, unknown;
    ASSERT_EQ(entry->QueryInterface(IID_IUnknown, viaEntry.PutVoid()), S_OK);
    ASSERT_EQ(pages->QueryInterface(IID_IUnknown, viaPages.PutVoid()), S_OK);
    EXPECT_EQ(viaEntry.Get(), viaPages.Get());  // one object
    EXPECT_EQ(pages->QueryInterface(Other(Lib()).iidEntryPages, unknown.PutVoid()), E_NOINTERFACE);

    auto addPage = [&](const wchar_t* description, const wchar_t* page) {
        Bstr d(description), p(page), result;
        BSTR dArg = d.Get(), pArg = p.Get();
        EXPECT_EQ(pages->AddPage(&dArg, &pArg, result.Put()), S_OK);
        EXPECT_EQ(dArg, d.Get());
        EXPECT_EQ(pArg, p.Get());
        return result.Text();
    };
    auto findPage = [&](const wchar_t* description) {
        Bstr d(description), result;
        BSTR dArg = d.Get();
        EXPECT_EQ(pages->FindPage(&dArg, result.Put()), S_OK);
        EXPECT_EQ(dArg, d.Get());
        return result.Text();
    };
    // _Entry's methods through the derived vtable, the new ones after them.
    EXPECT_EQ(Store(pages.Get(), L"peat", L"32"), "peat");
    EXPECT_EQ(addPage(L"peat", L"34"), "peat");
    EXPECT_EQ(addPage(L"peat", L"33"), "peat");
    EXPECT_EQ(addPage(L"bog", L"7"), "bog");
    EXPECT_EQ(addPage(L"", L"7"), "ERROR: Description cannot be blank");
    EXPECT_EQ(findPage(L"peat"), "32-34");
    EXPECT_EQ(findPage(L"fen"), "");
    EXPECT_EQ(Count(entry.Get()), 2);
    EXPECT_EQ(Fetch(entry.Get(), Lib().name == "Keystack" ? 1 : 0, true), "32-34");

    Bstr d(L"peat"), result;
    BSTR dArg = d.Get();
    EXPECT_EQ(pages->AddPage(&dArg, nullptr, result.Put()), E_POINTER);
    EXPECT_EQ(pages->FindPage(nullptr, result.Put()), E_POINTER);
    EXPECT_EQ(pages->FindPage(&dArg, nullptr), E_POINTER);

    // A list too long to save is an overflow error, reported for _EntryPages.
    const std::wstring longPage(32759, L'x');
    EXPECT_EQ(Store(pages.Get(), L"long", longPage.c_str()), "long");
    Bstr l(L"long"), one(L"1");
    BSTR lArg = l.Get(), oneArg = one.Get();
    EXPECT_EQ(pages->AddPage(&lArg, &oneArg, result.Put()), kOverflow);
    EXPECT_EQ(result.Get(), nullptr);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    GUID guid{};
    ASSERT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_TRUE(IsEqualGUID(guid, Lib().iidEntryPages));
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(pages->QueryInterface(IID_ISupportErrorInfo, support.PutVoid()), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(Lib().iidEntryPages), S_OK);
    EXPECT_EQ(findPage(L"long").size(), longPage.size());  // kept
}

TEST_P(VtableCalls, SetOrderAndFetchGroupOnTheEntryPagesVtable) {
    const bool keystack = Lib().name == "Keystack";
    ComPtr<_Entry> entry = CreateEntry(Lib());
    ASSERT_TRUE(entry);
    ComPtr<_EntryPages> pages = EntryPagesOf(entry.Get(), Lib());
    ASSERT_TRUE(pages);
    // Returns the status; `text` receives the result (or null on failure).
    auto setOrder = [&](const wchar_t* name, Bstr& text) {
        Bstr n(name);
        BSTR arg = n.Get();
        const HRESULT hr = pages->SetOrder(&arg, text.Put());
        EXPECT_EQ(arg, n.Get());  // the [in, out] argument is left as it was
        return hr;
    };
    auto group = [&](short index) {
        short arg = index;
        Bstr result;
        EXPECT_EQ(pages->FetchGroup(&arg, result.Put()), S_OK);
        EXPECT_EQ(arg, index);
        return std::wstring(result.Get() ? result.Get() : L"", SysStringLen(result.Get()));
    };
    Bstr order;
    EXPECT_EQ(setOrder(L"", order), S_OK);
    EXPECT_EQ(order.Text(), "ordinal");
    EXPECT_EQ(setOrder(L"ordinal", order), S_OK);
    for (const wchar_t* term : {L"Item 10", L"item 9", L"\u00C9clair", L"Lake", L"lake"})
        EXPECT_EQ(Store(pages.Get(), term, L"1"), Narrow(term, wcslen(term)));

    const HRESULT hr = setOrder(L"text:de-DE", order);
    if (keystack) {
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(order.Text(), "text:de-DE");
        const char* expected[] = {"?clair", "item 9", "Item 10", "Lake", "lake"};  // re-sorted at once
        for (short i = 0; i < 5; ++i) EXPECT_EQ(Fetch(entry.Get(), i), expected[i]);
        EXPECT_EQ(group(0), L"E");
        EXPECT_EQ(group(2), L"I");
    } else {
        EXPECT_EQ(hr, kInvalidArgument);
        EXPECT_EQ(order.Get(), nullptr);
        EXPECT_EQ(Fetch(entry.Get(), 0), "Item 10");
        EXPECT_EQ(group(2), L"E");
    }
    EXPECT_EQ(group(5), L"");
    EXPECT_EQ(group(-1), L"");

    // A refusal carries its description, reported for _EntryPages.
    EXPECT_EQ(setOrder(L"text:xx-YY", order), kInvalidArgument);
    EXPECT_EQ(order.Get(), nullptr);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    GUID guid{};
    ASSERT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_TRUE(IsEqualGUID(guid, Lib().iidEntryPages));
    Bstr description;
    ASSERT_EQ(info->GetDescription(description.Put()), S_OK);
    EXPECT_EQ(description.Text(), keystack ? "Unknown locale \"xx-YY\": \"text:\" takes the name of a locale this "
                                             "system knows, such as \"sv-SE\" or \"de-DE\""
                                           : "Pagestack keeps its entries in the order they were stored: it accepts "
                                             "the order \"ordinal\" only, not \"text:xx-YY\"");
    EXPECT_EQ(setOrder(L"", order), S_OK);
    EXPECT_EQ(order.Text(), keystack ? "text:de-DE" : "ordinal");

    Bstr result;
    EXPECT_EQ(pages->SetOrder(nullptr, result.Put()), E_POINTER);
    EXPECT_EQ(pages->FetchGroup(nullptr, result.Put()), E_POINTER);
    short index = 0;
    EXPECT_EQ(pages->FetchGroup(&index, nullptr), E_POINTER);
}

// ShiftPages and AppendPages follow FindPage in the vtable: pages of a table moved by an
// offset, an index file merged page by page, and refusals as errors of _EntryPages that leave
// the table and the arguments as they were.
TEST_P(VtableCalls, ShiftPagesAndAppendPagesPutABookTogether) {
    ComPtr<_Entry> chapter = CreateEntry(Lib()), book = CreateEntry(Lib());
    ASSERT_TRUE(chapter && book);
    ComPtr<_EntryPages> chapterPages = EntryPagesOf(chapter.Get(), Lib());
    ComPtr<_EntryPages> bookPages = EntryPagesOf(book.Get(), Lib());
    ASSERT_TRUE(chapterPages && bookPages);
    auto shift = [&](_EntryPages* pages, short offset, HRESULT expected = S_OK) {
        short arg = offset, result = -1;
        EXPECT_EQ(pages->ShiftPages(&arg, &result), expected);
        EXPECT_EQ(arg, offset);
        return result;
    };
    auto appendPages = [&](_EntryPages* pages, const std::wstring& path, short offset, HRESULT expected = S_OK) {
        Bstr file(path.c_str()), result;
        BSTR fileArg = file.Get();
        short offsetArg = offset;
        EXPECT_EQ(pages->AppendPages(&fileArg, &offsetArg, result.Put()), expected);
        EXPECT_EQ(fileArg, file.Get());
        EXPECT_EQ(offsetArg, offset);
        if (expected != S_OK) {
            EXPECT_EQ(result.Get(), nullptr);
        }
        return result.Text();
    };
    const bool sorted = Lib().name == "Keystack";
    const std::string loaded = sorted ? " Index Data into memory" : " Table of Contents into memory";

    Store(chapter.Get(), L"peat", L"1-3, 9");
    Store(chapter.Get(), L"bog", L"iv");
    EXPECT_EQ(shift(chapterPages.Get(), 0), 0);
    EXPECT_EQ(shift(chapterPages.Get(), 11), 1);
    EXPECT_EQ(Fetch(chapter.Get(), sorted ? 1 : 0, true), "12-14, 20");
    EXPECT_EQ(shift(chapterPages.Get(), -11), 1);
    const std::wstring path = WindowsPath(FOLIO_TEST_WORK_FOLDER) + L"\\book_" + Widen(Lib().name) + L".xml";
    {
        Bstr file(path.c_str()), saved;
        BSTR arg = file.Get();
        ASSERT_EQ(chapter->Save(&arg, saved.Put()), S_OK);
    }

    Store(book.Get(), L"peat", L"5");
    EXPECT_EQ(appendPages(bookPages.Get(), path, 120), "Append 2" + loaded);
    EXPECT_EQ(Fetch(book.Get(), sorted ? 1 : 0, true), "5, 121-123, 129");
    EXPECT_EQ(Fetch(book.Get(), sorted ? 0 : 1), "bog");
    EXPECT_EQ(appendPages(bookPages.Get(), L"", 1), "");
    const std::wstring missing = path + L".missing";
    EXPECT_EQ(appendPages(bookPages.Get(), missing, 1), "UFL Error: Cannot find file=" + Narrow(missing.c_str(), missing.size()));

    // Refusals: the overflow error for _EntryPages, the table as it was.
    EXPECT_EQ(shift(bookPages.Get(), -6, kOverflow), 0);
    appendPages(bookPages.Get(), path, 32767 - 8, kOverflow);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    GUID guid{};
    ASSERT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_TRUE(IsEqualGUID(guid, Lib().iidEntryPages));
    std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc)
        << "<Description>fen</Description>\r\n<Page>1</Page>\r\n<Description>&#300;</Description>\r\n";
    appendPages(bookPages.Get(), path, 0, static_cast<HRESULT>(0x800A0005));  // invalid argument
    EXPECT_EQ(Count(book.Get()), 2);
    EXPECT_EQ(Fetch(book.Get(), sorted ? 1 : 0, true), "5, 121-123, 129");
    EXPECT_EQ(Fetch(book.Get(), sorted ? 0 : 1, true), "iv");

    short offset = 1, count = 0;
    Bstr result;
    BSTR none = nullptr;
    EXPECT_EQ(bookPages->ShiftPages(nullptr, &count), E_POINTER);
    EXPECT_EQ(bookPages->ShiftPages(&offset, nullptr), E_POINTER);
    EXPECT_EQ(bookPages->AppendPages(nullptr, &offset, result.Put()), E_POINTER);
    EXPECT_EQ(bookPages->AppendPages(&none, nullptr, result.Put()), E_POINTER);
    EXPECT_EQ(bookPages->AppendPages(&none, &offset, nullptr), E_POINTER);
}

FOLIO_FOR_BOTH_LIBRARIES(VtableCalls);

}  // namespace
}  // namespace com_test
