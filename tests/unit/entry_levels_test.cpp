// Levels and sort keys of one deliverable (compiled for each): the rules a designer cannot see
// in the reference's case tables, which the com tests run in both libraries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/build.h"
#include "core/error.h"
#include "entry/entry.h"
#include "entry/index_file_reader.h"
#include "entry/levels.h"
#include "test_files.h"
#include "test_text.h"

namespace {

constexpr bool kSorted = Build::kSorted;
using Texts = std::vector<Text>;

Texts Descriptions(const Entry& entry) {
    Texts all;
    for (int16_t i = 0; i < entry.Count(); ++i) all.push_back(entry.FetchDescription(i));
    return all;
}

}  // namespace

TEST(Levels, PathsAreReadLevelByLevel) {
    struct Case {
        const char16_t* description;
        const char16_t* separator;
        bool path;
        int16_t level;
        const char16_t* label;
        const char16_t* parent;  // nullptr: none
    };
    const Case cases[] = {
        {u"lake>oxbow", u">", true, 2, u"oxbow", u"lake"},
        {u"a>b>c", u">", true, 3, u"c", u"a>b"},
        {u"lake", u">", true, 1, u"lake", nullptr},
        {u"lake>oxbow", u"", true, 1, u"lake>oxbow", nullptr},
        {u"a -- b -- c", u" -- ", true, 3, u"c", u"a -- b"},
        {u"a---b", u"--", true, 2, u"-b", u"a"},  // the first separator from the left
        {u">oxbow", u">", false, 1, u">oxbow", nullptr},
        {u"lake>", u">", false, 1, u"lake>", nullptr},
        {u"lake>>oxbow", u">", false, 1, u"lake>>oxbow", nullptr},
        {u"", u">", false, 1, u"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(TextToAscii(c.description));
        EXPECT_EQ(IsPath(c.description, c.separator), c.path);
        EXPECT_EQ(LevelOf(c.description, c.separator), c.level);
        EXPECT_EQ(LabelOf(c.description, c.separator), TextView(c.label));
        const auto parent = ParentPath(c.description, c.separator);
        EXPECT_EQ(parent.has_value(), c.parent != nullptr);
        if (parent && c.parent) {
            EXPECT_EQ(*parent, TextView(c.parent));
        }
    }
    EXPECT_EQ(WithSeparator(u"lake>oxbow>bend", u">", u" / "), u"lake / oxbow / bend");
    EXPECT_EQ(WithSeparator(u"lake>oxbow", u">", u""), u"lake>oxbow");
    EXPECT_EQ(WithSeparator(u"lake>>oxbow", u">", u"/"), u"lake>>oxbow");
}

// Keystack orders level by level, every row right after its parent; Pagestack keeps each row
// in its parent's block, in the order first stored. Whatever order the calls come in.
TEST(Levels, EveryRowStandsUnderItsParent) {
    const Texts stored = {u"lakebed", u"lake>oxbow", u"lake district", u"lake>kettle", u"lake", u"2025>January",
                          u"2024>March", u"2024>January", u"Lake>Oxbow>bend"};
    Entry entry;
    EXPECT_EQ(entry.SetLevels(u">"), u">");
    for (const Text& d : stored) ASSERT_EQ(entry.Store(d, u"1"), d);
    const Texts sorted = {u"2024", u"2024>January", u"2024>March", u"2025", u"2025>January", u"Lake",
                          u"Lake>Oxbow", u"Lake>Oxbow>bend", u"lake", u"lake>kettle", u"lake>oxbow",
                          u"lake district", u"lakebed"};
    const Texts inOrder = {u"lakebed", u"lake", u"lake>oxbow", u"lake>kettle", u"lake district", u"2025",
                           u"2025>January", u"2024", u"2024>March", u"2024>January", u"Lake", u"Lake>Oxbow",
                           u"Lake>Oxbow>bend"};
    EXPECT_EQ(Descriptions(entry), kSorted ? sorted : inOrder);
    if (kSorted) {
        entry.SetOrder(u"text:en-US");
        EXPECT_EQ(Descriptions(entry),
                  (Texts{u"2024", u"2024>January", u"2024>March", u"2025", u"2025>January", u"Lake", u"Lake>Oxbow",
                         u"Lake>Oxbow>bend", u"lake", u"lake>kettle", u"lake>oxbow", u"lake district", u"lakebed"}));
    }
    // Levels off: every row stays, each one level; Keystack sorts them as descriptions again
    // (in text order, "lake district" comes before "Lake>Oxbow").
    EXPECT_EQ(entry.SetLevels(u""), u"");
    EXPECT_EQ(entry.Count(), 13);
    EXPECT_EQ(entry.FetchLevel(1), 1);
    if (kSorted) {
        EXPECT_EQ(entry.FetchDescription(7), u"lake district");
    } else {
        EXPECT_EQ(Descriptions(entry), inOrder);
    }
}

// A Store, AddPage or SetLevels that needs more rows than the table has room for adds none.
TEST(Levels, RowsAboveARowNeedRoomToo) {
    Entry entry;
    entry.SetLevels(u"/");
    for (int i = 0; i < Entry::kStoreLimit - 2; ++i) entry.Store(u"t" + DecimalText(10000 + i), u"1");
    EXPECT_EQ(entry.Store(u"a/b/c", u"1"), Text(Build::kTableFullText));  // three rows, room for two
    EXPECT_EQ(entry.AddPage(u"a/b/c", u"1"), Text(Build::kTableFullText));
    EXPECT_EQ(entry.Count(), Entry::kStoreLimit - 2);
    EXPECT_EQ(entry.Store(u"a/b", u"1"), u"a/b");
    EXPECT_EQ(entry.Count(), Entry::kStoreLimit);

    // Read again with another separator, the rows need parents the table has no room for.
    Entry other;
    for (int i = 0; i < Entry::kStoreLimit - 1; ++i) other.Store(u"t" + DecimalText(10000 + i), u"1");
    other.Store(u"x:y:z", u"1");
    const Texts before = Descriptions(other);
    try {
        other.SetLevels(u":");
        ADD_FAILURE() << "SetLevels made room it does not have";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.Number(), kErrorOverflow);
    }
    EXPECT_EQ(other.Levels(), u"");
    EXPECT_EQ(Descriptions(other), before);
}

// SetLevels reads the rows held again: the rows above them are added (empty pages), Pagestack
// moves each under its parent, and a description with an empty level stays one level.
TEST(Levels, SetLevelsOnAFilledTableAddsTheRowsAbove) {
    Entry entry;
    for (const char16_t* d : {u"2024/May", u"2023", u"2024/April", u"/odd", u"2023/June"}) entry.Store(d, u"7");
    EXPECT_EQ(entry.SetLevels(u"/"), u"/");
    const Texts sorted = {u"/odd", u"2023", u"2023/June", u"2024", u"2024/April", u"2024/May"};
    const Texts inOrder = {u"2024", u"2024/May", u"2024/April", u"2023", u"2023/June", u"/odd"};
    EXPECT_EQ(Descriptions(entry), kSorted ? sorted : inOrder);
    EXPECT_EQ(entry.FindPage(u"2024"), u"");   // added, without a page
    EXPECT_EQ(entry.FindPage(u"2023"), u"7");  // held already: keeps its page
    EXPECT_EQ(entry.FetchLevel(kSorted ? 0 : 5), 1);  // "/odd": one level, as it stands
    EXPECT_EQ(entry.FetchLabel(kSorted ? 0 : 5), u"/odd");
    EXPECT_EQ(entry.Store(u"/odd", u"8"), u"ERROR: Description cannot be blank");  // but no new one
}

TEST(SortKeys, ARowMovesWithEveryRowBeneathIt) {
    Entry entry;
    entry.SetLevels(u">");
    for (const char16_t* d : {u"The Hague>Scheveningen", u"Hamburg", u"Amsterdam", u"The Hague"})
        entry.Store(d, u"1");
    if (!kSorted) return;  // Pagestack refuses a sort key (the reference's cases)
    EXPECT_EQ(entry.SortAs(u"The Hague", u"Hague"), u"The Hague");
    EXPECT_EQ(Descriptions(entry), (Texts{u"Amsterdam", u"The Hague", u"The Hague>Scheveningen", u"Hamburg"}));
    EXPECT_EQ(entry.FetchGroup(2), u"H");
    // Equal keys: the texts decide, so the order stays total.
    entry.Store(u"Hague", u"2");
    EXPECT_EQ(entry.FetchDescription(1), u"Hague");
    // Store and AddPage of a held description keep its key; an empty key takes it away.
    entry.Store(u"The Hague", u"9");
    entry.AddPage(u"The Hague", u"10");
    EXPECT_EQ(entry.FetchSortKey(2), u"Hague");
    EXPECT_EQ(entry.SortAs(u"Nowhere", u"x"), u"");
    EXPECT_EQ(entry.Count(), 5);
    EXPECT_EQ(entry.SortAs(u"The Hague", u""), u"The Hague");
    EXPECT_EQ(Descriptions(entry), (Texts{u"Amsterdam", u"Hague", u"Hamburg", u"The Hague", u"The Hague>Scheveningen"}));
    // A sort key of a level below: within its parent's block.
    entry.Store(u"Hamburg>Altona", u"3");
    entry.Store(u"Hamburg>Bergedorf", u"3");
    entry.SortAs(u"Hamburg>Bergedorf", u"Aa");
    EXPECT_EQ(entry.FetchDescription(3), u"Hamburg>Bergedorf");
    // In text order the key sorts as the order does; Clear takes every key away.
    entry.SetOrder(u"text:en-US");
    entry.SortAs(u"The Hague", u"hague");
    EXPECT_EQ(entry.FetchDescription(1), u"Hague");
    EXPECT_EQ(entry.FetchDescription(2), u"The Hague");
    entry.Clear();
    entry.Store(u"The Hague", u"1");
    EXPECT_EQ(entry.FetchSortKey(0), u"");
}

// --- The index file remembers levels and sort keys ---

namespace {

std::string ReadAll(const Text& path) { return ReadBytes(path); }

}  // namespace

// The separator on the root element, escaped as values are; a sort key on a line of its own
// after its row's Page line, which earlier loaders skip: they still load every row with its page.
TEST(LevelsFile, SaveRecordsTheSeparatorAndEachSortKey) {
    TempFolder folder;
    Entry entry;
    entry.SetLevels(u"<&>");
    entry.Store(u"lake<&>oxbow", u"5");
    entry.Store(u"The Hague", u"9");
    if (kSorted) entry.SortAs(u"The Hague", u"Hague");
    const Text path = folder / "levels.xml";
    ASSERT_EQ(entry.Save(path).substr(0, Build::kSavedText.size()), Build::kSavedText);
    const std::string bytes = ReadAll(path);
    const std::string root = "<" + TextToAscii(Build::kRootElement) + " levels=\"&lt;&amp;&gt;\">\r\n";
    EXPECT_NE(bytes.find(root), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("<Description>lake&lt;&amp;&gt;oxbow</Description>\r\n<Page>5</Page>\r\n"), std::string::npos);
    const std::string hague = "<Description>The Hague</Description>\r\n<Page>9</Page>\r\n";
    EXPECT_NE(bytes.find(kSorted ? hague + "<SortKey>Hague</SortKey>\r\n" : hague), std::string::npos);
    // As loaders that know neither read it: every row, with its page.
    Texts pairs;
    Text pending;
    ReadIndexFilePairs(path, pending, [&](Text d, Text p) { pairs.push_back(d + u"/" + p); });
    EXPECT_EQ(pairs, kSorted ? (Texts{u"The Hague/9", u"lake/", u"lake<&>oxbow/5"})   // "Hague" < "lake"
                             : (Texts{u"lake/", u"lake<&>oxbow/5", u"The Hague/9"}));

    // A new object takes the file's separator and keys; one whose SetLevels chose keeps its own,
    // and reads the file's paths with the file's separator.
    Entry back;
    EXPECT_EQ(back.NewFile(path), u"Load 3" + Text(Build::kLoadedText));
    EXPECT_EQ(back.Levels(), u"<&>");
    EXPECT_EQ(back.FetchLevel(kSorted ? 2 : 1), 2);
    if (kSorted) {
        EXPECT_EQ(back.FetchSortKey(0), u"Hague");
    }
    Entry slashes;
    slashes.SetLevels(u"/");
    slashes.NewFile(path);
    EXPECT_EQ(slashes.Levels(), u"/");
    EXPECT_EQ(slashes.FindPage(u"lake/oxbow"), u"5");
    EXPECT_EQ(slashes.AppendPages(path, 10), u"Append 3" + Text(Build::kLoadedText));
    EXPECT_EQ(slashes.FindPage(u"lake/oxbow"), u"5, 15");
    // Saved again without levels and keys, the file is what it always was.
    Entry flat;
    flat.Store(u"lake", u"1");
    flat.Save(path);
    EXPECT_NE(ReadAll(path).find("<" + TextToAscii(Build::kRootElement) + ">\r\n"), std::string::npos);
    Entry plain;
    plain.NewFile(path);
    EXPECT_EQ(plain.Levels(), u"");
}
