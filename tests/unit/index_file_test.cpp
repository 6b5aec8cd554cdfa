// Save, NewFile and AppendFile of one deliverable (compiled for each).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <thread>

#include "allocation_meter.h"
#include "core/build.h"
#include "core/error.h"
#include "entry/entry.h"
#include "entry/index_file_reader.h"
#include "entry/page_list.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/thread_data.h"
#include "test_files.h"
#include "test_text.h"
#include "xml/xml_text.h"
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

// The rows a load gave before files from other tools could be read: bytes in the ANSI code
// page, lines ended by CR alone, only lines that start with "<" read for their tag.
std::vector<Text> RowsAsReadBefore(const std::string& bytes) {
    const Text text = platform::FromAnsi(bytes);
    Entry sorted;  // Keystack's loader stores each pair
    std::vector<Text> inOrder;
    Text pending;
    for (size_t begin = 0, end; begin < text.size(); begin = end + 1 + (text.substr(end + 1, 1) == u"\n")) {
        end = std::min(text.find(u'\r', begin), text.size());
        const TextView line = TextView(text).substr(begin, end - begin);
        const size_t close = line.find(u'>');
        if (line.substr(0, 1) != u"<" || line.substr(0, 2) == u"<!" || close == TextView::npos) continue;
        const TextView tag = line.substr(1, close - 1);
        Text value = XmlElementValue(line);
        if (tag == u"Description") pending = value;
        if (tag != u"Page") continue;
        if (kSorted && !pending.empty()) sorted.Store(pending, value);
        if (!kSorted) inOrder.push_back(pending + u"/" + value);
        pending.clear();
    }
    return kSorted ? Rows(sorted) : inOrder;
}

// The reader's lines as "number:line".
std::vector<std::string> NumberedLines(TextView text) {
    std::vector<std::string> lines;
    ForEachIndexFileLine(text, [&](TextView line, size_t number) {
        lines.push_back(std::to_string(number) + ":" + TextToAscii(line));
    });
    return lines;
}

// "tag|element" of a line read for its tag, or "none".
std::string TagOf(TextView line) {
    const std::optional<TaggedLine> tagged = ReadTaggedLine(line);
    return tagged ? TextToAscii(tagged->tag) + "|" + TextToAscii(tagged->element) : "none";
}

const std::string kUtf8Mark = "\xEF\xBB\xBF";

// The file's rows after NewFile of the bytes, with NewFile's report first.
std::vector<Text> LoadedRows(const TempFolder& folder, const std::string& bytes) {
    static int files = 0;
    const Text path = folder / ("loaded" + std::to_string(++files) + ".xml");
    WriteBytes(path, bytes);
    Entry entry;
    std::vector<Text> rows = {entry.NewFile(path)};
    for (const Text& row : Rows(entry)) rows.push_back(row);
    return rows;
}


// An index file of the pairs, in the layout Save writes (values already escaped).
std::string FileOf(const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string bytes = "<?xml version=\"1.0\"?>\r\n<IndexDoc>\r\n";
    for (const auto& [d, p] : pairs)
        bytes += "<Index>\r\n<Description>" + d + "</Description>\r\n<Page>" + p + "</Page>\r\n</Index>\r\n";
    return bytes + "</IndexDoc>\r\n";
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

// Where the path limit leaves a target's folder less room than a temporary name takes, the
// name is cut, never below the target's own name length, and never padded.
struct TemporaryNames : platform::FileReplacement {
    using FileReplacement::TemporaryPath;
};

TEST(IndexFile, TemporaryNamesAreCutToTheRoomLeftAndNeverPadded) {
    const Text folder = Text(platform::kPathLimit - 7, u'd') + platform::kDirectorySeparator;
    ASSERT_EQ(folder.size(), platform::kPathLimit - 6);  // room for a name of six
    const Text longName = TemporaryNames::TemporaryPath(folder + Text(40, u'n'), folder.size());
    const Text shortName = TemporaryNames::TemporaryPath(folder + u"ab", folder.size());
    for (const Text& path : {longName, shortName}) {
        EXPECT_EQ(path.substr(0, folder.size()), folder);
        EXPECT_EQ(path.find(u'\0'), Text::npos);
        EXPECT_EQ(path[folder.size()], u'~');
    }
    EXPECT_LT(longName.size() - folder.size(), 40u);  // its own name, not padded to the target's
    EXPECT_EQ(shortName.size() - folder.size(), 6u);  // cut to the room left
}

// The temporary file Save writes first is never what makes a path too long, nor runs out of
// names: a path of 255 characters saves like any other, and so does a one-letter name, whose
// temporary name still has characters enough to tell many apart.
TEST(IndexFile, LongPathsAndShortNamesSaveAsAnyOther) {
    TempFolder folder;
    const Text base = folder / "";
    ASSERT_LT(base.size(), 200u);
    const Text longPath = base + Text(255 - base.size() - 4, u'n') + u".xml";
    ASSERT_EQ(longPath.size(), 255u);
    WriteBytes(folder / "~", "a stray file with the one name a cut temporary name once had");
    for (const Text& path : {longPath, folder / "a"}) {
        // While a file is written, its temporary file is there, within the path limit.
        const std::vector<std::string> before = folder.Names();
        ASSERT_EQ(OpenXmlFile(path, u"Root", Text()), u"");
        for (const std::string& name : folder.Names()) {
            if (std::find(before.begin(), before.end(), name) == before.end()) {
                EXPECT_LE(base.size() + name.size(), platform::kPathLimit) << name;
                EXPECT_GE(name.size(), 8u) << name;
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
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a", TextToAscii(longPath.substr(base.size())), "~"}));

    // Reports on several threads saving one-letter files in one folder at the same time.
    std::vector<std::thread> reports;
    std::atomic<int> saved{0};
    for (int t = 0; t < 6; ++t) {
        reports.emplace_back([&, t] {
            const Text path = folder / std::string(1, static_cast<char>('b' + t));
            Entry entry;
            entry.Store(u"thread " + DecimalText(t), u"1");
            for (int round = 0; round < 40; ++round)
                if (entry.Save(path) == Text(Build::kSavedText) + path + u" (1 lines) ") ++saved;
        });
    }
    for (std::thread& report : reports) report.join();
    EXPECT_EQ(saved.load(), 6 * 40);
    EXPECT_EQ(folder.Names().size(), 9u);  // a to g, the long name and the stray file
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
               "x <Page>text before the tag</Page>\r\n"
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

// Files an editor saved with LF line ends or re-indented load the rows of their CR LF twin.
TEST(IndexFile, LfOnlyAndIndentedFilesLoadLikeTheirCrLfTwins) {
    TempFolder folder;
    Entry source;
    source.Store(u"x", u"1");
    source.Store(u"y & z", u"2\n3");  // a lone LF in a value of a CR LF file stays in its line
    source.Save(folder / "crlf.xml");
    std::string bytes = ReadBytes(folder / "crlf.xml");
    std::string lf, indented, both;
    size_t number = 0;
    for (const auto& line : CrLfLines(bytes)) {
        if (line.find("\n") != std::string::npos) continue;  // an LF file cannot hold that value
        const std::string indentation = std::vector<std::string>{"", "  ", "\t ", "\t\t"}[number++ % 4];
        lf += line + "\n";
        indented += indentation + line + "\r\n";
        both += indentation + line + "\n";
    }
    ASSERT_EQ(bytes.find("\n  <Description>"), std::string::npos);
    ASSERT_NE(indented.find("\r\n\t <Page>1</Page>"), std::string::npos);
    WriteBytes(folder / "lf.xml", lf);
    WriteBytes(folder / "indented.xml", indented);
    WriteBytes(folder / "both.xml", both);
    Entry entry;
    entry.Store(u"kept", u"9");
    EXPECT_EQ(entry.AppendFile(folder / "crlf.xml"), u"Append 3" + kLoaded);
    EXPECT_EQ(Rows(entry), (std::vector<Text>{u"kept/9", u"x/1", u"y & z/2\n3"}));
    for (const char* name : {"lf.xml", "indented.xml", "both.xml"}) {
        Entry twin;
        twin.Store(u"kept", u"9");
        EXPECT_EQ(twin.AppendFile(folder / name), u"Append 2" + kLoaded) << name;
        EXPECT_EQ(Rows(twin), (std::vector<Text>{u"kept/9", u"x/1"})) << name;
    }
    // A file with a CR anywhere keeps CR as its line end: its LF lines are one line.
    WriteBytes(folder / "mixed.xml", lf + "<!-- \r -->");
    EXPECT_EQ(Entry().NewFile(folder / "mixed.xml"), u"Load 0" + kLoaded);
}

// Marks and UTF-8 as other tools write them, hexadecimal references, LF line ends and
// indentation, all in one file, in the characters of Windows-1252.
TEST(IndexFile, FilesOtherToolsTouchedLoadAsTheirAuthorMeant) {
    TempFolder folder;
    const Text text = u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<IndexDoc>\n  <Index>\n"
                      u"    <Description>Caf\u00E9 \u20AC&#x20AC; &#xE9;</Description>\n"
                      u"\t\t<Page>\u00BD</Page>\n  </Index>\n</IndexDoc>\n";
    const std::vector<Text> expected = {u"Load 1" + kLoaded, u"Caf\u00E9 \u20AC\u20AC \u00E9/\u00BD"};
    EXPECT_EQ(LoadedRows(folder, Utf8Of(text)), expected);
    EXPECT_EQ(LoadedRows(folder, kUtf8Mark + Utf8Of(text)), expected);
    EXPECT_EQ(LoadedRows(folder, "\xFF\xFE" + Utf16Of(text, false)), expected);
    EXPECT_EQ(LoadedRows(folder, "\xFE\xFF" + Utf16Of(text, true)), expected);
    EXPECT_EQ(LoadedRows(folder, platform::ToAnsi(text)), expected);  // the file as Notepad's "ANSI"
    // UTF-8 without a mark reads as UTF-8 ("Caf\xC3\xA9" once loaded as "CafÃ©").
    EXPECT_EQ(LoadedRows(folder, "<Description>Caf\xC3\xA9</Description>\r<Page>1</Page>\r"),
              (std::vector<Text>{u"Load 1" + kLoaded, u"Caf\u00E9/1"}));
}

// Characters that arrive by UTF-8 or a hexadecimal reference and that the code page lacks are
// kept in the table; Save writes them as "?", as any such character.
TEST(IndexFile, CharactersTheCodePageLacksAreKeptUntilSaved) {
    TempFolder folder;
    WriteBytes(folder / "in.xml", Utf8Of(u"<Description>\u4E2D &#x1F600;</Description>\r\n<Page>&#x141;\u00E9</Page>\r\n"));
    Entry entry;
    EXPECT_EQ(entry.NewFile(folder / "in.xml"), u"Load 1" + kLoaded);
    EXPECT_EQ(Rows(entry), std::vector<Text>{u"\u4E2D \xD83D\xDE00/\u0141\u00E9"});
    entry.Save(folder / "out.xml");
    const auto lines = CrLfLines(ReadBytes(folder / "out.xml"));
    ASSERT_EQ(lines.size(), 8u + 4 + 1);
    // One "?" for a character, a pair of surrogates included, as Windows writes it.
    EXPECT_EQ(lines[9], "<Description>? ?</Description>");
    EXPECT_EQ(lines[10], "<Page>?&#0233;</Page>");
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
    WriteBytes(folder / "hexzero.xml", good + "<Page>&#x0;</Page>\r\n");
    WriteBytes(folder / "hexsurrogate.xml", good + "  <Description>&#xD83D;&#xDE00;</Description>\n");
    WriteBytes(folder / "nohex.xml", kUtf8Mark + good + "<Page>&#x;</Page>\r\n");
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"badref.xml", kErrorInvalidArgument}, {"cdata.xml", kErrorInvalidArgument}, {"long.xml", kErrorOverflow},
        {"hexzero.xml", kErrorInvalidArgument}, {"hexsurrogate.xml", kErrorInvalidArgument},
        {"nohex.xml", kErrorInvalidArgument}};
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

// A Save that fails part-way, after some of its rows went out (out of memory, a full disk),
// answers with the error's description, never raises it, and leaves no trace: no temporary
// file, no writer open on its thread, the old file as it was; the next Save works.
TEST(IndexFile, ASaveThatFailsPartWayLeavesNothingBehind) {
    TempFolder folder;
    const Text path = folder / "index.xml";
    WriteBytes(path, "old");
    Entry entry;
    for (int i = 0; i < 1000; ++i) entry.Store(DecimalText(10000 + i) + Text(1000, u'v'), DecimalText(i));
    struct Failure {
        platform::FileReplacement::WriteProbe probe;
        Text answer;
    };
    using Step = platform::FileReplacement::WriteStep;
    // At the second write of the file, when the first 256 KB are already out; at the last one;
    // and when the written file is made durable.
    const Failure failures[] = {
        {[](Step, uint64_t written) { if (written > 0) throw std::bad_alloc(); }, u"Out of memory"},
        {[](Step, uint64_t written) { if (written > 0) throw FileError(112); }, platform::SystemErrorText(112)},
        {[](Step step, uint64_t) { if (step == Step::kLastPiece) throw FileError(112); }, platform::SystemErrorText(112)},
        {[](Step step, uint64_t) { if (step == Step::kFinish) throw FileError(112); }, platform::SystemErrorText(112)},
    };
    for (const Failure& failure : failures) {
        // On a thread of its own, as a host runs reports: that thread's writer must be closed.
        std::thread report([&] {
            platform::FileReplacement::SetWriteProbe(failure.probe);
            EXPECT_EQ(entry.Save(path), failure.answer);
            platform::FileReplacement::SetWriteProbe(nullptr);
            EXPECT_EQ(XmlFileOutput(), nullptr);
            EXPECT_EQ(CloseXmlFile(), u"XML already closed");
        });
        report.join();
        EXPECT_EQ(ReadBytes(path), "old");
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.xml"});
    }
    EXPECT_EQ(entry.Save(path), Text(Build::kSavedText) + path + u" (1000 lines) ");
    EXPECT_EQ(Entry().NewFile(path), u"Load 1000" + kLoaded);
}

// What a Save needs beyond the table does not grow with the table: 8000 rows of 2000-character
// values (a 32 MB file) go out through a buffer of a few hundred kilobytes.
TEST(IndexFile, SaveMemoryStaysBoundedWhateverTheTableHolds) {
    TempFolder folder;
    const Text path = folder / "large.xml";
    Entry entry;
    for (int i = 0; i < Entry::kStoreLimit; ++i)
        ASSERT_EQ(entry.Store(DecimalText(10000 + i) + Text(1995, u'd'), Text(2000, u'p')).size(), 2000u);
    const AllocationMeter meter;
    ASSERT_EQ(entry.Save(path), Text(Build::kSavedText) + path + u" (8000 lines) ");
    const size_t peak = meter.PeakExtraBytes();
    std::printf("Save of 8000 rows of 2000-character values: %zu bytes of memory beyond the table\n", peak);
    EXPECT_LT(peak, 1024u * 1024u);
    EXPECT_GT(fs::file_size(fs::path(path)), 8000u * 4000u);
}

// A load holds the file once, as its bytes, and turns it into text a piece at a time: what a
// NewFile needs beyond the table is about the file's size, never a copy of its text.
TEST(IndexFile, NewFileMemoryIsAboutTheFileItself) {
    TempFolder folder;
    const Text path = folder / "large.xml";
    Entry entry;
    for (int i = 0; i < Entry::kStoreLimit; ++i) entry.Store(DecimalText(10000 + i) + Text(95, u'd'), Text(100, u'p'));
    ASSERT_EQ(entry.Save(path), Text(Build::kSavedText) + path + u" (8000 lines) ");
    const size_t size = fs::file_size(fs::path(path));
    Entry loaded;
    ASSERT_EQ(loaded.NewFile(path), u"Load 8000" + kLoaded);  // the rows' own strings are made once
    const AllocationMeter meter;
    ASSERT_EQ(loaded.NewFile(path), u"Load 8000" + kLoaded);
    EXPECT_LT(meter.PeakExtraBytes(), size + 256 * 1024) << "a file of " << size << " bytes";
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

// --- AppendPages: one index for a book printed as several reports ---

TEST(IndexFile, AppendPagesMergesAFilesPagesMovedByTheOffsetAsAddPageWould) {
    TempFolder folder;
    const Text chapter = folder / "chapter2.xml";
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"peat", "1, iv"}, {"bog", "3"}, {"fen", "5-7"}, {"Alder", "12-14, 40"}, {"carr", "Preface"}};
    WriteBytes(chapter, FileOf(pairs));
    Entry entry, byCalls;
    for (Entry* e : {&entry, &byCalls}) {
        e->AddPage(u"peat", u"32-34");
        e->Store(u"bog", u"12");
        e->Store(u"carr", u"vi");
    }
    EXPECT_EQ(entry.AppendPages(chapter, 120), u"Append 5" + kLoaded);
    const std::vector<Text> sorted = {u"Alder/132-134, 160", u"bog/12, 123", u"carr/vi, Preface", u"fen/125-127",
                                      u"peat/32-34, 121, iv"};
    const std::vector<Text> inOrder = {u"peat/32-34, 121, iv", u"bog/12, 123", u"carr/vi, Preface", u"fen/125-127",
                                       u"Alder/132-134, 160"};
    EXPECT_EQ(Rows(entry), kSorted ? sorted : inOrder);
    // The same as an AddPage of each pair, its page moved.
    for (const auto& [d, p] : pairs) {
        const Text page = AsciiToText(p);
        byCalls.AddPage(AsciiToText(d), ShiftPageList(page, 120).value_or(page));
    }
    EXPECT_EQ(Rows(entry), Rows(byCalls));
    // AppendFile of the same file replaces pages instead (Pagestack: adds a second row), as it
    // always has.
    Entry replaced;
    replaced.Store(u"bog", u"12");
    replaced.AppendFile(chapter);
    EXPECT_EQ(replaced.FetchPage(kSorted ? 1 : 2), u"3");
    EXPECT_EQ(replaced.Count(), kSorted ? 5 : 6);
}

TEST(IndexFile, AppendPagesOfAFileInAnotherOrderWithListsAndDuplicates) {
    TempFolder folder;
    const Text path = folder / "toc.xml";
    // As a Pagestack table may hold it: not sorted, a description twice, and the lines a
    // reader skips or pairs otherwise.
    WriteBytes(path, "<Page>orphan</Page>\r\n"                       // no description: skipped
                     "<Description>zeta</Description>\r\n<Page>9, 2</Page>\r\n"
                     "<Description>alpha</Description>\r\n<Page>4</Page>\r\n"
                     "<Description>zeta</Description>\r\n<Page>3, xi</Page>\r\n"
                     "<Description>lost</Description>\r\n<Description>beta</Description>\r\n<Page>1-3</Page>\r\n"
                     "<Description>dangling</Description>\r\n");  // no page: dropped
    Entry entry;
    // Offset 0 moves nothing: a new row keeps its page as given, a second one merges into it.
    EXPECT_EQ(entry.AppendPages(path, 0), u"Append 3" + kLoaded);
    EXPECT_EQ(Rows(entry), (kSorted ? std::vector<Text>{u"alpha/4", u"beta/1-3", u"zeta/2, 3, 9, xi"}
                                    : std::vector<Text>{u"zeta/2, 3, 9, xi", u"alpha/4", u"beta/1-3"}));
    EXPECT_EQ(entry.AppendPages(path, 10), u"Append 3" + kLoaded);
    EXPECT_EQ(entry.FindPage(u"zeta"), u"2, 3, 9, 12, 13, 19, xi");
    EXPECT_EQ(entry.FindPage(u"alpha"), u"4, 14");
    EXPECT_EQ(entry.FindPage(u"beta"), u"1-3, 11-13");

    // In Pagestack, AppendFile keeps the duplicate and the orphan as rows; AppendPages merges
    // into the first row of a description, as AddPage does.
    Entry loaded;
    EXPECT_EQ(loaded.AppendFile(path), (kSorted ? u"Append 3" : u"Append 5") + kLoaded);
    EXPECT_EQ(loaded.AppendPages(path, 100), (kSorted ? u"Append 3" : u"Append 5") + kLoaded);
    if (!kSorted) {
        EXPECT_EQ(Rows(loaded), (std::vector<Text>{u"/orphan", u"zeta/2, 9, 102, 103, 109, xi", u"alpha/4, 104",
                                                   u"zeta/3, xi", u"beta/1-3, 101-103"}));
    }
}

// Each AppendPages reads its own file: a Description line left over from an earlier load
// waits for the next NewFile or AppendFile as it did, and one left in this file goes.
TEST(IndexFile, AppendPagesLeavesThePendingDescriptionToTheOtherLoads) {
    TempFolder folder;
    WriteBytes(folder / "a.xml", "<Description>carried</Description>\r\n");
    WriteBytes(folder / "b.xml", "<Page>5</Page>\r\n<Description>x</Description>\r\n<Page>1</Page>\r\n"
                                 "<Description>left</Description>\r\n");
    WriteBytes(folder / "c.xml", "<Page>7</Page>\r\n");
    Entry entry;
    entry.NewFile(folder / "a.xml");
    EXPECT_EQ(entry.AppendPages(folder / "b.xml", 2), u"Append 1" + kLoaded);
    EXPECT_EQ(Rows(entry), std::vector<Text>{u"x/3"});
    entry.AppendFile(folder / "c.xml");
    EXPECT_EQ(Rows(entry), (kSorted ? std::vector<Text>{u"x/3"} : std::vector<Text>{u"x/3", u"carried/7"}));
}

TEST(IndexFile, AppendPagesAnswersEmptyAndMissingNamesAsAppendFile) {
    TempFolder folder;
    Entry entry;
    entry.Store(u"kept", u"1");
    EXPECT_EQ(entry.AppendPages(u"", 5), u"");
    EXPECT_EQ(entry.AppendPages(folder / "missing.xml", 5), u"UFL Error: Cannot find file=" + (folder / "missing.xml"));
    fs::create_directory(folder.path() / "dir.xml");
    EXPECT_EQ(entry.AppendPages(folder / "dir.xml", 5), u"UFL Error: Cannot find file=" + (folder / "dir.xml"));
    EXPECT_EQ(Rows(entry), std::vector<Text>{u"kept/1"});
}

std::string OddPagesTo9999() {
    std::string list = "1";
    for (int page = 3; page <= 9999; page += 2) list += ", " + std::to_string(page);
    return list;
}

TEST(IndexFile, AppendPagesRefusalsLeaveTheWholeTableAsItWas) {
    TempFolder folder;
    const std::string good = FileOf({{"known", "5"}, {"new one", "6"}});
    const std::string longList = "9, 99, " + std::string(32760 - 7, 'x');  // the longest Save writes
    struct Case {
        const char* name;
        std::string bytes;
        int16_t offset;
        int32_t error;  // 0: the table-full text
        size_t line;    // where AppendPages says it was refused: the line read, or the pair's Page line
        const char* description;  // the refused pair's ("" for a line that cannot be read)
    };
    const std::vector<Case> cases = {
        // A file that cannot be read to its end: its error, after good pairs too.
        {"bad reference", good + "<Description>&#300;</Description>\r\n", 1, kErrorInvalidArgument, 12, ""},
        {"far tag", good + "<Description" + std::string(32767, 'x') + ">v</Description>\r\n", 1, kErrorOverflow, 12, ""},
        // A page moved out of 0 to 32767, up or down, in any row of the file.
        {"beyond 32767", good + FileOf({{"far", "32700"}}), 68, kErrorOverflow, 16, "far"},
        {"below 0", FileOf({{"known", "40"}, {"new one", "6, iv"}}), -7, kErrorOverflow, 9, "new one"},
        {"range end", FileOf({{"new one", "3-32767"}}), 1, kErrorOverflow, 5, "new one"},
        // A list that Save could not write: the one a table row would hold, and one the file
        // makes for a new row.
        {"long list", FileOf({{"new one", "1"}, {"long", "1000"}}), 0, kErrorOverflow, 9, "long"},
        {"long new list", FileOf({{"fresh", longList}, {"fresh", "7"}}), 0, kErrorOverflow, 9, "fresh"},
        // The odd pages to 9999 (29,443 characters) moved by 20000: 34,998, a new row's page.
        {"moved new list", FileOf({{"odd pages", OddPagesTo9999()}}), 20000, kErrorOverflow, 5, "odd pages"},
        // The read error comes first, then the pages, then the room for new rows.
        {"read error first", FileOf({{"far", "32767"}}) + "<Page>&#300;</Page>\r\n", 1, kErrorInvalidArgument, 8, ""},
        {"overflow before room", FileOf({{"a1", "1"}, {"a2", "2"}, {"a3", "3"}, {"far", "32767"}}), 1, kErrorOverflow, 17, "far"},
        {"no room", FileOf({{"known", "8"}, {"a1", "1"}, {"a2", "2"}, {"a3", "3"}, {"a1", "4"}}), 1, 0, 17, "a3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Text path = folder / (std::string(c.name) + ".xml");
        WriteBytes(path, c.bytes);
        // 7998 rows: room for two new descriptions.
        Entry entry;
        entry.Store(u"known", u"40");
        entry.Store(u"long", platform::FromAnsi(longList));
        for (int i = 0; i < Entry::kStoreLimit - 6; ++i) entry.Store(u"Item " + DecimalText(10000 + i), u"2");
        entry.Store(u"odd", u"9, 2, 9");
        entry.Store(u"zero", u"0");
        ASSERT_EQ(entry.Count(), Entry::kStoreLimit - 2);
        const std::vector<Text> before = Rows(entry);
        if (c.error != 0) {
            EXPECT_EQ(ErrorNumberOf([&] { entry.AppendPages(path, c.offset); }), c.error);
        } else {
            EXPECT_EQ(entry.AppendPages(path, c.offset), Text(Build::kTableFullText));
        }
        EXPECT_EQ(Rows(entry), before);
        // The same refusal, told where: the line, and the pair as the file holds it.
        Entry::PagesRefusal refusal;
        if (c.error != 0) {
            EXPECT_EQ(ErrorNumberOf([&] { entry.AppendPages(path, c.offset, &refusal); }), c.error);
        } else {
            EXPECT_EQ(entry.AppendPages(path, c.offset, &refusal), Text(Build::kTableFullText));
        }
        EXPECT_EQ(refusal.line, c.line);
        EXPECT_EQ(refusal.description, AsciiToText(c.description));
        if (*c.description != '\0') {
            EXPECT_NE(c.bytes.find("<Page>" + TextToAscii(refusal.page) + "</Page>"), std::string::npos);
        }
        EXPECT_EQ(Rows(entry), before);
        // Two new descriptions fit, beside any number of known ones.
        WriteBytes(path, FileOf({{"a1", "1"}, {"known", "8"}, {"a2", "2"}, {"a1", "4"}, {"zero", "1"}}));
        const int16_t offset = c.offset < 0 ? 0 : c.offset;
        EXPECT_EQ(entry.AppendPages(path, offset), u"Append " + DecimalText(Entry::kStoreLimit) + kLoaded);
        EXPECT_EQ(entry.FindPage(u"known"), MergePageList(u"40", DecimalText(8 + offset)));
        EXPECT_EQ(entry.FindPage(u"a1"), MergePageList(DecimalText(1 + offset), DecimalText(4 + offset)));
    }
}

TEST(IndexFile, AppendPagesIntoAFullTableMergesKnownTerms) {
    TempFolder folder;
    WriteBytes(folder / "8001.xml", PairsFile(8001));
    WriteBytes(folder / "known.xml", FileOf({{"Item 100005", "7"}, {"Item 100000", "1-3"}}));
    WriteBytes(folder / "new.xml", FileOf({{"Item 100005", "7"}, {"Item 099999", "1"}}));
    Entry entry;
    entry.NewFile(folder / "8001.xml");  // Keystack loads 8000 rows, Pagestack 8001
    const int16_t full = entry.Count();
    EXPECT_EQ(entry.AppendPages(folder / "known.xml", 10), u"Append " + DecimalText(full) + kLoaded);
    EXPECT_EQ(entry.FetchPage(5), u"5, 17");
    EXPECT_EQ(entry.FetchPage(0), u"0, 11-13");
    const std::vector<Text> before = Rows(entry);
    EXPECT_EQ(entry.AppendPages(folder / "new.xml", 10), Text(Build::kTableFullText));
    EXPECT_EQ(Rows(entry), before);
}

// Every allocation of an operation fails in turn, as when memory runs out part-way: the call
// fails, and the order, the rows and Count stay exactly as they were, with a held description
// still one row. Then it runs with memory enough.
TEST(IndexFile, AnOperationThatRunsOutOfMemoryChangesNothing) {
    TempFolder folder;
    WriteBytes(folder / "chapter.xml", FileOf({{"Zebra", "4"}, {"new", "2-3"}, {"apple", "9"}, {"newer", "x"}}));
    WriteBytes(folder / "ordered.xml", "<IndexDoc order=\"text:en-US\">\r\n" +
                                           FileOf({{"apple", "1"}, {"Lake", "2"}, {"lake", "3"}, {"Zebra", "4"}}));
    const auto fill = [](Entry& entry) {
        for (const char16_t* d : {u"Zebra", u"apple", u"Lake", u"lake", u"\u00C9clair", u"Item 10", u"Item 9"})
            entry.Store(d, u"1");
    };
    struct Operation {
        const char* name;
        bool keystackOnly;
        std::function<void(Entry&)> call;
    };
    const std::vector<Operation> operations = {
        {"SetOrder", true, [](Entry& e) { e.SetOrder(u"text:en-US"); }},
        {"SetOrder back", true, [](Entry& e) { e.SetOrder(u"ordinal"); }},
        {"Store", false, [](Entry& e) { e.Store(u"Mallow", u"5"); }},
        {"AppendPages", false, [&](Entry& e) { e.AppendPages(folder / "chapter.xml", 10); }},
    };
    for (const Operation& op : operations) {
        if (op.keystackOnly && !kSorted) continue;
        SCOPED_TRACE(op.name);
        {
            Entry warm;  // what the process makes once (a locale's data) is made before the count
            fill(warm);
            op.call(warm);
        }
        for (long n = 1;; ++n) {
            Entry entry;
            fill(entry);
            if (std::string(op.name) == "SetOrder back") entry.SetOrder(u"text:en-US");
            const std::vector<Text> rows = Rows(entry);
            const Text order = entry.Order();
            FailAllocation(n);
            try {
                op.call(entry);
            } catch (const std::bad_alloc&) {
            }
            const bool failed = AllocationFailed();
            FailAllocation(0);
            if (!failed) break;  // the call ran to its end
            SCOPED_TRACE("allocation " + std::to_string(n));
            ASSERT_EQ(entry.Order(), order);
            ASSERT_EQ(Rows(entry), rows);
            EXPECT_EQ(entry.Store(u"Zebra", u"2"), u"Zebra");
            EXPECT_EQ(entry.FindPage(u"Zebra"), u"2");
            ASSERT_EQ(entry.Count(), static_cast<int16_t>(rows.size()));
        }
    }
    // NewFile into an object that has not chosen its order takes the file's; out of memory
    // part-way, the table stays an ordinal one with the rows read so far, in order.
    if (kSorted) {
        Entry().NewFile(folder / "ordered.xml");
        for (long n = 1;; ++n) {
            Entry entry;
            fill(entry);
            FailAllocation(n);
            try {
                entry.NewFile(folder / "ordered.xml");
            } catch (const std::bad_alloc&) {
            }
            const bool failed = AllocationFailed();
            FailAllocation(0);
            if (!failed) {
                EXPECT_EQ(entry.Order(), u"text:en-US");
                EXPECT_EQ(Rows(entry), (std::vector<Text>{u"apple/1", u"Lake/2", u"lake/3", u"Zebra/4"}));
                break;
            }
            SCOPED_TRACE("allocation " + std::to_string(n));
            const int16_t count = entry.Count();
            const bool held = !entry.FindPage(u"Zebra").empty();
            EXPECT_EQ(entry.Store(u"Zebra", u"5"), u"Zebra");
            EXPECT_EQ(entry.FindPage(u"Zebra"), u"5");
            EXPECT_EQ(entry.Count(), held ? count : count + 1);
        }
    }
}

// --- The reader that every loader of index files shares ---

TEST(IndexFileReader, LinesEndAtCrOrWithoutAnyCrAtLf) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(NumberedLines(u"a\r\nb\rc\r\n\r\nd"), (Lines{"1:a", "2:b", "3:c", "4:", "5:d"}));
    EXPECT_EQ(NumberedLines(u"a\nb\n\n c\n"), (Lines{"1:a", "2:b", "3:", "4: c"}));
    EXPECT_EQ(NumberedLines(u"a\r\n\n"), (Lines{"1:a", "2:\n"}));  // one LF after a CR only
    EXPECT_EQ(NumberedLines(u""), Lines{});
    EXPECT_EQ(NumberedLines(u"\n"), Lines{"1:"});
    EXPECT_EQ(NumberedLines(u"x"), Lines{"1:x"});
    // With a CR anywhere, an LF alone stays in its line; the numbers count it as an editor does.
    EXPECT_EQ(NumberedLines(u"<D>x\ny\n</D>\r\n<P>1</P>\r\n\n\rz"),
              (Lines{"1:<D>x\ny\n</D>", "4:<P>1</P>", "5:\n", "7:z"}));
}

TEST(IndexFileReader, TagsAreReadAfterIndentation) {
    EXPECT_EQ(TagOf(u"<Page>1</Page>"), "Page|<Page>1</Page>");
    EXPECT_EQ(TagOf(u" \t  <Page>1</Page>"), "Page|<Page>1</Page>");
    EXPECT_EQ(TagOf(u"\t<IndexDoc order=\"text:sv-SE\">"), "IndexDoc order=\"text:sv-SE\"|<IndexDoc order=\"text:sv-SE\">");
    EXPECT_EQ(TagOf(u"<Index><Description>x</Description>"), "Index|<Index><Description>x</Description>");
    EXPECT_EQ(TagOf(u"</Index>"), "/Index|</Index>");
    for (const Text& none : {Text(u""), Text(u"  \t"), Text(u"<!-- c -->"), Text(u"\t<!-- c -->"), Text(u"<!"),
                             Text(u"x<Page>1</Page>"), Text(u"\u3000<Page>1</Page>"), Text(u"\v<Page>1</Page>"),
                             Text(u"\n<Page>1</Page>"), Text(u"<Page"), Text(u"  <Page 1")})
        EXPECT_EQ(TagOf(none), "none") << TextToAscii(none);
    // Positions count from the "<": indentation never makes a line too long to read.
    const Text farthest = Text(u"<") + Text(32765, u'D') + u">";
    EXPECT_EQ(ReadTaggedLine(Text(40000, u' ') + farthest)->tag.size(), 32765u);
    EXPECT_EQ(ErrorNumberOf([] { ReadTaggedLine(Text(u"\t<") + Text(32766, u'D') + u">"); }), kErrorOverflow);
}

TEST(IndexFileReader, ByteOrderMarksDecideTheEncoding) {
    const Text text = u"<D>Caf\u00E9 \u4E2D \xD83D\xDE00 \uFEFF</D>\r\n";
    const std::vector<std::pair<std::string, IndexFileEncoding>> files = {
        {kUtf8Mark + Utf8Of(text), IndexFileEncoding::kUtf8Mark},
        {"\xFF\xFE" + Utf16Of(text, false), IndexFileEncoding::kUtf16LittleEndian},
        {"\xFE\xFF" + Utf16Of(text, true), IndexFileEncoding::kUtf16BigEndian}};
    for (const auto& [bytes, encoding] : files) {
        const IndexFileText file = DecodeIndexFile(bytes);
        EXPECT_EQ(file.encoding, encoding);
        EXPECT_EQ(file.text, text);
    }
    // UTF-16 keeps an unpaired surrogate; a last byte without its partner is U+FFFD.
    EXPECT_EQ(DecodeIndexFile(std::string("\xFF\xFE" "a\0\0\xD8" "b", 7)).text, Text(u"a\xD800\uFFFD"));
    EXPECT_EQ(DecodeIndexFile("\xFE\xFF").text, u"");
    const IndexFileText plain = DecodeIndexFile("<D>x</D>\r\n");
    EXPECT_EQ(plain.encoding, IndexFileEncoding::kAnsi);
    EXPECT_EQ(plain.text, u"<D>x</D>\r\n");
}

TEST(IndexFileReader, BytesThatFormNoUtf8CharacterBecomeReplacementCharacters) {
    const std::vector<std::pair<std::string, Text>> cases = {
        {"a\xE9\r\nb", u"a\uFFFD\r\nb"},          // a bad byte never takes the line end along
        {"\xC3\r\n", u"\uFFFD\r\n"},
        {"\xE2\x82\r", u"\uFFFD\uFFFD\r"},
        {"\xC0\x80 \xC1\xBF", u"\uFFFD\uFFFD \uFFFD\uFFFD"},   // overlong forms
        {"\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD"},
        {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},               // an encoded surrogate
        {"\xF4\x90\x80\x80 \xF5\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD \uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\x80\xBF\xFE\xFF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", u"\xD83D\xDE00\xDBFF\xDFFF"},
        {"\xEF\xBF\xBF\xED\x9F\xBF\xEE\x80\x80\xDF\xBF\xC2\x80", u"\uFFFF\uD7FF\uE000\u07FF\u0080"},
        {std::string("\0", 1), Text(1, u'\0')},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(DecodeIndexFile(kUtf8Mark + bytes).text, text) << bytes;
}

TEST(IndexFileReader, DescriptionLinesPairWithTheNextPageLine) {
    std::vector<std::string> pairs;
    const IndexFilePairHandler collect = [&](Text d, Text p) { pairs.push_back(TextToAscii(d) + "/" + TextToAscii(p)); };
    Text pending = u"carried";
    for (const Text& line : {Text(u"<Page>1</Page>"), Text(u"<Page>2</Page>"), Text(u"<Description>a</Description>"),
                             Text(u"<Other>x</Other>"), Text(u"</Index>"), Text(u"  <Page>&amp;3</Page>"),
                             Text(u"<Description>b</Description>"), Text(u"<Description>c</Description>"),
                             Text(u"x<Page>4</Page>"), Text(u"<Page>4</Page>"), Text(u"<Description>left</Description>")})
        PairIndexFileLine(line, pending, collect);
    EXPECT_EQ(pairs, (std::vector<std::string>{"carried/1", "/2", "a/&3", "c/4"}));
    EXPECT_EQ(pending, u"left");
    // A bad value ends the reading whatever its tag, and leaves the pending description.
    EXPECT_EQ(ErrorNumberOf([&] { PairIndexFileLine(u"<Other>&#300;</Other>", pending, collect); }), kErrorInvalidArgument);
    EXPECT_EQ(ErrorNumberOf([&] { PairIndexFileLine(u"<Page>&#300;</Page>", pending, collect); }), kErrorInvalidArgument);
    EXPECT_EQ(pending, u"left");
    EXPECT_EQ(pairs.size(), 4u);

    TempFolder folder;
    WriteBytes(folder / "pairs.xml", "\xEF\xBB\xBF<Page>5</Page>\n  <Description>d</Description>\n<Page>6</Page>\n");
    ReadIndexFilePairs(folder / "pairs.xml", pending, collect);
    EXPECT_EQ(pairs, (std::vector<std::string>{"carried/1", "/2", "a/&3", "c/4", "left/5", "d/6"}));
    EXPECT_EQ(pending, u"");
}

TEST(IndexFileReader, EachLineComesWithItsNumber) {
    TempFolder folder;
    WriteBytes(folder / "numbered.xml", "\xFE\xFF" + Utf16Of(u"<a>\n\n  <b>\n", true));
    std::vector<std::string> lines;
    EXPECT_EQ(ReadIndexFileLines(folder / "numbered.xml",
                                 [&](TextView line, size_t number) {
                                     lines.push_back(std::to_string(number) + ":" + TextToAscii(line));
                                 }),
              IndexFileEncoding::kUtf16BigEndian);
    EXPECT_EQ(lines, (std::vector<std::string>{"1:<a>", "2:", "3:  <b>"}));
    EXPECT_NE(ErrorNumberOf([&] { ReadIndexFileLines(folder / "missing.xml", [](TextView, size_t) {}); }), 0);
}

// A file read into a room kept from a larger one gives its own bytes only. (Loads through the
// kept room, larger and smaller files in turn, are ThreadsReadIntoRoomsOfTheirOwn's.)
TEST(IndexFileReader, ARoomKeptFromALargerFileHoldsOnlyTheNextFilesBytes) {
    TempFolder folder;
    const Text large = folder / "large.xml", small = folder / "small.xml";
    WriteBytes(large, std::string(5000, 'x') + "\r\n<Page>9</Page>\r\n");
    WriteBytes(small, "<Page>1</Page>");
    // The bytes begin at a 64-byte boundary of the room's storage, reused where large enough.
    std::string room(6000, 'y');
    const char* const storage = room.data();
    const std::string_view bytes = platform::ReadFileInto(small, room);
    EXPECT_EQ(bytes, "<Page>1</Page>");
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes.data()) % 64, 0u);
    EXPECT_TRUE(bytes.data() >= storage && bytes.data() + bytes.size() <= storage + room.capacity()) << "in the room";
    EXPECT_EQ(platform::ReadFileInto(large, room), ReadBytes(large));
}

// Loads on several threads at once: each reads into a room of its own, kept for its next read,
// and gives it back with its record when it ends (here it does so itself, as a Windows
// program has no notice of a thread's end).
TEST(IndexFileReader, ThreadsReadIntoRoomsOfTheirOwnAndGiveThemBack) {
    TempFolder folder;
    constexpr int kThreads = 4;
    std::vector<Text> paths;
    for (int t = 0; t < kThreads; ++t) {
        paths.push_back(folder / ("thread" + std::to_string(t) + ".xml"));
        std::string bytes;
        for (int row = 0; row < 50 * (t + 1); ++row) bytes += "<Page>" + std::to_string(t) + "</Page>\r\n";
        WriteBytes(paths.back(), bytes);
    }
    const size_t held = platform::CountThreadData().held;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&paths, t] {
            for (int round = 0; round < 30; ++round) {
                const int file = round % 2 == 0 ? t : (t + round) % kThreads;  // larger and smaller in turn
                size_t lines = 0;
                ReadIndexFileLines(paths[file], [&](TextView line, size_t) {
                    lines += line == u"<Page>" + DecimalText(file) + u"</Page>";
                });
                EXPECT_EQ(lines, 50u * (file + 1)) << "thread " << t << ", file " << file;
            }
            platform::ReleaseThreadData();
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(platform::CountThreadData().held, held);
}

// --- Run again in a double-byte ANSI code page under Wine (see tests/CMakeLists.txt) ---

// Every kind of value Save writes, in this code page: the file loads the rows it always did.
TEST(IndexFileInAnyCodePage, FilesTheLibrariesWroteLoadAsBefore) {
    TempFolder folder;
    std::vector<Text> values = {u"AT&T <b> \"q\" 'a' ~", u"two\r\nlines", u"lone\nLF", u"lone\rCR", u"end\r  ",
                                u"\r", u"\r\n", u"\t<Page>x</Page>", u"  spaced  ", u"&#x41; &#65; [[--CRLF-]]", u""};
    // Characters above 126: single bytes and double-byte characters where the code page has
    // them, and characters it lacks (saved as "?").
    for (const Text& c : {Text(u"\u00E9"), Text(u"\u20AC"), Text(u"\u0178\u00FF\x7F\u00A0"), Text(u"\uFF71"),
                          Text(u"\u4E2D\u6587"), Text(u"\u71FF\uFF10"), Text(u"\u00C3\u00A9"), Text(u"\u0141"),
                          Text(u"\xD83D\xDE00"), Text(u"\u3042\r\n\u3044")})
        values.push_back(u"x" + c + u"y");
    Entry entry, few;
    for (size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(entry.Store(u"d" + DecimalText(100 + i) + values[i], values[i]), u"d" + DecimalText(100 + i) + values[i]);
    // Characters that 932 writes as bytes that also form UTF-8, alone in their file: one that
    // took its element lines for UTF-8 would load other characters.
    few.Store(u"x\u71FF\uFF10y", u"1");
    few.Store(u"z", u"\u71FF\uFF10");
    // A name whose bytes in Windows-1252 form UTF-8: it stands in a header comment. (Wine run
    // in code page 932 without the host's Japanese locale cannot name files outside ASCII.)
    const Text path = folder / (platform::AnsiCodePageIsSingleByte() ? "Caf\u00C3\u00A9.xml" : "index.xml");
    ASSERT_EQ(entry.Save(path).substr(0, Build::kSavedText.size()), Build::kSavedText);
    ASSERT_EQ(few.Save(folder / "few.xml").substr(0, Build::kSavedText.size()), Build::kSavedText);
    const std::string saved = ReadBytes(path), fewSaved = ReadBytes(folder / "few.xml");
    if (std::getenv("FOLIO_CODE_PAGE_932")) {
        ASSERT_EQ(platform::AnsiCodeOf(u'\u71FF'), static_cast<int16_t>(0xE0A0));
    }
    if (platform::AnsiCodeOf(u'\u71FF') == static_cast<int16_t>(0xE0A0)) {
        EXPECT_NE(fewSaved.find("x\xE0\xA0\x82\x4Fy</Description>"), std::string::npos);
        EXPECT_NE(saved.find("x\xE0\xA0\x82\x4Fy</Description>"), std::string::npos);
    }
    // Older versions wrote a lone CR as it is, which cut the value there.
    std::string older = saved;
    for (size_t at; (at = older.find("&#0013;")) != std::string::npos;) {
        const bool pair = older.compare(at + 7, 7, "&#0010;") == 0;
        older.replace(at, pair ? 14 : 7, pair ? "[[--CRLF--]]" : "\r");
    }
    for (const std::string& bytes : {saved, older, fewSaved}) {
        const std::vector<Text> before = RowsAsReadBefore(bytes);
        ASSERT_GE(before.size(), 2u);
        const std::vector<Text> loaded = LoadedRows(folder, bytes);
        EXPECT_EQ(loaded[0], u"Load " + DecimalText(before.size()) + kLoaded);
        EXPECT_EQ(std::vector<Text>(loaded.begin() + 1, loaded.end()), before);
    }
    EXPECT_EQ(RowsAsReadBefore(saved).size(), values.size());
}

TEST(IndexFileInAnyCodePage, MarkedFilesLoadEveryCharacter) {
    TempFolder folder;
    const Text text = u"<Description>Caf\u00E9 \u4E2D\u6587 \xD83D\xDE00 \u3042\u71FF &#0065;</Description>\n"
                      u"  <Page>\u00BD \uFF71</Page>\n";
    const std::vector<Text> expected = {u"Load 1" + kLoaded, u"Caf\u00E9 \u4E2D\u6587 \xD83D\xDE00 \u3042\u71FF A/\u00BD \uFF71"};
    EXPECT_EQ(LoadedRows(folder, kUtf8Mark + Utf8Of(text)), expected);
    EXPECT_EQ(LoadedRows(folder, "\xFF\xFE" + Utf16Of(text, false)), expected);
    EXPECT_EQ(LoadedRows(folder, "\xFE\xFF" + Utf16Of(text, true)), expected);
    // Saved again, each character the code page has comes back, the others as "?".
    WriteBytes(folder / "marked.xml", kUtf8Mark + Utf8Of(text));
    Entry entry;
    entry.NewFile(folder / "marked.xml");
    entry.Save(folder / "saved.xml");
    Entry reloaded;
    reloaded.NewFile(folder / "saved.xml");
    const Text d = entry.FetchDescription(0), p = entry.FetchPage(0);
    EXPECT_EQ(Rows(reloaded), std::vector<Text>{platform::FromAnsi(platform::ToAnsi(d)) + u"/" +
                                                platform::FromAnsi(platform::ToAnsi(p))});
}

// Without a mark, only a single-byte code page lets UTF-8 in element lines decide; bytes in
// comments and in lines that are not read for a tag play no part.
TEST(IndexFileInAnyCodePage, Utf8WithoutAMarkIsReadAsUtf8OnlyInSingleByteCodePages) {
    TempFolder folder;
    const std::string header = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!-- File C:\\Caf\xE9.xml -->\r\n"
                               "stray text \xE9\r\n<IndexDoc>\r\n";
    const std::string cafe = "Caf\xC3\xA9", chinese = Utf8Of(u"\u4E2D\u6587");
    const std::string utf8 = header + "<Description>" + cafe + "</Description>\r\n<Page>" + chinese + "</Page>\r\n";
    const bool single = platform::AnsiCodePageIsSingleByte();
    EXPECT_EQ(DecodeIndexFile(utf8).encoding, single ? IndexFileEncoding::kUtf8 : IndexFileEncoding::kAnsi);
    std::vector<Text> expected = {u"Load 1" + kLoaded};
    if (single) {
        expected.push_back(u"Caf\u00E9/\u4E2D\u6587");
    } else {
        const std::vector<Text> before = RowsAsReadBefore(utf8);
        expected.insert(expected.end(), before.begin(), before.end());
    }
    EXPECT_EQ(LoadedRows(folder, utf8), expected);
    // One element line that is not UTF-8 (here an ANSI "é") and the file is ANSI throughout.
    const std::string mixed = utf8 + "<Description>Caf\xE9</Description>\r\n<Page>2</Page>\r\n";
    EXPECT_EQ(DecodeIndexFile(mixed).encoding, IndexFileEncoding::kAnsi);
    const std::vector<Text> before = RowsAsReadBefore(mixed), loaded = LoadedRows(folder, mixed);
    EXPECT_EQ(loaded[0], u"Load 2" + kLoaded);
    EXPECT_EQ(std::vector<Text>(loaded.begin() + 1, loaded.end()), before);
    if (single) {
        EXPECT_EQ(before[0].substr(0, 5), u"Caf" + platform::FromAnsi("\xC3\xA9"));  // "CafÃ©"
    }
    EXPECT_EQ(DecodeIndexFile(" \t<Page>" + chinese + "</Page>\n").encoding,
              single ? IndexFileEncoding::kUtf8 : IndexFileEncoding::kAnsi);
    // High bytes outside the element lines alone change nothing.
    EXPECT_EQ(DecodeIndexFile(header + "<Page>1</Page>\r\n").encoding, IndexFileEncoding::kAnsi);
    EXPECT_EQ(DecodeIndexFile("<!-- " + cafe + " -->\r\n<Page>1</Page>\r\n").encoding, IndexFileEncoding::kAnsi);
}

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

// A file read a piece at a time gives the lines of its whole text, whatever the size of the
// pieces: lines longer than a piece, a CR at a piece's end and its LF in the next, characters
// of two bytes (where the code page has them) before a line end, in every encoding.
void ExpectPiecesGiveTheLinesOfTheWholeText() {
    const auto numbered = [](TextView line, size_t number) { return DecimalText(static_cast<int64_t>(number)) + u":" + Text(line); };
    std::vector<std::string> files = {std::string("\x81\r\n\x81\x40\r\x81", 7)};  // lead bytes before line ends
    // Lines of every length to 70, so that their ends fall at every place of the reader's masks
    // of 32 units, some with a lone LF inside, ending in CR LF or a lone CR.
    Text lengths;
    for (size_t n = 0; n <= 70; ++n) {
        Text line(n, u'x');
        if (n % 7 == 3) line[n / 2] = u'\n';
        lengths += line + (n % 2 == 0 ? u"\r\n" : u"\r");
    }
    for (const Text& text : {lengths,Text(u"<?xml?>\r\n<D>\u4E2D\u6587 \u00E9</D>\r\n\r\n<P>1\n2</P>\r<Q>") + Text(40, u'x') +
                                 u"</Q>\r\n\t\u4E2D\r\nend",
                             Text(u"a\n\n<D>\u4E2D</D>\nlast\n")}) {
        files.push_back(platform::ToAnsi(text));
        files.push_back(kUtf8Mark + Utf8Of(text));
        files.push_back("\xFF\xFE" + Utf16Of(text, false) + "x");  // and a last byte without its partner
        files.push_back("\xFE\xFF" + Utf16Of(text, true));
    }
    for (const std::string& bytes : files) {
        const IndexFileText whole = DecodeIndexFile(bytes);
        std::vector<Text> expected;
        ForEachIndexFileLine(whole.text, [&](TextView line, size_t number) { expected.push_back(numbered(line, number)); });
        for (const size_t piece : {size_t{1}, size_t{2}, size_t{3}, size_t{5}, size_t{8}, size_t{13}, IndexFileLineReader::kPieceBytes}) {
            IndexFileLineReader reader(bytes, piece);
            std::vector<Text> lines;
            TextView line;
            for (size_t number; reader.Next(line, number);) lines.push_back(numbered(line, number));
            EXPECT_EQ(lines, expected) << "pieces of " << piece << " bytes of " << bytes;
            EXPECT_EQ(reader.Encoding(), whole.encoding);
        }
    }
}

TEST(IndexFileInAnyCodePage, AFileReadInPiecesGivesTheLinesOfItsWholeText) { ExpectPiecesGiveTheLinesOfTheWholeText(); }

#ifndef _WIN32
// Natively, in a double-byte code page too (under Wine, the tests above run in code page 932).
TEST(IndexFileReader, AFileReadInPiecesGivesTheLinesOfItsWholeTextInADoubleByteCodePage) {
    ASSERT_EQ(platform::UseAnsiCodePage("932"), u"");
    ExpectPiecesGiveTheLinesOfTheWholeText();
    ASSERT_EQ(platform::UseAnsiCodePage("windows-1252"), u"");
}
#endif

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
    // A NewFile that reads no file leaves an empty table in a new object's order: the order
    // of the file read before goes with its rows.
    second.NewFile(swedishFile);
    EXPECT_EQ(second.NewFile(folder / "missing.xml"), u"UFL Error: Cannot find file=" + (folder / "missing.xml"));
    EXPECT_EQ(second.Order(), u"ordinal");
    second.NewFile(swedishFile);
    second.NewFile(u"");
    EXPECT_EQ(second.Order(), u"ordinal");

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
