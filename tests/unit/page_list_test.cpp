// Page lists: how pages merge into one page text.
#include <gtest/gtest.h>

#include <initializer_list>

#include "entry/page_list.h"
#include "test_text.h"

namespace {

// The list made by adding the pages one by one to an empty page text.
Text Built(std::initializer_list<TextView> pages) {
    Text list;
    for (TextView page : pages) list = MergePageList(list, page);
    return list;
}

}  // namespace

TEST(PageList, NumbersAreAscendingOnceWithRunsOfThreeOrMoreJoined) {
    EXPECT_EQ(Built({u"12"}), u"12");
    EXPECT_EQ(Built({u"44", u"10", u"12"}), u"10, 12, 44");
    EXPECT_EQ(Built({u"12", u"10", u"12", u"10"}), u"10, 12");  // each once
    EXPECT_EQ(Built({u"8", u"7"}), u"7, 8");                     // a run of two stays two pages
    EXPECT_EQ(Built({u"9", u"7", u"8"}), u"7-9");
    EXPECT_EQ(Built({u"3", u"9", u"7", u"8", u"5", u"4"}), u"3-5, 7-9");
    EXPECT_EQ(Built({u"3", u"9", u"7", u"8", u"5", u"4", u"6"}), u"3-9");  // two runs meet
    EXPECT_EQ(Built({u"0", u"32767", u"32766", u"1"}), u"0, 1, 32766, 32767");
    EXPECT_EQ(Built({u"2", u"100", u"99", u"98", u"10"}), u"2, 10, 98-100");  // by value, not text
}

TEST(PageList, OtherTextsFollowTheNumbersInTheOrderFirstAdded) {
    EXPECT_EQ(Built({u"iv", u"12", u"A-3", u"iv", u"3", u"12a"}), u"3, 12, iv, A-3, 12a");
    // Only plain digits of 0 to 32767 are numbers; everything else is kept as given.
    EXPECT_EQ(Built({u"5", u"-3", u"007", u"32768", u" 4", u"4 ", u"+6", u"2.5", u"1e2"}),
              u"5, -3, 007, 32768,  4, 4 , +6, 2.5, 1e2");
    EXPECT_EQ(Built({u"iv", u"IV", u"iv"}), u"iv, IV");  // compared by unit, case-sensitive
    EXPECT_EQ(Built({u"\u00E9t\u00E9", u"1"}), u"1, \u00E9t\u00E9");
    // A range of two numbers counts as its pages; a reversed, equal or half range is text.
    EXPECT_EQ(Built({u"10-12", u"9", u"14"}), u"9-12, 14");
    EXPECT_EQ(Built({u"12-10", u"5-5", u"5-", u"-5", u"1-2-3"}), u"12-10, 5-5, 5-, -5, 1-2-3");
    // An added page that holds ", " adds the pages it lists, each once.
    EXPECT_EQ(Built({u"4", u"xi, xii", u"2"}), u"2, 4, xi, xii");
    EXPECT_EQ(Built({u"4", u"xi, xii", u"xii, 5, xi, 3"}), u"3-5, xi, xii");
    EXPECT_EQ(Built({u"iv", u", , iv, "}), u"iv");
    // An empty page adds nothing.
    EXPECT_EQ(Built({u"4", u"", u"iv", u""}), u"4, iv");
    EXPECT_EQ(MergePageList(u"", u""), u"");
}

TEST(PageList, ExistingTextIsReadAsAList) {
    EXPECT_EQ(MergePageList(u"3, 7-9", u"8"), u"3, 7-9");
    EXPECT_EQ(MergePageList(u"3, 7-9", u"10"), u"3, 7-10");
    EXPECT_EQ(MergePageList(u"3, 7-9", u"6"), u"3, 6-9");
    EXPECT_EQ(MergePageList(u"3, 7-9", u"5"), u"3, 5, 7-9");
    EXPECT_EQ(MergePageList(u"3, 7-9", u"4"), u"3, 4, 7-9");
    EXPECT_EQ(MergePageList(u"3, 4, 7-9", u"5"), u"3-5, 7-9");
    // One page stored by Store, a number or not.
    EXPECT_EQ(MergePageList(u"12", u"3"), u"3, 12");
    EXPECT_EQ(MergePageList(u"Preface", u"3"), u"3, Preface");
    EXPECT_EQ(MergePageList(u"12", u"12"), u"12");
    // A text from elsewhere comes out in the list's own form: numbers first, duplicates once,
    // empty pieces dropped.
    EXPECT_EQ(MergePageList(u"iv, 9, 2, 9, iv", u"3"), u"2, 3, 9, iv");
    EXPECT_EQ(MergePageList(u"7-8, , 5, ", u"x"), u"5, 7, 8, x");
    EXPECT_EQ(MergePageList(u"9-11, 10-14", u"1"), u"1, 9-14");
    // Every page stands in the list once, however the pages came: a merge of a list's own
    // pages changes nothing, and merging again gives the same list.
    EXPECT_EQ(MergePageList(u"4, xi, xii", u"xi, xii"), u"4, xi, xii");
    for (TextView list : {u"3-5, 8, xi, a,, b", u"1, 2, iv", u"x,", u"12-10, ,x"}) {
        const Text standard = MergePageList(list, u"");
        EXPECT_EQ(MergePageList(standard, standard), standard) << TextToAscii(list);
        EXPECT_EQ(MergePageList(standard, u""), standard) << TextToAscii(list);
    }
    // Only ", " separates: a comma alone is part of the page.
    EXPECT_EQ(MergePageList(u"1,2", u"3"), u"3, 1,2");
}

// --- Moving pages by an offset, for a report printed as one part of a book ---

TEST(PageListShift, SinglePagesListsAndRangesMoveAndStayInTheListsForm) {
    EXPECT_EQ(ShiftPageList(u"12", 120), u"132");
    EXPECT_EQ(ShiftPageList(u"12-14, 40", 120), u"132-134, 160");
    EXPECT_EQ(ShiftPageList(u"0", 32767), u"32767");
    EXPECT_EQ(ShiftPageList(u"3, 7-9, iv, A-3", 3), u"6, 10-12, iv, A-3");  // texts stay, after the numbers
    // The result is in the list's own form, whatever the form before.
    EXPECT_EQ(ShiftPageList(u"9, 2, 9, iv, , 3, 4", 1), u"3-5, 10, iv");
    EXPECT_EQ(ShiftPageList(u"7-8", 2), u"9, 10");
    EXPECT_EQ(ShiftPageList(u"9-11, 10-14", 1), u"10-15");
    EXPECT_EQ(ShiftPageList(u"99, 999, 9999", 1), u"100, 1000, 10000");
    // Only the numbers of page lists move: no sign, no leading zero, no blanks, 0 to 32767;
    // a reversed or equal range is text.
    EXPECT_EQ(ShiftPageList(u"5, -3, 007, 32768,  4, 2.5, 12-10, 5-5, 1e2", 10),
              u"15, -3, 007, 32768,  4, 2.5, 12-10, 5-5, 1e2");
    EXPECT_EQ(ShiftPageList(u"1,2, 3", 1), u"4, 1,2");  // only ", " separates
}

TEST(PageListShift, NegativeOffsetsReachZeroAndOnePastIsAnOverflow) {
    EXPECT_EQ(ShiftPageList(u"121-123, 200", -121), u"0-2, 79");
    EXPECT_EQ(ShiftPageList(u"32767", -32767), u"0");
    EXPECT_EQ(ShiftPageList(u"32767, 5", -5), u"0, 32762");
    EXPECT_EQ(ErrorNumberOf([] { ShiftPageList(u"121-123, 200", -122); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([] { ShiftPageList(u"0", -1); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([] { ShiftPageList(u"4, 0-2", -32768); }), kErrorOverflow);
    // Upwards: both ends of a range count.
    EXPECT_EQ(ShiftPageList(u"32700-32760", 7), u"32707-32767");
    EXPECT_EQ(ErrorNumberOf([] { ShiftPageList(u"32700-32760", 8); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([] { ShiftPageList(u"iv, 1, 32767", 1); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([] { ShiftPageList(u"1", 32767); }), kErrorOverflow);
}

TEST(PageListShift, NothingMovesWithoutANumberOrWithOffsetZero) {
    // The text stays exactly as it is, in whatever form: the caller keeps it.
    for (TextView page : {u"", u"iv", u"iv, iv, x", u"Preface, , 007", u"12-10", u" 12", u"-40"}) {
        EXPECT_EQ(ShiftPageList(page, 5), std::nullopt) << TextToAscii(page);
        EXPECT_EQ(ShiftPageList(page, -32768), std::nullopt) << TextToAscii(page);
    }
    EXPECT_EQ(ShiftPageList(u"9, 2, 9", 0), std::nullopt);
    EXPECT_EQ(ShiftPageList(u"0", 0), std::nullopt);
    // Moving there and back gives the list's own form.
    EXPECT_EQ(ShiftPageList(*ShiftPageList(u"9, 2, 9, 3, 4", 100), -100), MergePageList(u"9, 2, 9, 3, 4", u""));
}

TEST(PageListShift, AMergeMovesOnlyThePagesAdded) {
    EXPECT_EQ(MergePageList(u"1, iv", u"2-4, x, iv", 10), u"1, 12-14, iv, x");
    EXPECT_EQ(MergePageList(u"130", u"10", 120), u"130");
    EXPECT_EQ(MergePageList(u"5", u"", 3), u"5");
    EXPECT_EQ(MergePageList(u"32767", u"iv", 1), u"32767, iv");  // the list itself never moves
    EXPECT_EQ(ErrorNumberOf([] { MergePageList(u"1", u"iv, 5", -6); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([] { MergePageList(u"1", u"5", -6); }), kErrorOverflow);  // one page into one
    EXPECT_EQ(ErrorNumberOf([] { MergePageList(u"1", u"32767", 1); }), kErrorOverflow);
    EXPECT_EQ(MergePageList(u"130", u"11", 120), u"130, 131");
    // The same as moving the page first and merging it then.
    for (TextView list : {u"", u"3, 7-9", u"iv, 9, 2, 9", u"100-102, x"}) {
        for (TextView page : {u"", u"1", u"1-3, 97", u"x, 5, x", u"iv"}) {
            for (int offset : {-1, 0, 2, 97}) {
                const Text page0(page);
                EXPECT_EQ(MergePageList(list, page, offset),
                          MergePageList(list, ShiftPageList(page, offset).value_or(page0)))
                    << TextToAscii(list) << " | " << TextToAscii(page) << " | " << offset;
            }
        }
    }
}

// Most merges meet a few numbers and ranges; a list of more, or of another form, reads as any
// list does: the texts are the same either way.
TEST(PageList, ShortListsOfNumbersMergeAsLongerAndOtherListsDo) {
    // Runs of 10 * k, the page added making the 16th and the 17th run.
    const auto tens = [](int count) {
        Text list;
        for (int k = 1; k <= count; ++k) list += (k > 1 ? u", " : u"") + DecimalText(10 * k);
        return list;
    };
    EXPECT_EQ(MergePageList(tens(15), u"5"), u"5, " + tens(15));
    EXPECT_EQ(MergePageList(tens(16), u"5"), u"5, " + tens(16));
    EXPECT_EQ(MergePageList(tens(15), u"2-4, 6", 10), u"10, 12-14, 16" + tens(15).substr(2));
    EXPECT_EQ(MergePageList(u"10-12, 20", u"13, 19-21", 0), u"10-13, 19-21");
    EXPECT_EQ(MergePageList(u"0, 32767", u"1-2", 32764), u"0, 32765-32767");
    EXPECT_EQ(ErrorNumberOf([] { MergePageList(u"1, 3-5", u"7, 2-32766", 2); }), kErrorOverflow);
    // The longest such list: sixteen runs of two five-digit pages.
    Text pairs[2], expected;
    for (int k = 0; k < 16; ++k) {
        const Text run = DecimalText(10000 + 3 * k) + u"-" + DecimalText(10001 + 3 * k);
        pairs[k % 2] += (pairs[k % 2].empty() ? u"" : u", ") + run;
        expected += (k > 0 ? u", " : u"") + DecimalText(10000 + 3 * k) + u", " + DecimalText(10001 + 3 * k);
    }
    EXPECT_EQ(MergePageList(pairs[0], pairs[1]), expected);
    // Forms only a general list reads: leading zeros, a sixth digit, blanks, empty items.
    EXPECT_EQ(MergePageList(u"3, 007", u"4"), u"3, 4, 007");
    EXPECT_EQ(MergePageList(u"3, 100000", u"4"), u"3, 4, 100000");
    EXPECT_EQ(MergePageList(u"3 , 4", u"5"), u"4, 5, 3 ");
    EXPECT_EQ(MergePageList(u"3, , 9-10", u"8"), u"3, 8-10");
}
