// The index table of one deliverable: this file is compiled once for Keystack and once for
// Pagestack, and checks each against its own rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/build.h"
#include "core/error.h"
#include "entry/entry.h"
#include "platform/text_order.h"
#include "test_locale.h"
#include "test_text.h"

namespace {

constexpr bool kSorted = Build::kSorted;
using Texts = std::vector<Text>;

// The rows in use, as "description/page" items.
std::vector<Text> Rows(const Entry& entry) {
    std::vector<Text> rows;
    for (int16_t i = 0; i < entry.Count(); ++i)
        rows.push_back(entry.FetchDescription(i) + u"/" + entry.FetchPage(i));
    return rows;
}

// The description of SetOrder's refusal, and its number (0 when it did not refuse).
std::pair<int32_t, Text> Refusal(Entry& entry, const Text& order) {
    try {
        entry.SetOrder(order);
    } catch (const AutomationError& e) {
        return {e.Number(), e.Description()};
    }
    return {0, Text()};
}

std::vector<Text> Descriptions(const Entry& entry) {
    std::vector<Text> descriptions;
    for (int16_t i = 0; i < entry.Count(); ++i) descriptions.push_back(entry.FetchDescription(i));
    return descriptions;
}

Text Numbered(int n) {
    Text digits = DecimalText(n);
    return u"Item " + Text(5 - digits.size(), u'0') + digits;  // sorts in numeric order
}

}  // namespace

TEST(EntryTable, StoreOrdersRowsByTheBuildsRule) {
    Entry entry;
    EXPECT_EQ(entry.Store(u"b", u"1"), u"b");
    EXPECT_EQ(entry.Store(u"a", u"2"), u"a");
    EXPECT_EQ(entry.Store(u"c", u"3"), u"c");
    EXPECT_EQ(Rows(entry), (kSorted ? Texts{u"a/2", u"b/1", u"c/3"} : Texts{u"b/1", u"a/2", u"c/3"}));
    EXPECT_EQ(entry.Store(u"a", u"7"), u"a");
    EXPECT_EQ(entry.Count(), 3);
    EXPECT_EQ(Rows(entry), (kSorted ? Texts{u"a/7", u"b/1", u"c/3"} : Texts{u"b/1", u"a/7", u"c/3"}));

    Entry cased;
    cased.Store(u"a", u"1");
    cased.Store(u"B", u"2");
    cased.Store(u"A", u"3");
    EXPECT_EQ(Rows(cased), (kSorted ? Texts{u"A/3", u"B/2", u"a/1"} : Texts{u"a/1", u"B/2", u"A/3"}));
}

TEST(EntryTable, KeystackSortsOrdinallyByUnit) {
    if (!kSorted) GTEST_SKIP() << "Pagestack keeps the order of storing";
    Entry entry;
    for (const Text& d : {Text(u"apple"), Text(u"Zebra"), Text(u"Item 9"), Text(u"Item 10"),
                         Text(u"Apples"), Text(u"Apple"), Text(u"\u00E9clair"), Text(u" lead")})
        EXPECT_EQ(entry.Store(d, u"1"), d);
    const std::vector<Text> expected = {u" lead/1", u"Apple/1", u"Apples/1", u"Item 10/1",
                                        u"Item 9/1", u"Zebra/1", u"apple/1", u"\u00E9clair/1"};
    EXPECT_EQ(Rows(entry), expected);
}

TEST(EntryTable, BlankDescriptionIsRefusedAndEmptyPageKept) {
    Entry entry;
    EXPECT_EQ(entry.Store(u"", u"4"), u"ERROR: Description cannot be blank");
    EXPECT_EQ(entry.Count(), 0);
    EXPECT_EQ(entry.Store(u"x", u""), u"x");
    EXPECT_EQ(entry.Count(), 1);
    EXPECT_EQ(entry.FetchPage(0), u"");
    EXPECT_EQ(entry.Store(u"", u""), u"ERROR: Description cannot be blank");
    EXPECT_EQ(entry.Count(), 1);
}

TEST(EntryTable, FullTableRefusesNewDescriptionsButUpdatesPages) {
    Entry entry;
    // Even numbers only, so that new descriptions can fall before, between and after them.
    for (int i = 0; i < Entry::kStoreLimit; ++i) ASSERT_EQ(entry.Store(Numbered(2 * i + 2), u"p"), Numbered(2 * i + 2));
    EXPECT_EQ(entry.Count(), 8000);
    const Text refusal = kSorted ? u"No more index entries may be added" : u"No More contents may be added";
    for (int n : {1, 3, 7777, 99999}) EXPECT_EQ(entry.Store(Numbered(n), u"q"), refusal);
    EXPECT_EQ(entry.Count(), 8000);
    EXPECT_EQ(entry.Store(Numbered(4000), u"new page"), Numbered(4000));
    EXPECT_EQ(entry.Count(), 8000);
    EXPECT_EQ(entry.FetchPage(1999), u"new page");  // row 1999 holds 4000 in both orders
    EXPECT_EQ(entry.FetchDescription(7999), Numbered(16000));
    EXPECT_EQ(entry.FetchDescription(8000), u"");
}

TEST(EntryTable, KeystackInsertionsAnywhereKeepEveryRow) {
    if (!kSorted) GTEST_SKIP() << "Pagestack appends";
    Entry entry;
    // Descending order makes every insertion shift all rows: each must move, none be lost.
    for (int i = 3000; i >= 1; --i) entry.Store(Numbered(i), DecimalText(i));
    ASSERT_EQ(entry.Count(), 3000);
    for (int16_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(entry.FetchDescription(i), Numbered(i + 1));
        ASSERT_EQ(entry.FetchPage(i), DecimalText(i + 1));
    }

    // After Clear the rows are taken again in another order, up to a full table; each entry
    // keeps its own page wherever its row lies.
    entry.Clear();
    for (int k = 0; k < Entry::kStoreLimit; ++k) {
        const int n = (k * 7919) % Entry::kStoreLimit;
        ASSERT_EQ(entry.Store(Numbered(n), DecimalText(n)), Numbered(n));
    }
    ASSERT_EQ(entry.Count(), Entry::kStoreLimit);
    EXPECT_EQ(entry.Store(Numbered(99999), u"x"), u"No more index entries may be added");
    EXPECT_EQ(entry.Store(Numbered(1234), u"updated"), Numbered(1234));
    for (int16_t i = 0; i < Entry::kStoreLimit; ++i) {
        ASSERT_EQ(entry.FetchDescription(i), Numbered(i));
        ASSERT_EQ(entry.FetchPage(i), i == 1234 ? Text(u"updated") : DecimalText(i));
    }
    EXPECT_EQ(entry.FetchDescription(Entry::kStoreLimit), u"");

    entry.Clear();
    for (const Text& d : {Text(u"m"), Text(u"z"), Text(u"a"), Text(u"q")}) entry.Store(d, d);
    EXPECT_EQ(Rows(entry), (Texts{u"a/a", u"m/m", u"q/q", u"z/z"}));
    EXPECT_EQ(entry.FetchDescription(4), u"");
}

TEST(EntryTable, FetchOutsideTheRowsInUseIsEmpty) {
    Entry entry;
    for (const Text& d : {Text(u"a"), Text(u"b"), Text(u"c"), Text(u"d"), Text(u"e")}) entry.Store(d, d + u"!");
    EXPECT_EQ(entry.FetchDescription(0), u"a");
    EXPECT_EQ(entry.FetchPage(0), u"a!");
    EXPECT_EQ(entry.FetchDescription(-1), u"");
    EXPECT_EQ(entry.FetchPage(-32768), u"");
    EXPECT_EQ(entry.FetchDescription(5), u"");
    EXPECT_EQ(entry.FetchDescription(32767), u"");

    EXPECT_EQ(entry.Clear(), kSorted ? u"Index Reset" : u"Table of Contents Reset");
    EXPECT_EQ(entry.Count(), 0);
    EXPECT_EQ(entry.FetchDescription(0), u"");
    for (const Text& d : {Text(u"x"), Text(u"y"), Text(u"z")}) entry.Store(d, u"1");
    EXPECT_EQ(entry.FetchDescription(3), u"");  // row 3 still holds "d", but is not in use
    EXPECT_EQ(entry.FetchPage(3), u"");
    EXPECT_EQ(Rows(entry), (std::vector<Text>{u"x/1", u"y/1", u"z/1"}));
}

TEST(EntryTable, MaxPageTakesTheGreatestNumericPage) {
    Entry entry;
    EXPECT_EQ(entry.MaxPage(), 0);
    entry.Store(u"p1", u"3");
    entry.Store(u"p2", u"x");
    entry.Store(u"p3", u"12");
    entry.Store(u"p4", u"");
    entry.Store(u"p5", u"-40");
    EXPECT_EQ(entry.MaxPage(), 12);

    Entry negative;
    negative.Store(u"a", u"-3");
    negative.Store(u"b", u"none");
    EXPECT_EQ(negative.MaxPage(), 0);

    Entry halves;
    halves.Store(u"a", u"2.5");
    EXPECT_EQ(halves.MaxPage(), 2);
    halves.Store(u"b", u"3.5");
    EXPECT_EQ(halves.MaxPage(), 4);
}

TEST(EntryTable, MaxPageRaisesOverflowAndKeepsTheTable) {
    Entry entry;
    entry.Store(u"a", u"7");
    entry.Store(u"b", u"40000");
    try {
        entry.MaxPage();
        FAIL() << "MaxPage returned for a page of 40000";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.Number(), kErrorOverflow);
        EXPECT_EQ(e.Description(), u"Overflow");
    }
    EXPECT_EQ(Rows(entry), (std::vector<Text>{u"a/7", u"b/40000"}));
}

TEST(EntryTable, ClearForgetsEveryDescription) {
    Entry entry;
    entry.Store(u"a", u"1");
    entry.Store(u"b", u"2");
    entry.Clear();
    EXPECT_EQ(entry.Store(u"b", u"3"), u"b");
    EXPECT_EQ(Rows(entry), (std::vector<Text>{u"b/3"}));
    EXPECT_EQ(entry.Store(u"a", u"4"), u"a");
    EXPECT_EQ(Rows(entry), (kSorted ? Texts{u"a/4", u"b/3"} : Texts{u"b/3", u"a/4"}));
}

TEST(EntryTable, AddPageOfANewDescriptionIsExactlyAStore) {
    Entry added, stored;
    // New descriptions in every position, a blank one, and an empty page.
    for (const Text& d : {Text(u"b"), Text(u"a"), Text(u"c"), Text(u""), Text(u"B"), Text(u"e")}) {
        const Text page = d == u"e" ? Text() : d + u"9, 3";  // a new row keeps its page as given
        EXPECT_EQ(added.AddPage(d, page), stored.Store(d, page));
    }
    EXPECT_EQ(added.AddPage(u"", u"1"), u"ERROR: Description cannot be blank");
    EXPECT_EQ(Rows(added), Rows(stored));
    EXPECT_EQ(added.FindPage(u"b"), u"b9, 3");

    // A full table refuses a new description with Store's text, and still merges known ones.
    Entry full;
    for (int i = 0; i < Entry::kStoreLimit; ++i) ASSERT_EQ(full.Store(Numbered(2 * i + 2), u"5"), Numbered(2 * i + 2));
    const Text refusal = kSorted ? u"No more index entries may be added" : u"No More contents may be added";
    for (int n : {1, 3, 99999}) EXPECT_EQ(full.AddPage(Numbered(n), u"6"), refusal);
    EXPECT_EQ(full.AddPage(Numbered(4000), u"6"), Numbered(4000));
    EXPECT_EQ(full.Count(), 8000);
    EXPECT_EQ(full.FetchPage(1999), u"5, 6");
    EXPECT_EQ(full.FindPage(Numbered(4000)), u"5, 6");
    EXPECT_EQ(full.FindPage(Numbered(16000)), u"5");
}

TEST(EntryTable, AddPageMergesIntoTheRowStoreWouldUpdateAndFindPageReadsIt) {
    Entry entry;
    EXPECT_EQ(entry.FindPage(u"peat"), u"");
    EXPECT_EQ(entry.AddPage(u"peat", u"34"), u"peat");
    EXPECT_EQ(entry.AddPage(u"sediment", u"44"), u"sediment");
    for (const Text& page : {Text(u"32"), Text(u"33"), Text(u"34"), Text(u"")})
        EXPECT_EQ(entry.AddPage(u"peat", page), u"peat");
    // Several pages in one PageNo are those pages.
    EXPECT_EQ(entry.AddPage(u"peat", u"33, 32"), u"peat");
    for (const Text& page : {Text(u"12"), Text(u"10"), Text(u"iv")}) entry.AddPage(u"sediment", page);
    EXPECT_EQ(entry.Count(), 2);
    EXPECT_EQ(Rows(entry), (std::vector<Text>{u"peat/32-34", u"sediment/10, 12, 44, iv"}));
    EXPECT_EQ(entry.FindPage(u"peat"), u"32-34");
    EXPECT_EQ(entry.FindPage(u"Peat"), u"");  // ordinal, as Store compares
    EXPECT_EQ(entry.FindPage(u""), u"");

    // Store still replaces the whole page, and a stored single page merges like a list.
    EXPECT_EQ(entry.Store(u"peat", u"3, 7-9"), u"peat");
    EXPECT_EQ(entry.FindPage(u"peat"), u"3, 7-9");
    entry.AddPage(u"peat", u"8");
    EXPECT_EQ(entry.FindPage(u"peat"), u"3, 7-9");
    entry.AddPage(u"peat", u"10");
    EXPECT_EQ(entry.FindPage(u"peat"), u"3, 7-10");
    EXPECT_EQ(entry.MaxPage(), 0);  // a list is no number: MaxPage reads single pages only
    // An empty page adds nothing and changes nothing: a page stored in any form keeps it.
    EXPECT_EQ(entry.Store(u"peat", u"iv, 3, 3"), u"peat");
    EXPECT_EQ(entry.AddPage(u"peat", u""), u"peat");
    EXPECT_EQ(entry.FindPage(u"peat"), u"iv, 3, 3");

    // After Clear the rows still hold their strings, but no description is found.
    entry.Clear();
    EXPECT_EQ(entry.FindPage(u"peat"), u"");
    EXPECT_EQ(entry.AddPage(u"peat", u"1"), u"peat");
    EXPECT_EQ(Rows(entry), (std::vector<Text>{u"peat/1"}));
}

TEST(EntryTable, AddPageRefusesAListThatSaveCouldNotWrite) {
    // Save writes "<Page>", the escaped list and the end tag on one line, and the end tag
    // must start within 32767 characters: the escaped list may hold 32760.
    const Text longPage(32750, u'x');
    Entry entry;
    entry.Store(u"t", longPage);
    EXPECT_EQ(entry.AddPage(u"t", u"1"), u"t");  // 32753
    // ", &a" escapes to 8 more: 32761, one character more than fits.
    EXPECT_EQ(ErrorNumberOf([&] { entry.AddPage(u"t", u"&a"); }), kErrorOverflow);
    EXPECT_EQ(entry.FindPage(u"t"), u"1, " + longPage);
    EXPECT_EQ(entry.AddPage(u"t", u"&"), u"t");  // 32756, escaped 32760: the longest that fits
    const Text atLimit = u"1, " + longPage + u", &";
    EXPECT_EQ(entry.FindPage(u"t"), atLimit);
    // An empty page at the limit is no change, so no refusal either.
    EXPECT_EQ(entry.AddPage(u"t", u""), u"t");
    EXPECT_EQ(ErrorNumberOf([&] { entry.AddPage(u"t", u"2"); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([&] { entry.AddPage(u"t", u"\u00E9"); }), kErrorOverflow);  // "&#0233;"
    EXPECT_EQ(entry.FindPage(u"t"), atLimit);  // the row keeps its list
    EXPECT_EQ(entry.AddPage(u"t", u"1"), u"t");  // nothing new: nothing refused
    EXPECT_EQ(entry.Count(), 1);
    // A new description is stored as Store stores it, whatever its length.
    EXPECT_EQ(entry.AddPage(u"u", longPage + longPage), u"u");
}

// --- The order of the rows: ordinal by default, a locale's text order by choice.

TEST(EntryOrder, TextOrderIgnoresCaseReadsNumbersAndKeepsAccentsAfterLetters) {
    if (!kSorted) GTEST_SKIP() << "Pagestack keeps the order of storing";
    Entry entry;
    EXPECT_EQ(entry.Order(), u"ordinal");
    const Texts stored = {u"apple", u"Zebra", u"Item 9", u"Item 10", u"Apples", u"Apple", u"\u00E9clair",
                          u"eclipse", u"lake", u"Lake", u"item 2"};
    for (const Text& d : stored) ASSERT_EQ(entry.Store(d, d + u"!"), d);
    EXPECT_EQ(Descriptions(entry), (Texts{u"Apple", u"Apples", u"Item 10", u"Item 9", u"Lake", u"Zebra", u"apple",
                                          u"eclipse", u"item 2", u"lake", u"\u00E9clair"}));

    // The rows held are sorted again at once; each keeps its page, and its row number changes.
    EXPECT_EQ(entry.SetOrder(u"text:en-US"), u"text:en-US");
    const Texts english = {u"Apple", u"apple", u"Apples", u"\u00E9clair", u"eclipse", u"item 2",
                           u"Item 9", u"Item 10", u"Lake", u"lake", u"Zebra"};
    EXPECT_EQ(Descriptions(entry), english);
    for (int16_t i = 0; i < entry.Count(); ++i) EXPECT_EQ(entry.FetchPage(i), english[i] + u"!");

    // New rows go where the order puts them.
    EXPECT_EQ(entry.Store(u"Item 100", u"x"), u"Item 100");
    EXPECT_EQ(entry.Store(u"ECLAIR", u"y"), u"ECLAIR");
    EXPECT_EQ(entry.FetchDescription(3), u"ECLAIR");  // before the accented one
    EXPECT_EQ(entry.FetchDescription(9), u"Item 100");
    EXPECT_EQ(entry.Count(), 13);

    // Back to ordinal: the same rows, in their old order.
    EXPECT_EQ(entry.SetOrder(u"ORDINAL"), u"ordinal");
    EXPECT_EQ(entry.FetchDescription(0), u"Apple");
    EXPECT_EQ(entry.FetchDescription(1), u"Apples");
    EXPECT_EQ(entry.FetchDescription(2), u"ECLAIR");
    EXPECT_EQ(entry.FetchDescription(12), u"\u00E9clair");
}

TEST(EntryOrder, SwedishPutsOAfterZAndGermanWithO) {
    if (!kSorted) GTEST_SKIP() << "Pagestack keeps the order of storing";
    Entry entry;
    for (const Text& d : {Text(u"Zurich"), Text(u"\u00D6sterreich"), Text(u"Oslo"), Text(u"Ostrava"),
                          Text(u"\u00F6l"), Text(u"Zagreb")})
        entry.Store(d, u"1");
    EXPECT_EQ(entry.SetOrder(u"TEXT:SV-se"), u"text:sv-SE");
    EXPECT_EQ(Descriptions(entry), (Texts{u"Oslo", u"Ostrava", u"Zagreb", u"Zurich", u"\u00F6l", u"\u00D6sterreich"}));
    EXPECT_EQ(entry.SetOrder(u"text:de-DE"), u"text:de-DE");
    EXPECT_EQ(Descriptions(entry), (Texts{u"\u00F6l", u"Oslo", u"\u00D6sterreich", u"Ostrava", u"Zagreb", u"Zurich"}));
}

TEST(EntryOrder, EqualityStaysExactInTextOrder) {
    if (!kSorted) GTEST_SKIP() << "Pagestack keeps the order of storing";
    Entry entry;
    entry.SetOrder(u"text:en-US");
    EXPECT_EQ(entry.Store(u"lake", u"1"), u"lake");
    EXPECT_EQ(entry.Store(u"Lake", u"2"), u"Lake");
    EXPECT_EQ(entry.Store(u"LAKE", u"3"), u"LAKE");
    EXPECT_EQ(entry.Store(u"Lake", u"4"), u"Lake");  // replaces the page of "Lake" only
    EXPECT_EQ(entry.Store(u"lakes", u"5"), u"lakes");
    EXPECT_EQ(Rows(entry), (Texts{u"LAKE/3", u"Lake/4", u"lake/1", u"lakes/5"}));
    EXPECT_EQ(entry.AddPage(u"lake", u"7"), u"lake");
    EXPECT_EQ(entry.AddPage(u"l\u00E1ke", u"8"), u"l\u00E1ke");  // an accent makes another term
    EXPECT_EQ(entry.FindPage(u"lake"), u"1, 7");
    EXPECT_EQ(entry.FindPage(u"Lake"), u"4");
    EXPECT_EQ(entry.FindPage(u"lAKE"), u"");
    EXPECT_EQ(Rows(entry), (Texts{u"LAKE/3", u"Lake/4", u"lake/1, 7", u"l\u00E1ke/8", u"lakes/5"}));
}

TEST(EntryOrder, TextOrderKeepsEveryRowThroughInsertionsAnywhereAndAFullTable) {
    if (!kSorted) GTEST_SKIP() << "Pagestack keeps the order of storing";
    Entry entry;
    entry.SetOrder(u"text:en-US");
    // Descending: every description goes before all others; numbers are read by value, so
    // "Item 10" follows "Item 9" without zeros in front.
    for (int i = 3000; i >= 1; --i) ASSERT_EQ(entry.Store(u"Item " + DecimalText(i), DecimalText(i)), u"Item " + DecimalText(i));
    ASSERT_EQ(entry.Count(), 3000);
    for (int16_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(entry.FetchDescription(i), u"Item " + DecimalText(i + 1));
        ASSERT_EQ(entry.FetchPage(i), DecimalText(i + 1));
    }

    // Clear keeps the order; a full table refuses new descriptions wherever they would go and
    // still replaces the pages of those it holds.
    entry.Clear();
    EXPECT_EQ(entry.Order(), u"text:en-US");
    for (int k = 0; k < Entry::kStoreLimit; ++k) {
        const int n = 2 * ((k * 7919) % Entry::kStoreLimit) + 2;
        ASSERT_EQ(entry.Store(u"item " + DecimalText(n), u"p"), u"item " + DecimalText(n));
    }
    for (const Text& d : {Text(u"item 1"), Text(u"ITEM 3"), Text(u"Item 16002"), Text(u"item 4a"), Text(u"ITEM 4")})
        EXPECT_EQ(entry.Store(d, u"q"), u"No more index entries may be added") << TextToAscii(d);
    EXPECT_EQ(entry.Store(u"item 4000", u"new page"), u"item 4000");
    EXPECT_EQ(entry.Count(), Entry::kStoreLimit);
    EXPECT_EQ(entry.FetchPage(1999), u"new page");
    EXPECT_EQ(entry.FetchDescription(7999), u"item 16000");
}

TEST(EntryOrder, NamesAreCheckedAndAnEmptyNameChangesNothing) {
    EnglishDefaultLocale english;
    Entry entry;
    entry.Store(u"b", u"1");
    entry.Store(u"A", u"2");
    EXPECT_EQ(entry.SetOrder(u""), u"ordinal");
    EXPECT_EQ(entry.SetOrder(u"Ordinal"), u"ordinal");
    const Text library(Build::kIdentity.libraryName);
    if (kSorted) {
        EXPECT_EQ(entry.SetOrder(u"text"), u"text:en-US");
        EXPECT_EQ(entry.SetOrder(u""), u"text:en-US");
        EXPECT_EQ(entry.SetOrder(u"text:sv"), u"text:sv");
        EXPECT_EQ(Refusal(entry, u"alphabetical"),
                  std::make_pair(kErrorInvalidArgument,
                                 Text(u"Unknown order \"alphabetical\": use \"ordinal\", \"text\" (the user's default "
                                      u"locale) or \"text:\" followed by a locale name, such as \"text:sv-SE\"")));
        EXPECT_EQ(Refusal(entry, u"text:"),
                  std::make_pair(kErrorInvalidArgument,
                                 Text(u"No locale name after \"text:\": use \"text\" for the user's default locale, or "
                                      u"a locale name, such as \"text:sv-SE\"")));
        EXPECT_EQ(Refusal(entry, u"text:xx-YY"),
                  std::make_pair(kErrorInvalidArgument,
                                 Text(u"Unknown locale \"xx-YY\": \"text:\" takes the name of a locale this system "
                                      u"knows, such as \"sv-SE\" or \"de-DE\"")));
        // A long name is cut short in the description.
        const Text cut = u"Unknown locale \"" + Text(40, u'q') + u"...\": \"";
        EXPECT_EQ(Refusal(entry, u"text:" + Text(100, u'q')).second.substr(0, cut.size()), cut);
        for (const Text& refused : {Text(u" text"), Text(u"text "), Text(u"text:sv-SE "), Text(u"texts"),
                                    Text(u"text-sv-SE"), Text(u"text:\u00E9"), Text(u"ordinal:sv-SE")})
            EXPECT_EQ(Refusal(entry, refused).first, kErrorInvalidArgument) << TextToAscii(refused);
        EXPECT_EQ(entry.SetOrder(u""), u"text:sv");  // nothing changed
        EXPECT_EQ(Rows(entry), (Texts{u"A/2", u"b/1"}));
    } else {
        EXPECT_EQ(Refusal(entry, u"text:sv-SE"),
                  std::make_pair(kErrorInvalidArgument,
                                 Text(library + u" keeps its entries in the order they were stored: it accepts the "
                                                u"order \"ordinal\" only, not \"text:sv-SE\"")));
        EXPECT_EQ(Refusal(entry, u"TEXT").second,
                  library + u" keeps its entries in the order they were stored: it accepts the order \"ordinal\" "
                            u"only, not \"TEXT\"");
        EXPECT_EQ(Refusal(entry, u"alphabetical"),
                  std::make_pair(kErrorInvalidArgument,
                                 Text(u"Unknown order \"alphabetical\": " + library + u" accepts the order \"ordinal\" only")));
        EXPECT_EQ(entry.SetOrder(u""), u"ordinal");
        EXPECT_EQ(Rows(entry), (Texts{u"b/1", u"A/2"}));
    }
}

TEST(EntryOrder, FetchGroupNamesTheLetterHeadingOfARow) {
    EnglishDefaultLocale english;
    Entry entry;
    for (const Text& d : {Text(u"\u00F6l"), Text(u"Oslo"), Text(u"\u00E9clair"), Text(u"9 lives"), Text(u"apple"),
                          Text(u" lead")})
        entry.Store(d, u"1");
    auto groups = [&] {
        std::vector<Text> all;
        for (int16_t i = 0; i < entry.Count(); ++i) all.push_back(entry.FetchDescription(i) + u"=" + entry.FetchGroup(i));
        return all;
    };
    // Ordinal order: the user's default locale decides about accents.
    const Texts ordinal = {u" lead=", u"9 lives=", u"Oslo=O", u"apple=A", u"\u00E9clair=E", u"\u00F6l=O"};
    const Texts stored = {u"\u00F6l=O", u"Oslo=O", u"\u00E9clair=E", u"9 lives=", u"apple=A", u" lead="};
    EXPECT_EQ(groups(), kSorted ? ordinal : stored);
    for (int16_t outside : {int16_t{-1}, int16_t{6}, int16_t{8000}, int16_t{-32768}})
        EXPECT_EQ(entry.FetchGroup(outside), u"");
    if (!kSorted) return;
    // Text order: the order's language decides.
    entry.SetOrder(u"text:sv-SE");
    const Texts swedish = {u" lead=", u"9 lives=", u"apple=A", u"\u00E9clair=E", u"Oslo=O", u"\u00F6l=\u00D6"};
    EXPECT_EQ(groups(), swedish);
    entry.SetOrder(u"text:de-DE");
    EXPECT_EQ(entry.FetchGroup(static_cast<int16_t>(entry.Count() - 1)), u"O");
    entry.Clear();
    EXPECT_EQ(entry.FetchGroup(0), u"");  // row 0 still holds its strings, but is not in use
}

// --- ShiftPages: a report that prints as one part of a book moves its pages ---

TEST(EntryTable, ShiftPagesMovesEveryNumberAndCountsTheRowsItChanged) {
    Entry entry;
    const std::vector<std::pair<Text, Text>> stored = {
        {u"single", u"12"}, {u"list", u"12-14, 40"}, {u"roman", u"iv"}, {u"empty", u""},
        {u"mixed", u"40, 3, iv, 3"}, {u"texts", u"Preface, 007, -4, 2.5"}, {u"zero", u"0"}};
    for (const auto& [d, p] : stored) entry.Store(d, p);
    EXPECT_EQ(entry.ShiftPages(120), 4);
    EXPECT_EQ(entry.FindPage(u"single"), u"132");
    EXPECT_EQ(entry.FindPage(u"list"), u"132-134, 160");
    EXPECT_EQ(entry.FindPage(u"mixed"), u"123, 160, iv");  // in the list's own form
    EXPECT_EQ(entry.FindPage(u"zero"), u"120");
    // Pages without a number stay exactly as they were.
    EXPECT_EQ(entry.FindPage(u"roman"), u"iv");
    EXPECT_EQ(entry.FindPage(u"empty"), u"");
    EXPECT_EQ(entry.FindPage(u"texts"), u"Preface, 007, -4, 2.5");
    EXPECT_EQ(entry.Count(), 7);
    EXPECT_EQ(entry.MaxPage(), 132);
    // The order of the rows is untouched: only pages move.
    EXPECT_EQ(entry.FetchDescription(0), kSorted ? u"empty" : u"single");

    // And back: the numbers return, in the list's own form.
    EXPECT_EQ(entry.ShiftPages(-120), 4);
    EXPECT_EQ(entry.FindPage(u"mixed"), u"3, 40, iv");
    EXPECT_EQ(entry.FindPage(u"zero"), u"0");
}

TEST(EntryTable, ShiftPagesByZeroChangesNothing) {
    Entry entry;
    entry.Store(u"a", u"9, 2, 9");  // not in the list's own form, and stays so
    entry.Store(u"b", u"5");
    const std::vector<Text> before = Rows(entry);
    EXPECT_EQ(entry.ShiftPages(0), 0);
    EXPECT_EQ(Rows(entry), before);
    EXPECT_EQ(Entry().ShiftPages(7), 0);  // an empty table
}

TEST(EntryTable, ShiftPagesDownToZeroAndARefusalOnePastChangesNothing) {
    Entry entry;
    entry.Store(u"a", u"121-123, 200");
    entry.Store(u"b", u"125");
    entry.Store(u"c", u"iv");
    entry.Store(u"d", u"32767, 130");
    std::vector<Text> before = Rows(entry);
    // One page below 0, whichever row holds it: the overflow error, and every row as it was.
    EXPECT_EQ(ErrorNumberOf([&] { entry.ShiftPages(-122); }), kErrorOverflow);
    EXPECT_EQ(Rows(entry), before);
    EXPECT_EQ(ErrorNumberOf([&] { entry.ShiftPages(1); }), kErrorOverflow);  // 32767 is the last
    EXPECT_EQ(Rows(entry), before);
    EXPECT_EQ(ErrorNumberOf([&] { entry.ShiftPages(-32768); }), kErrorOverflow);
    EXPECT_EQ(Rows(entry), before);
    EXPECT_EQ(entry.ShiftPages(-121), 3);
    EXPECT_EQ(Rows(entry), (Texts{u"a/0-2, 79", u"b/4", u"c/iv", u"d/9, 32646"}));
    before = Rows(entry);
    EXPECT_EQ(ErrorNumberOf([&] { entry.ShiftPages(-1); }), kErrorOverflow);
    EXPECT_EQ(Rows(entry), before);
}

TEST(EntryTable, ShiftPagesRefusesAListThatSaveCouldNotWrite) {
    // "<Page>" and the escaped list must end before position 32767: 32760 characters of plain
    // text. Moving 9 and 99 by one makes the list two characters longer.
    const Text texts(32760 - 7, u'x');
    Entry entry;
    entry.Store(u"short", u"9");
    entry.Store(u"long", u"9, 99, " + texts);  // 32760: the longest that fits
    entry.Store(u"later", u"5");
    const std::vector<Text> before = Rows(entry);
    EXPECT_EQ(ErrorNumberOf([&] { entry.ShiftPages(1); }), kErrorOverflow);
    EXPECT_EQ(Rows(entry), before);
    // Shorter is fine, and so is the same length.
    EXPECT_EQ(entry.ShiftPages(-1), 3);
    EXPECT_EQ(entry.FindPage(u"long"), u"8, 98, " + texts);
    EXPECT_EQ(entry.ShiftPages(1), 3);
    EXPECT_EQ(entry.FindPage(u"long"), u"9, 99, " + texts);
}

TEST(EntryTable, ShiftPagesOfAFullTable) {
    Entry entry;
    for (int i = 0; i < Entry::kStoreLimit; ++i) entry.Store(Numbered(i), i % 2 ? DecimalText(i) : Text(u"x"));
    EXPECT_EQ(entry.ShiftPages(3), Entry::kStoreLimit / 2);
    EXPECT_EQ(entry.FetchPage(7999), u"8002");
    EXPECT_EQ(entry.FetchPage(7998), u"x");
    EXPECT_EQ(entry.MaxPage(), 8002);
}
