// indexfile merge beside the DLL: the same chapter files given to AppendPages through each
// library's vtable and saved, and merged by the console program; the files must be equal byte
// for byte. A merge that AppendPages refuses writes nothing.
#include <fstream>
#include <iterator>
#include <string>

#include "com_client.h"
#include "run_program.h"

namespace com_test {
namespace {

class IndexFileMerge : public BothLibraries {
protected:
    std::wstring Path(const std::string& name) const {
        return WindowsPath(FOLIO_TEST_WORK_FOLDER) + L"\\indexfile_" + Widen(Lib().name) + L"_" + Widen(name);
    }
    static std::string Call(HRESULT (STDMETHODCALLTYPE _EntryPages::*method)(BSTR*, BSTR*, BSTR*), _EntryPages* entry,
                            const std::wstring& a, const std::wstring& b) {
        Bstr first(a.c_str()), second(b.c_str()), result;
        BSTR firstArg = first.Get(), secondArg = second.Get();
        EXPECT_EQ((entry->*method)(&firstArg, &secondArg, result.Put()), S_OK);
        return result.Text();
    }
    static std::string Save(_EntryPages* entry, const std::wstring& path) {
        Bstr file(path.c_str()), result;
        BSTR arg = file.Get();
        EXPECT_EQ(entry->Save(&arg, result.Put()), S_OK);
        return result.Text();
    }
    static HRESULT AppendPages(_EntryPages* entry, const std::wstring& path, short offset) {
        Bstr file(path.c_str()), result;
        BSTR arg = file.Get();
        return entry->AppendPages(&arg, &offset, result.Put());
    }
    static void SetOrder(_EntryPages* entry, const wchar_t* order) {
        Bstr name(order), result;
        BSTR arg = name.Get();
        EXPECT_EQ(entry->SetOrder(&arg, result.Put()), S_OK);
    }
    ComPtr<_EntryPages> NewEntry() const {
        ComPtr<_Entry> entry = CreateEntry(Lib());
        return entry ? EntryPagesOf(entry.Get(), Lib()) : ComPtr<_EntryPages>();
    }
    static std::string Bytes(const std::wstring& path) {
        std::ifstream in(path.c_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ProgramRun Merge(const std::vector<std::string>& args) const {
        return RunProgram(FOLIO_TEST_INDEXFILE, args, Narrow(WindowsPath(FOLIO_TEST_WORK_FOLDER).c_str(),
                                                             WindowsPath(FOLIO_TEST_WORK_FOLDER).size()));
    }
    std::string Arg(const std::wstring& path) const { return Narrow(path.c_str(), path.size()); }
};

TEST_P(IndexFileMerge, MergeWritesTheFileThatAppendPagesAndSaveWrite) {
    const bool keystack = Lib().name == "Keystack";
    // Two chapters saved by the library, in the reader's order for the index, and a third
    // edited by hand: bare pairs, LF line ends, UTF-8 with its mark.
    const std::wstring one = Path("one.xml"), two = Path("two.xml"), three = Path("three.xml");
    {
        ComPtr<_EntryPages> chapter = NewEntry();
        ASSERT_TRUE(chapter);
        if (keystack) SetOrder(chapter.Get(), L"text:sv-SE");
        for (const auto& [d, p] : {std::pair{L"peat", L"1"}, {L"peat", L"2"}, {L"peat", L"3"}, {L"AT&T <Bell>", L"iv"},
                                   {L"\u00D6sterreich", L"7"}, {L"zebra", L"9"}, {L"caf\u00E9", L"12"}})
            Call(&_EntryPages::AddPage, chapter.Get(), d, p);
        ASSERT_EQ(Save(chapter.Get(), one).rfind(keystack ? "Index saved" : "Table of Contents saved", 0), 0u);
    }
    {
        ComPtr<_EntryPages> chapter = NewEntry();
        ASSERT_TRUE(chapter);
        for (const auto& [d, p] : {std::pair{L"bog", L"1"}, {L"peat", L"4"}, {L"peat", L"9"}, {L"zebra", L"Preface"}})
            Call(&_EntryPages::AddPage, chapter.Get(), d, p);
        Save(chapter.Get(), two);
    }
    std::ofstream(three.c_str(), std::ios::binary)
        << "\xEF\xBB\xBF<Description>fen &amp; moor</Description>\n<Page>2-4</Page>\n"
           "  <Description>caf\xC3\xA9</Description>\n<Page>1</Page>\n<Page>5</Page>\n";

    const std::wstring out = Path("book.xml");
    ComPtr<_EntryPages> book = NewEntry();
    ASSERT_TRUE(book);
    if (keystack) SetOrder(book.Get(), L"text:sv-SE");  // the order the first chapter records
    EXPECT_EQ(AppendPages(book.Get(), one, 3), S_OK);
    EXPECT_EQ(AppendPages(book.Get(), two, 40), S_OK);
    EXPECT_EQ(AppendPages(book.Get(), three, 100), S_OK);
    Save(book.Get(), out);
    const std::string expected = Bytes(out);
    ASSERT_FALSE(expected.empty());
    DeleteFileW(out.c_str());

    std::vector<std::string> args{"merge", Arg(out), Arg(one) + "@3", Arg(two) + "@40", Arg(three) + "@100"};
    if (!keystack) args.insert(args.begin() + 1, "--pagestack");  // the third file names no kind
    ProgramRun run = Merge(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Bytes(out), expected);
    if (keystack) {
        EXPECT_NE(expected.find("<IndexDoc order=\"text:sv-SE\">\r\n"), std::string::npos);
    }

    // What AppendPages refuses, the merge refuses, and writes nothing.
    DeleteFileW(out.c_str());
    ComPtr<_EntryPages> refused = NewEntry();
    EXPECT_EQ(AppendPages(refused.Get(), one, 32767), static_cast<HRESULT>(0x800A0006));
    run = Merge({"merge", Arg(out), Arg(two), Arg(one) + "@32767"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(Arg(one) + ":"), std::string::npos) << run.err;
    EXPECT_EQ(GetFileAttributesW(out.c_str()), INVALID_FILE_ATTRIBUTES);
}

FOLIO_FOR_BOTH_LIBRARIES(IndexFileMerge);

}  // namespace
}  // namespace com_test
