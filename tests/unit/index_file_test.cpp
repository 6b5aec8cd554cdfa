// Save, NewFile and AppendFile of one deliverable (compiled for each).
#include <gtest/gtest.h>

#include "automation/build.h"
#include "core/error.h"
#include "entry/entry.h"
#include "platform/platform.h"
#include "test_files.h"
#include "test_text.h"
#include "xml/xml_writer.h"

namespace {

constexpr bool kSorted = Build::kSorted;
const Text kLoaded(Build::kLoadedText);

std::vector<Text> Rows(const Entry& entry) {
    std::vector<Text> rows;
    for (int16_t i = 0; i < entry.Count(); ++i) rows.push_back(entry.FetchDescription(i) + u"/" + entry.FetchPage(i));
    return rows;
}

// An index file of bare Description/Page pairs, as a hand-made file may hold them.
std::string PairsFile(int count, const std::string& prefix = "Item ") {
    std::string bytes = "<?xml version=\"1.0\"?>\r\n<Root>\r\n";
    for (int i = 0; i < count; ++i) {
        bytes += "<Description>" + prefix + std::to_string(100000 + i) + "</Description>\r\n";
        bytes += "<Page>" + std::to_string(i % 500) + "</Page>\r\n";
    }
    return bytes + "</Root>\r\n";
}


}  // namespace

TEST(IndexFile, SaveOfAnEmptyTableWritesHeaderAndRoot) {
    TempFolder folder;
    const Text path = folder / "empty.xml";
    Entry entry;
    EXPECT_EQ(entry.Save(path), Text(Build::kSavedText) + path + u" (0 lines) ");
    const auto lines = CrLfLines(ReadBytes(path));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[7], "<" + platform::ToAnsi(Text(Build::kRootElement)) + ">");
    EXPECT_EQ(lines[8], "</" + platform::ToAnsi(Text(Build::kRootElement)) + ">");
}

TEST(IndexFile, SaveWritesFourLinesPerEntryInTableOrder) {
    TempFolder folder;
    const Text path = folder / "index.xml";
    Entry entry;
    entry.Store(u"b", u"1");
    entry.Store(u"AT&T", u"12");
    EXPECT_EQ(entry.Save(path), Text(Build::kSavedText) + path + u" (2 lines) ");
    const auto lines = CrLfLines(ReadBytes(path));
    ASSERT_EQ(lines.size(), 8u + 4 * 2 + 1);
    const std::string open = "<" + platform::ToAnsi(Text(Build::kEntryElement)) + ">";
    const std::string close = "</" + platform::ToAnsi(Text(Build::kEntryElement)) + ">";
    const std::vector<std::string> first = {open, "<Description>AT&amp;T</Description>", "<Page>12</Page>", close};
    const std::vector<std::string> second = {open, "<Description>b</Description>", "<Page>1</Page>", close};
    const std::vector<std::string> body(lines.begin() + 8, lines.end() - 1);
    std::vector<std::string> expected = kSorted ? first : second;
    const auto& rest = kSorted ? second : first;
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(body, expected);
}

TEST(IndexFile, RoundTripKeepsEveryValue) {
    TempFolder folder;
    const Text path = folder / "round.xml";
    Entry entry;
    const std::vector<std::pair<Text, Text>> values = {
        {u"AT&T <b> \"q\" 'a'", u"1"},
        {u"two\r\nlines", u"2\r\n3"},
        {u"lone\rCR and lone\nLF", u"\r"},
        {u"a</b", u"</Page>"},
        {u"<![CDATA[x]]>", u"]]><![CDATA["},
        {u"&#65; &amp; [[--CRLF-]]", u"&lt;"},
        {u"caf\u00E9 \u20AC \u0178 \x7F \u00FF \u00A0", u"\u00E9"},
        {u"  spaced  ", u"  "},
        {u"\t<Description>x</Description>", u""},
    };
    for (const auto& [d, p] : values) ASSERT_EQ(entry.Store(d, p), d);
    ASSERT_EQ(entry.Save(path).substr(0, Build::kSavedText.size()), Build::kSavedText);

    Entry loaded;
    EXPECT_EQ(loaded.NewFile(path), u"Load " + DecimalText(values.size()) + kLoaded);
    EXPECT_EQ(Rows(loaded), Rows(entry));
}

// Characters the code page lacks are saved as '?': a near letter would change the text, and
// a full-width "<", "&" or ";" taken for markup would cut the line or break the file.
TEST(IndexFile, CharactersOutsideTheCodePageComeBackAsQuestionMarks) {
    TempFolder folder;
    const Text path = folder / "lookalikes.xml";
    Entry entry;
    for (const Text& d : {Text(u"\u0141\u00F3d\u017A"), Text(u"a\uFF1C/b"), Text(u"x\uFF06#300\uFF1B")})
        ASSERT_EQ(entry.Store(d, u"\uFF1C" + DecimalText(entry.Count())), d);
    ASSERT_EQ(entry.Save(path).substr(0, Build::kSavedText.size()), Build::kSavedText);
    const std::string bytes = ReadBytes(path);
    for (const char* line : {"<Description>?&#0243;d?</Description>", "<Description>a?/b</Description>",
                             "<Description>x?#300?</Description>", "<Page>?1</Page>"})
        EXPECT_NE(bytes.find(std::string(line) + "\r\n"), std::string::npos) << line;

    Entry loaded;
    EXPECT_EQ(loaded.NewFile(path), u"Load 3" + kLoaded);
    std::vector<Text> expected = {u"?\u00F3d?/?0", u"a?/b/?1", u"x?#300?/?2"};  // '?' sorts first
    EXPECT_EQ(Rows(loaded), expected);
}

// The temporary file Save writes first is never what makes a path too long, and leaves no
// trace: a path of 255 characters saves like any other, and so does a one-letter name.
TEST(IndexFile, LongPathsAndShortNamesSaveAsAnyOther) {
    TempFolder folder;
    const Text base = folder / "";
    ASSERT_LT(base.size(), 200u);
    const Text longPath = base + Text(255 - base.size() - 4, u'n') + u".xml";
    ASSERT_EQ(longPath.size(), 255u);
    for (const Text& path : {longPath, folder / "a"}) {
        // While a file is written, its temporary file is there, named no longer than it: a
        // path that fits the platform's limits never fails for the temporary name.
        const size_t nameLength = path.size() - base.size();
        const std::vector<std::string> before = folder.Names();
        ASSERT_EQ(OpenXmlFile(path, u"Root", Text()), u"");
        for (const std::string& name : folder.Names()) {
            if (std::find(before.begin(), before.end(), name) == before.end()) {
                EXPECT_LE(name.size(), nameLength) << name;
            }
        }
        EXPECT_EQ(folder.Names().size(), before.size() + 1);
        AbandonXmlFile();
        EXPECT_EQ(folder.Names(), before);

        Entry entry;
        entry.Store(u"x", u"1");
        EXPECT_EQ(entry.Save(path), Text(Build::kSavedText) + path + u" (1 lines) ");
        EXPECT_EQ(entry.Save(path), Text(Build::kSavedText) + path + u" (1 lines) ");  // replacing
        EXPECT_EQ(Entry().NewFile(path), u"Load 1" + kLoaded);
    }
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a", TextToAscii(longPath.substr(base.size()))}));
}

TEST(IndexFile, EmptyAndMissingNames) {
    TempFolder folder;
    Entry entry;
    entry.Store(u"kept", u"1");
    EXPECT_EQ(entry.AppendFile(u""), u"");
    EXPECT_EQ(entry.AppendFile(folder / "missing.xml"), u"UFL Error: Cannot find file=" + (folder / "missing.xml"));
    EXPECT_EQ(entry.Count(), 1);
    EXPECT_EQ(entry.NewFile(u""), Text(Build::kNoFileNameText));
    EXPECT_EQ(entry.Count(), 0);
    entry.Store(u"again", u"1");
    EXPECT_EQ(entry.NewFile(folder / "missing.xml"), u"UFL Error: Cannot find file=" + (folder / "missing.xml"));
    EXPECT_EQ(entry.Count(), 0);
    fs::create_directory(folder.path() / "dir.xml");
    EXPECT_EQ(entry.NewFile(folder / "dir.xml"), u"UFL Error: Cannot find file=" + (folder / "dir.xml"));
}

TEST(IndexFile, AppendMergesInKeystackAndAddsInPagestack) {
    TempFolder folder;
    const Text path = folder / "more.xml";
    Entry source;
    source.Store(u"b", u"20");
    source.Store(u"d", u"40");
    source.Save(path);

    Entry entry;
    entry.Store(u"c", u"3");
    entry.Store(u"b", u"2");
    if (kSorted) {
        EXPECT_EQ(entry.AppendFile(path), u"Append 3" + kLoaded);
        EXPECT_EQ(Rows(entry), (std::vector<Text>{u"b/20", u"c/3", u"d/40"}));
    } else {
        EXPECT_EQ(entry.AppendFile(path), u"Append 4" + kLoaded);
        EXPECT_EQ(Rows(entry), (std::vector<Text>{u"c/3", u"b/2", u"b/20", u"d/40"}));
        // Store updates the first of the two rows.
        entry.Store(u"b", u"9");
        EXPECT_EQ(entry.FetchPage(1), u"9");
        EXPECT_EQ(entry.FetchPage(2), u"20");
    }
}

TEST(IndexFile, PageListsSaveAsPagesAndLoadedPagesMergeAsLists) {
    TempFolder folder;
    const Text path = folder / "lists.xml";
    Entry source;
    for (const Text& page : {Text(u"9"), Text(u"7"), Text(u"8"), Text(u"3"), Text(u"iv")}) source.AddPage(u"peat", page);
    source.Store(u"bog", u"12");
    // A list at the longest Save can write: it saves, and loads back unchanged.
    const Text longest = u"1, " + Text(32757, u'x');
    source.Store(u"long", u"1");
    source.AddPage(u"long", Text(32757, u'x'));
    ASSERT_EQ(source.FindPage(u"long"), longest);
    ASSERT_EQ(source.Save(path), Text(Build::kSavedText) + path + u" (3 lines) ");
    EXPECT_NE(ReadBytes(path).find("<Page>3, 7-9, iv</Page>"), std::string::npos);

    Entry entry;
    entry.NewFile(path);
    EXPECT_EQ(entry.FindPage(u"long"), longest);
    EXPECT_EQ(entry.AddPage(u"peat", u"8"), u"peat");
    EXPECT_EQ(entry.AddPage(u"peat", u"10"), u"peat");
    EXPECT_EQ(entry.AddPage(u"bog", u"13"), u"bog");
    EXPECT_EQ(entry.FindPage(u"peat"), u"3, 7-10, iv");
    EXPECT_EQ(entry.FindPage(u"bog"), u"12, 13");

    // Pagestack keeps a loaded duplicate as a second row: AddPage, like Store, changes the first.
    entry.AppendFile(path);
    entry.AddPage(u"bog", u"14");
    if (kSorted) {
        EXPECT_EQ(Rows(entry)[0], u"bog/12, 14");  // the file's page replaced the list first
    } else {
        EXPECT_EQ(entry.Count(), 6);
        EXPECT_EQ(entry.FetchPage(1), u"12-14");
        EXPECT_EQ(entry.FetchPage(4), u"12");
        EXPECT_EQ(entry.FindPage(u"bog"), u"12-14");
    }
}

TEST(IndexFile, LoadLimits) {
    TempFolder folder;
    WriteBytes(folder / "8001.xml", PairsFile(8001));
    WriteBytes(folder / "8002.xml", PairsFile(8002));
    Entry entry;
    if (kSorted) {
        EXPECT_EQ(entry.NewFile(folder / "8001.xml"), u"Load 8000" + kLoaded);
        EXPECT_EQ(entry.FetchDescription(7999), u"Item 107999");
    } else {
        EXPECT_EQ(entry.NewFile(folder / "8001.xml"), u"Load 8001" + kLoaded);
        EXPECT_EQ(entry.FetchDescription(8000), u"Item 108000");
        EXPECT_EQ(entry.FetchDescription(8001), u"");
        EXPECT_EQ(entry.NewFile(folder / "8002.xml"), u"Load 8001" + kLoaded);
        EXPECT_EQ(entry.Store(u"new", u"1"), u"No More contents may be added");
    }
    // A full table still takes new pages for descriptions it has.
    WriteBytes(folder / "update.xml", "<Description>Item 100005</Description>\r\n<Page>new</Page>\r\n");
    const int16_t full = entry.Count();
    EXPECT_EQ(entry.AppendFile(folder / "update.xml"), u"Append " + DecimalText(full) + kLoaded);
    if (kSorted) {
        EXPECT_EQ(entry.FetchPage(5), u"new");
    }
}

TEST(IndexFile, ReadingRules) {
    TempFolder folder;
    const Text path = folder / "rules.xml";
    WriteBytes(path,
               "<Description>first</Description>\r\n"
               "<Other>x</Other>\r\n"
               "<Page>1</Page>\n<Page>lf</Page>\r\n"   // an LF alone does not end a line
               "<Description>second</Description>\r"    // a CR alone does
               "<Page>2</Page>\r\n"
               "<Description>third</Description>\r\n"
               "<Description>fourth</Description>\r\n" // the later description wins
               "<Index><Description>hidden</Description>\r\n"
               "  <Page>indented</Page>\r\n"
               "<Page>4</Page>\r\n"
               "<Page>orphan</Page>\r\n"
               "<Description>dangling</Description>");
    Entry entry;
    if (kSorted) {
        EXPECT_EQ(entry.NewFile(path), u"Load 3" + kLoaded);
        EXPECT_EQ(Rows(entry), (std::vector<Text>{u"first/1", u"fourth/4", u"second/2"}));
    } else {
        EXPECT_EQ(entry.NewFile(path), u"Load 4" + kLoaded);
        EXPECT_EQ(Rows(entry), (std::vector<Text>{u"first/1", u"second/2", u"fourth/4", u"/orphan"}));
    }
}

TEST(IndexFile, LfOnlyAndIndentedFilesLoadNothing) {
    TempFolder folder;
    Entry source;
    source.Store(u"x", u"1");
    source.Store(u"y", u"2");
    source.Save(folder / "crlf.xml");
    std::string bytes = ReadBytes(folder / "crlf.xml");
    std::string lf, indented;
    for (const auto& line : CrLfLines(bytes)) {
        lf += line + "\n";
        indented += "  " + line + "\r\n";
    }
    WriteBytes(folder / "lf.xml", lf);
    WriteBytes(folder / "indented.xml", indented);
    Entry entry;
    entry.Store(u"kept", u"9");
    EXPECT_EQ(entry.AppendFile(folder / "lf.xml"), u"Append 1" + kLoaded);
    EXPECT_EQ(entry.AppendFile(folder / "indented.xml"), u"Append 1" + kLoaded);
    EXPECT_EQ(Rows(entry), (std::vector<Text>{u"kept/9"}));
}

TEST(IndexFile, PendingDescriptionAcrossFiles) {
    TempFolder folder;
    WriteBytes(folder / "a.xml", "<Description>carried</Description>\r\n");
    WriteBytes(folder / "b.xml", "<Page>5</Page>\r\n");
    Entry entry;
    entry.NewFile(folder / "a.xml");
    EXPECT_EQ(entry.AppendFile(folder / "b.xml"), (kSorted ? u"Append 0" : u"Append 1") + kLoaded);
    if (!kSorted) {
        EXPECT_EQ(Rows(entry), (std::vector<Text>{u"carried/5"}));
    }
}

TEST(IndexFile, EmptyDescriptionRowsAreCountedButNotSaved) {
    if (kSorted) GTEST_SKIP() << "Keystack never holds a row with an empty description";
    TempFolder folder;
    WriteBytes(folder / "in.xml", "<Page>1</Page>\r\n<Description>d</Description>\r\n<Page>2</Page>\r\n");
    Entry entry;
    ASSERT_EQ(entry.NewFile(folder / "in.xml"), u"Load 2" + kLoaded);
    EXPECT_EQ(entry.FetchDescription(0), u"");
    EXPECT_EQ(entry.Save(folder / "out.xml"), Text(Build::kSavedText) + (folder / "out.xml") + u" (2 lines) ");
    EXPECT_EQ(CrLfLines(ReadBytes(folder / "out.xml")).size(), 8u + 4 + 1);
}

TEST(IndexFile, ReadErrorsEndTheLoadAndKeepWhatWasLoaded) {
    TempFolder folder;
    const std::string good = "<Description>ok</Description>\r\n<Page>1</Page>\r\n";
    WriteBytes(folder / "badref.xml", good + "<Description>&#300;</Description>\r\n");
    WriteBytes(folder / "cdata.xml", good + "<Page>]]>x<![CDATA[y</Page>\r\n");
    WriteBytes(folder / "long.xml", good + "<Description" + std::string(32767, 'x') + ">v</Description>\r\n");
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"badref.xml", kErrorInvalidArgument}, {"cdata.xml", kErrorInvalidArgument}, {"long.xml", kErrorOverflow}};
    for (const auto& item : cases) {
        const std::string& name = item.first;
        const int32_t number = item.second;
        Entry entry;
        if (kSorted) {
            EXPECT_EQ(ErrorNumberOf([&] { entry.NewFile(folder / name); }), number) << name;
        } else {
            const Text result = entry.NewFile(folder / name);
            EXPECT_EQ(result.substr(0, 7), u"ERROR: ") << name;
            EXPECT_GT(result.size(), 7u);
        }
        EXPECT_EQ(Rows(entry), (std::vector<Text>{u"ok/1"})) << name;
        Entry appending;
        EXPECT_EQ(ErrorNumberOf([&] { appending.AppendFile(folder / name); }), number) << name;
        EXPECT_EQ(appending.Count(), 1) << name;
    }
}

TEST(IndexFile, SaveFailuresKeepTheOldFileAndLeaveNothingBehind) {
    TempFolder folder;
    const Text readOnly = folder / "readonly.xml";
    WriteBytes(readOnly, "precious");
    MakeReadOnly(readOnly);
    fs::create_directory(folder.path() / "sub.xml");
    Entry entry;
    entry.Store(u"x", u"1");
    for (const Text& path : {folder / "missing/index.xml", folder / "sub.xml", readOnly, Text()}) {
        EXPECT_EQ(entry.Save(path), u"Could Not Save to " + path) << TextToAscii(path);
        EXPECT_EQ(CloseXmlFile(), u"XML already closed");
    }
    EXPECT_EQ(ReadBytes(readOnly), "precious");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"readonly.xml", "sub.xml"}));
}

TEST(IndexFile, EveryLineSaveWritesCanBeReadBack) {
    TempFolder folder;
    const Text path = folder / "long.xml";
    // The longest values whose end tags still stand within 32767 characters of their line.
    Entry longest;
    longest.Store(Text(32753, u'd'), Text(32760, u'p'));
    ASSERT_EQ(longest.Save(path).substr(0, Build::kSavedText.size()), Build::kSavedText);
    Entry loaded;
    EXPECT_EQ(loaded.NewFile(path), u"Load 1" + kLoaded);
    EXPECT_EQ(Rows(loaded), Rows(longest));

    // One character more, and Save refuses rather than write a file it cannot read.
    for (const auto& [description, page] : {std::pair{Text(32754, u'd'), Text(u"1")},
                                            std::pair{Text(u"d"), Text(32761, u'p')}}) {
        Entry tooLong;
        tooLong.Store(description, page);
        EXPECT_EQ(tooLong.Save(path), u"Overflow");
        Entry reloaded;
        EXPECT_EQ(reloaded.NewFile(path), u"Load 1" + kLoaded);  // the old file is intact
    }
}

// Save escapes values straight into the file's bytes: each line must be the one the element
// writer builds, in the code page, for any value, up to the longest a line may hold.
TEST(IndexFile, SaveWritesEachLineAsTheElementWriterBuildsIt) {
    TempFolder folder;
    const Text path = folder / "index.xml";
    const std::vector<std::pair<Text, Text>> values = {
        {u"AT&T <b> \"q\" 'a' ~", u"12"},
        {u"caf\u00E9 \u20AC \u0178 \x7F \u00FF \u00A0 \u0080", u"\u00E9"},
        {u"two\r\nlines \r\r\n lone\rCR lone\nLF \ttab", u"\r\n"},
        {u"outside \u4E2D \xD83D\xDE00 pair, lone \xD800 and \xDC00.", u"\u4E2D&"},
        {u"\u4E2D\u00E9\u4E2D<\u4E2D", u""},
        {Text(32739, u'd') + u"\r\n", Text(32753, u'p') + u"\u00E9"},  // the longest lines
        {u"x", Text(32752, u'p') + u"&amp"},
    };
    Entry entry;
    for (const auto& [d, p] : values) ASSERT_EQ(entry.Store(d, p), d);
    ASSERT_EQ(entry.Save(path).substr(0, Build::kSavedText.size()), Build::kSavedText);
    const std::string saved = ReadBytes(path);

    const std::string open = platform::ToAnsi(u"<" + Text(Build::kEntryElement) + u">");
    const std::string close = platform::ToAnsi(u"</" + Text(Build::kEntryElement) + u">");
    std::vector<std::string> expected;
    for (int16_t i = 0; i < entry.Count(); ++i) {
        expected.push_back(open);
        expected.push_back(platform::ToAnsi(WriteXmlElement(u"Description", entry.FetchDescription(i))));
        expected.push_back(platform::ToAnsi(WriteXmlElement(u"Page", entry.FetchPage(i))));
        expected.push_back(close);
    }
    const auto lines = CrLfLines(saved);
    ASSERT_EQ(lines.size(), 8 + expected.size() + 1);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 8, lines.end() - 1), expected);
    EXPECT_EQ(lines.back(), "</" + platform::ToAnsi(Text(Build::kRootElement)) + ">");

    // One escaped character more, and the line could not be read back: Save answers
    // "Overflow" and the file it wrote before stays as it was, with nothing left beside it.
    for (const auto& [description, page] : {std::pair{Text(32740, u'd') + u"\r\n", Text(u"1")},
                                            std::pair{Text(u"d"), Text(32754, u'p') + u"\u00E9"},
                                            std::pair{Text(u"d"), Text(32753, u'p') + u"&amp"}}) {
        Entry tooLong;
        for (const auto& [d, p] : values) tooLong.Store(d, p);
        tooLong.Store(description, page);
        EXPECT_EQ(tooLong.Save(path), u"Overflow");
        EXPECT_EQ(ReadBytes(path), saved);
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.xml"});
    }
}

TEST(IndexFile, AValueTooLongToEscapeFailsTheSaveAndKeepsTheOldFile) {
    TempFolder folder;
    const Text path = folder / "index.xml";
    WriteBytes(path, "old");
    Entry entry;
    entry.Store(Text(20000, u'&'), u"1");  // 100,000 characters once escaped
    EXPECT_EQ(entry.Save(path), u"Overflow");
    EXPECT_EQ(CloseXmlFile(), u"XML already closed");
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.xml"});
}

#ifdef _WIN32
TEST(IndexFile, WildcardNamesPassThePresenceTestButCannotBeOpened) {
    TempFolder folder;
    Entry source;
    source.Store(u"x", u"1");
    source.Save(folder / "one.xml");
    Entry entry;
    if (kSorted) {
        EXPECT_NE(ErrorNumberOf([&] { entry.NewFile(folder / "*.xml"); }), 0);
    } else {
        EXPECT_EQ(entry.NewFile(folder / "*.xml").substr(0, 7), u"ERROR: ");
    }
    EXPECT_EQ(entry.NewFile(folder / "*.txt"), u"UFL Error: Cannot find file=" + (folder / "*.txt"));
}
#endif

// --- The order recorded in the file.

namespace {

// The lines of the root element in a file Save wrote: its start tag (line 8) and end tag.
std::pair<std::string, std::string> RootLines(const Text& path) {
    const auto lines = CrLfLines(ReadBytes(path));
    if (lines.size() < 9) return {};
    return {lines[7], lines.back()};
}

Text Descriptions(const Entry& entry) {
    Text all;
    for (int16_t i = 0; i < entry.Count(); ++i) all += (i ? u"," : u"") + entry.FetchDescription(i);
    return all;
}

// Five descriptions, as stored, and in Swedish, ordinal and German order.
const std::vector<Text> kPlaces = {u"Zurich", u"\u00D6sterreich", u"Oslo", u"Ostrava", u"apple"};
const Text kPlacesStored = u"Zurich,\u00D6sterreich,Oslo,Ostrava,apple";
const Text kPlacesSwedish = u"apple,Oslo,Ostrava,Zurich,\u00D6sterreich";
const Text kPlacesOrdinal = u"Oslo,Ostrava,Zurich,apple,\u00D6sterreich";
const Text kPlacesGerman = u"apple,Oslo,\u00D6sterreich,Ostrava,Zurich";

// The places saved from a table in Swedish order (Keystack), or in the order of storing.
void SaveSwedishPlaces(const Text& path) {
    Entry entry;
    if (kSorted) {
        EXPECT_EQ(entry.SetOrder(u"text:sv-se"), u"text:sv-SE");
    }
    for (const Text& d : kPlaces) entry.Store(d, u"7");
    EXPECT_EQ(entry.Save(path), Text(Build::kSavedText) + path + u" (5 lines) ");
}

}  // namespace

TEST(IndexFile, TheRootElementRecordsATextOrderAndNothingInOrdinalOrder) {
    TempFolder folder;
    const std::string root = platform::ToAnsi(Text(Build::kRootElement));
    SaveSwedishPlaces(folder / "sv.xml");
    EXPECT_EQ(RootLines(folder / "sv.xml"),
              std::make_pair(kSorted ? "<" + root + " order=\"text:sv-SE\">" : "<" + root + ">", "</" + root + ">"));

    // Ordinal again: byte for byte the file of a table that never had another order.
    Entry was, never;
    for (Entry* entry : {&was, &never}) {
        entry->Store(u"\u00D6l", u"2");
        entry->Store(u"Oslo", u"1");
    }
    if (kSorted) was.SetOrder(u"text:de-DE");
    was.SetOrder(u"ordinal");
    const Text path = folder / "index.xml";  // the header names the file
    ASSERT_EQ(never.Save(path), Text(Build::kSavedText) + path + u" (2 lines) ");
    const std::string bytes = ReadBytes(path);
    ASSERT_EQ(was.Save(path), Text(Build::kSavedText) + path + u" (2 lines) ");
    EXPECT_EQ(ReadBytes(path), bytes);
    EXPECT_EQ(RootLines(path).first, "<" + root + ">");
}

TEST(IndexFile, NewFileTakesTheFilesOrderUntilSetOrderChoosesOne) {
    if (!kSorted) GTEST_SKIP() << "Pagestack keeps the order of storing";
    TempFolder folder;
    const Text swedishFile = folder / "sv.xml";
    SaveSwedishPlaces(swedishFile);
    Entry ordinal;
    for (const Text& d : kPlaces) ordinal.Store(d, u"1");
    const Text ordinalFile = folder / "ordinal.xml";
    ordinal.Save(ordinalFile);

    // A new object lists the index as the first pass sorted it, without a call.
    Entry second;
    EXPECT_EQ(second.NewFile(swedishFile), u"Load 5" + kLoaded);
    EXPECT_EQ(second.Order(), u"text:sv-SE");
    EXPECT_EQ(Descriptions(second), kPlacesSwedish);
    EXPECT_EQ(second.Store(u"\u00C5re", u"9"), u"\u00C5re");  // later Stores keep the file's order
    EXPECT_EQ(second.FetchDescription(4), u"\u00C5re");
    // Until SetOrder chooses, each NewFile brings its file's order: none recorded is ordinal,
    // as in a new object. AppendFile never changes the order.
    EXPECT_EQ(second.NewFile(ordinalFile), u"Load 5" + kLoaded);
    EXPECT_EQ(second.Order(), u"ordinal");
    EXPECT_EQ(second.AppendFile(swedishFile), u"Append 5" + kLoaded);
    EXPECT_EQ(second.Order(), u"ordinal");
    EXPECT_EQ(Descriptions(second), kPlacesOrdinal);
    // A file read by NewFile that names no usable file changes nothing.
    second.NewFile(swedishFile);
    EXPECT_EQ(second.NewFile(folder / "missing.xml"), u"UFL Error: Cannot find file=" + (folder / "missing.xml"));
    EXPECT_EQ(second.Order(), u"text:sv-SE");

    // An order set with SetOrder wins, ordinal too.
    Entry german;
    german.SetOrder(u"text:de-DE");
    german.NewFile(swedishFile);
    EXPECT_EQ(german.Order(), u"text:de-DE");
    EXPECT_EQ(Descriptions(german), kPlacesGerman);
    Entry chosen;
    chosen.SetOrder(u"ordinal");
    chosen.NewFile(swedishFile);
    EXPECT_EQ(chosen.Order(), u"ordinal");
    EXPECT_EQ(Descriptions(chosen), kPlacesOrdinal);
    // ... but an empty SetOrder chooses nothing, and a refused one neither.
    Entry asked;
    asked.SetOrder(u"");
    EXPECT_EQ(ErrorNumberOf([&] { asked.SetOrder(u"text:xx-YY"); }), kErrorInvalidArgument);
    asked.NewFile(swedishFile);
    EXPECT_EQ(asked.Order(), u"text:sv-SE");
}

TEST(IndexFile, AnOrderThisMachineCannotApplyIsIgnored) {
    if (!kSorted) GTEST_SKIP() << "Pagestack keeps the order of storing";
    TempFolder folder;
    SaveSwedishPlaces(folder / "sv.xml");
    std::string bytes = ReadBytes(folder / "sv.xml");
    const std::string recorded = "order=\"text:sv-SE\"";
    ASSERT_NE(bytes.find(recorded), std::string::npos);
    const struct {
        const char* attribute;
        const char16_t* order;
    } cases[] = {{"order=\"text:xx-YY\"", u"ordinal"}, {"order=\"backwards\"", u"ordinal"},
                 {"order=\"text:\"", u"ordinal"}, {"order=\"ordinal\"", u"ordinal"},
                 {"order=\"TEXT:de-de\"", u"text:de-DE"}, {"order=text:de-DE", u"ordinal"},
                 {"order=\"text:sv-SE", u"ordinal"}};
    for (const auto& c : cases) {
        std::string edited = bytes;
        edited.replace(edited.find(recorded), recorded.size(), c.attribute);
        WriteBytes(folder / "edited.xml", edited);
        Entry entry;
        entry.NewFile(folder / "sv.xml");  // an order taken before does not stay
        EXPECT_EQ(entry.NewFile(folder / "edited.xml"), u"Load 5" + kLoaded) << c.attribute;
        EXPECT_EQ(entry.Order(), c.order) << c.attribute;
        EXPECT_EQ(Descriptions(entry), Text(c.order) == u"ordinal" ? kPlacesOrdinal : kPlacesGerman) << c.attribute;
    }
    // Only the root start tag counts: the same attribute further down is no order.
    std::string later = ReadBytes(folder / "sv.xml");
    later.replace(later.find(recorded), recorded.size(), "");
    later.insert(later.find("<Index>"), "<Note order=\"text:sv-SE\">\r\n");
    WriteBytes(folder / "later.xml", later);
    Entry entry;
    EXPECT_EQ(entry.NewFile(folder / "later.xml"), u"Load 5" + kLoaded);
    EXPECT_EQ(entry.Order(), u"ordinal");
    EXPECT_EQ(Descriptions(entry), kPlacesOrdinal);
}

// The line of the root start tag carries no data for any reader: with its attribute it is a
// tag no loader knows, so the file loads where its order is unknown, as in older versions.
TEST(IndexFile, AFileWithARecordedOrderLoadsWhereTheOrderIsUnknown) {
    TempFolder folder;
    const Text path = folder / "sv.xml";
    SaveSwedishPlaces(path);
    // In this build with its order chosen (Keystack), or in the build that never sorts.
    Entry reader;
    reader.SetOrder(u"ordinal");
    EXPECT_EQ(reader.NewFile(path), u"Load 5" + kLoaded);
    EXPECT_EQ(Descriptions(reader), kSorted ? kPlacesOrdinal : kPlacesStored);
    EXPECT_EQ(reader.FetchPage(4), u"7");
    EXPECT_EQ(reader.AppendFile(path), (kSorted ? u"Append 5" : u"Append 10") + kLoaded);
    EXPECT_EQ(reader.Order(), u"ordinal");
    // Pagestack reads a Keystack file with its order, and Keystack a Pagestack file.
    if (!kSorted) {
        std::string bytes = ReadBytes(path);
        bytes.replace(bytes.find("<TableOfContentsDoc>"), 20, "<IndexDoc order=\"text:sv-SE\">");
        WriteBytes(path, bytes);
        Entry pages;
        EXPECT_EQ(pages.NewFile(path), u"Load 5" + kLoaded);
        EXPECT_EQ(pages.Order(), u"ordinal");
        EXPECT_EQ(Descriptions(pages), kPlacesStored);
    }
}
