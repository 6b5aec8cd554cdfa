// Entry: one table of description/page pairs (the EntryTable) and the index file that saves
// and restores it. Keystack keeps the rows sorted by description; Pagestack keeps them in
// the order they were first stored. A table is of the deliverable it was made for (its
// Edition): a deliverable's own tables are made with Entry(), and a program that handles both
// kinds of index file names the edition of each.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <optional>
#include <vector>

#include "core/build_traits.h"
#include "core/text.h"
#include "entry/description_order.h"
#include "entry/row_index.h"
#include "platform/text_order.h"

namespace platform {
class FileReplacement;
}

class Entry {
public:
    // Store fills at most this many rows; the Pagestack loader can fill one more.
    static constexpr int16_t kStoreLimit = 8000;
    static constexpr int16_t kRowCount = 8001;

    // A table of the deliverable this code is built as (defined with the deliverable's build).
    Entry();
    explicit Entry(const Edition& edition);
    const Edition& GetEdition() const { return edition_; }

    Text Store(const Text& description, const Text& pageNo);
    int16_t Count() const { return count_; }
    Text FetchDescription(int16_t index) const;
    Text FetchPage(int16_t index) const;
    int16_t MaxPage() const;
    Text Clear();

    // Page lists (see page_list.h). AddPage stores a new description as Store does; for one
    // already held it merges the pages PageNo lists into the page list of the row Store would
    // update (an empty PageNo changes nothing), and refuses with the overflow error a list that
    // Save could not write. FindPage returns that row's page, or the empty text.
    Text AddPage(const Text& description, const Text& pageNo);
    Text FindPage(const Text& description) const;

    // The order of the rows (see entry_order.cpp): "ordinal", unit by unit, for every new
    // object; or "text:" and a locale name, the reader's order in that locale. SetOrder takes
    // "ordinal", "text" (the user's default locale) or "text:" and a locale name, in any case,
    // re-sorts the rows held and returns the full name of the order in force ("text:sv-SE");
    // an empty name changes nothing. An order it cannot take raises the invalid-argument
    // error with a description of what it accepts, and changes nothing. Pagestack keeps the
    // order of storing: it takes "ordinal" only.
    Text SetOrder(const Text& order);
    Text Order() const;
    // The name of an order as Order answers it (none: "ordinal").
    static Text OrderName(const platform::TextOrder* order);
    // The order a name asks for as SetOrder reads it (none: ordinal), for a program that
    // compares as a table would without holding one; throws SetOrder's errors.
    static std::unique_ptr<platform::TextOrder> TextOrderNamed(const Text& name);
    // The letter heading of the index-th entry (see platform::TextOrder::LetterGroup), in the
    // order's locale, or in ordinal order the user's default locale; empty outside the rows.
    Text FetchGroup(int16_t index) const;
    // Levels and sort keys (see entry_levels.cpp). SetLevels makes descriptions paths whose
    // levels the separator parts ("lake>oxbow"; empty: levels off), reads every description held
    // again with it, adding the rows above them (the overflow error, and nothing changes, when
    // the table has no room for them), and returns the separator in force. FetchLevel is 1 for a
    // row at the top, 2 under it, and so on (0 outside the rows); FetchLabel the row's own
    // level. SortAs (Keystack) orders the row `description` as if its own level were `sortKey`
    // (empty: its own text again) and returns the description, or the empty text for one the
    // table does not hold; Pagestack refuses it with the invalid-argument error.
    Text SetLevels(const Text& separator);
    const Text& Levels() const { return separator_; }
    int16_t FetchLevel(int16_t index) const;
    Text FetchLabel(int16_t index) const;
    Text SortAs(const Text& description, const Text& sortKey);
    // The sort key of the index-th entry (empty: none, and outside the rows).
    Text FetchSortKey(int16_t index) const;

    // A book printed as several reports, each numbering its own pages. ShiftPages moves every
    // page of every row by `offset` as ShiftPageList does (see page_list.h) and returns how
    // many rows' pages changed; offset 0 changes nothing. A page that would leave 0 to 32767,
    // or a list that Save could not write on one line, refuses the whole call with the
    // overflow error, and nothing changes.
    int16_t ShiftPages(int16_t offset);
    // AppendPages reads an index file as AppendFile does (the same texts for an empty name and a
    // missing file, the same errors for a file it cannot read) and merges each of its pairs,
    // the page moved by `offset`, as AddPage would. All or nothing: the whole file is read
    // and checked first; a read error, a page out of range, a list too long for Save (the
    // overflow error) or more new rows than the table has room for (Store's table-full text)
    // leave the table as it was. Pairs without a description are skipped; the object's pending
    // description is neither used nor changed.
    Text AppendPages(const Text& sFile, int16_t offset);
    // Where AppendPages stopped, for a program that tells its user which row of which file
    // refused a merge: the file's line (counted as ForEachIndexFileLine counts) at which the
    // reading failed, or the Page line of the pair that was refused, with that pair as the
    // file holds it (its page not yet moved). Line 0: the file could not be read at all.
    struct PagesRefusal {
        size_t line = 0;
        Text description, page;
    };
    // AppendPages that also fills `refusal` (where given) when it refuses or throws.
    Text AppendPages(const Text& sFile, int16_t offset, PagesRefusal* refusal);

    // The index file: Save writes the rows in use; NewFile replaces them by a file's
    // entries, AppendFile adds a file's entries to them. Each returns a report text.
    Text Save(const Text& sFile) const;
    Text NewFile(const Text& sFile);
    Text AppendFile(const Text& sFile);

private:
    struct Row {
        Text description;
        Text page;
    };
    using FirstRows = RowIndex;

    // The row (its number in rows_) that Store would update for `description`: the first in
    // the table's order that holds it; none when Store would add one.
    std::optional<int16_t> StoreRowOf(TextView description) const;
    // The answer of the calls below for no row. (A row comes back as a plain number: an optional
    // is built in memory and read back wider, which stalls every call of a load.)
    static constexpr int16_t kNoRow = -1;
    // Adds `description` (Store found no row for it) with its missing parents and returns its
    // row; kNoRow, and nothing added, when the table has no room (`limit`: the rows it may hold).
    // `hash`: the description's (RowIndex::Hash).
    int16_t AddRows(const Text& description, const Text& page, int16_t limit, size_t hash);
    // AddRows of a description that has no parent (a top level, or levels off).
    int16_t AddRow(const Text& description, const Text& page, int16_t limit, size_t hash);
    // Store of a description it accepts: the row that holds `pageNo` now, or none when the
    // table has no room, kNoRow (Store's answer, a copy of the description, is no use to a load).
    int16_t StoreRow(const Text& description, const Text& pageNo);
    int16_t StoreRow(const Text& description, const Text& pageNo, size_t hash);  // RowIndex::Hash's
    // Keystack: where a description stands or would go among the sorted row numbers in use.
    int16_t* SortedPlaceOf(const SortedDescription& description) const;
    // Pagestack: where a new row goes: after its parent's block, or after every row.
    int16_t PlaceInOrder(int16_t row) const;
    // The key a row sorts by (see description_order.h): a path key where the table has levels
    // or sort keys, the text order's key otherwise (none in ordinal order). `staged` holds the
    // rows staged in the same change, which the key of a row under them needs.
    std::string KeyOf(TextView description, TextView sortAs, const FirstRows& staged) const;
    // The row of a path, in use or staged.
    std::optional<int16_t> RowOfPath(TextView path, const FirstRows& staged) const;
    // Keystack: the keys of every row in use for the order, levels and sort keys given, by row
    // number; none in ordinal order without levels and sort keys. `sortAs` gives each row's
    // sort key. May fail; changes nothing.
    std::unique_ptr<std::string[]> KeysFor(const platform::TextOrder* order, TextView separator,
                                           bool structured, const Text* sortAs, const FirstRows& staged) const;
    // Keystack: the path key of a row under those settings.
    std::string PathKeyOf(int16_t row, const platform::TextOrder* order, TextView separator, const Text* sortAs,
                          const FirstRows& staged) const;
    // Keystack: takes the keys and sorts the rows in use by them (SortRows: by the keys held);
    // allocates nothing.
    void SortByKeys(std::unique_ptr<std::string[]> keys) noexcept;
    void SortRows() noexcept;
    // Keystack: takes `order` (none: ordinal) and sorts the rows in use by it. Everything the
    // new order needs is made first: on a failure the order and the rows stay as they were.
    void UseOrder(std::unique_ptr<platform::TextOrder> order);
    // Rows sort by path keys: levels are on, or a row has a sort key.
    bool Structured() const { return !separator_.empty() || sortKeysHeld_; }
    // Throws the overflow error for a page that Save could not write on its line.
    static void CheckPageFitsLine(const Text& page);
    bool InUse(int16_t index) const { return index >= 0 && index < count_; }
    // The row that holds the index-th entry in the table's order.
    Row& RowAt(int16_t index) { return rows_[order_[index]]; }
    const Row& RowAt(int16_t index) const { return rows_[order_[index]]; }
    // New rows in two steps, so that several go in all or none. StageRow writes the
    // `staged`-th new entry and its key (KeyOf) into a free row, which no call reads, with its
    // index entry in `firstRows`, and may fail (out of memory); LinkStagedRows then takes the
    // `staged` rows into use, in the order staged: Keystack at their sorted places, Pagestack
    // after their parents' blocks (or the rows in use). It allocates nothing, so it cannot fail.
    void StageRow(int16_t staged, const Text& description, Text&& page, std::string key, FirstRows& firstRows);
    // (`hash`: the description's, RowIndex::Hash.)
    void StageRow(int16_t staged, const Text& description, const Text& page, std::string key, FirstRows& firstRows,
                  size_t hash);
    void LinkStagedRows(int16_t staged, FirstRows& firstRows) noexcept;
    // Takes the first free row into use at its place (LinkStagedRows of one row).
    void LinkFirstFreeRow() noexcept;
    // StageRow once the row's page is written.
    void StageRow(int16_t staged, const Text& description, std::string& key, FirstRows& firstRows, size_t hash);
    // The parents a path lacks (held neither in use nor in `staged`), from the top.
    std::vector<TextView> MissingParents(TextView description, const FirstRows& staged) const;
    // Takes every row out of use (the strings stay), and their sort keys.
    void ReleaseRows();
    // A row's sort key (empty: none).
    TextView FetchSortKeyOfRow(int16_t row) const { return sortAs_ ? TextView(sortAs_[row]) : TextView(); }

    void WriteEntries(platform::FileReplacement& out) const;
    Text LoadFile(const Text& sFile, TextView verb, bool newFile);
    // A load's answer for a file that is not there.
    static Text CannotFindText(const Text& sFile);
    // Enters one Description/Page pair that NewFile or AppendFile read, as the build loads;
    // the row it went into, or kNoRow. `hash`: the description's (RowIndex::Hash), where taken ahead.
    int16_t LoadPair(const Text& description, const Text& page,
                                    std::optional<size_t> hash = std::nullopt);
    Text LoadedText(TextView verb, int16_t count) const;
    // Until SetOrder and SetLevels choose: the order (Keystack) and the levels a file read by
    // NewFile records on its root tag.
    void AdoptFileSettings(TextView rootTag);
    // A description read from a file that records the separator `fileSeparator`, as this
    // table stores it.
    Text AsStored(Text description, TextView fileSeparator) const;
    // The table stores the paths of a file that records `fileSeparator` otherwise than it holds them.
    bool SeparatorDiffers(TextView fileSeparator) const;
    // Keystack: gives rows sort keys (row number and key; an empty key takes the row's away),
    // all or none, and sorts the rows again.
    void TakeSortKeys(std::vector<std::pair<int16_t, Text>> sortKeys);
    // Keystack: the keys of the rows in use made again for the order, levels and sort keys in
    // force (after a change of them in an empty table).
    void RefreshKeys();

    // AppendPages' plan (see entry_pages.cpp): each pair of the file played onto it as it is
    // read, and the table changed only once the whole file is read and the plan holds.
    class PagesMerge;

    const Edition edition_;  // by value: a table may outlive the Edition it was made from
    // The rows are allocated once, for the full capacity; rows at or above count_ keep
    // whatever they last held and are never read.
    std::unique_ptr<Row[]> rows_;
    int16_t count_ = 0;
    // The row numbers in the table's order. A new entry stays in the row it was written to and
    // only its number is inserted here, so an insertion moves 2 bytes per entry after it
    // instead of two strings. The array always holds every row number once: those from count_
    // on are the rows free for new entries.
    std::unique_ptr<int16_t[]> order_;
    // Keystack in text order: the order. None in ordinal order.
    std::unique_ptr<platform::TextOrder> textOrder_;
    // In ordinal order, the user's default locale, for FetchGroup's headings.
    mutable std::unique_ptr<platform::TextOrder> defaultOrder_;
    // Keystack: each row's key, by row number (written with the row), as KeyOf makes it; none
    // in ordinal order without levels and sort keys.
    std::unique_ptr<std::string[]> keys_;
    // Keystack: each row's sort key (SortAs; empty: none), by row number; none until the first.
    std::unique_ptr<Text[]> sortAs_;
    bool sortKeysHeld_ = false;  // some row has had a sort key since the rows were last released
    // The separator of levels; empty: levels off.
    Text separator_;
    // SetOrder chose the order, SetLevels the levels: NewFile keeps them. Until then each file
    // read by NewFile brings its own, which the loader takes from the root start tag.
    bool orderChosen_ = false, levelsChosen_ = false;
    // A Description line read from a file, waiting for its Page line.
    Text pendingDescription_;
    // The row that holds each description, by number: the first in the table's order, so that
    // Store finds the row a scan from the first would find without scanning (Pagestack may hold
    // a description twice, from a file). The keys view the rows' own strings, which stay put
    // while their rows are in use.
    FirstRows firstRow_;
};
