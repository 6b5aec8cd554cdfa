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
#include <unordered_map>
#include <vector>

#include "core/build_traits.h"
#include "core/text.h"
#include "entry/description_order.h"
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
    Text StoreSorted(const Text& description, const Text& pageNo);
    Text StoreInOrder(const Text& description, const Text& pageNo);
    // Keystack: where a description stands or would go among the sorted row numbers in use.
    int16_t* SortedPlaceOf(const SortedDescription& description) const;
    // Keystack: takes `order` (none: ordinal) and sorts the rows in use by it. Everything the
    // new order needs is made first: on a failure the order and the rows stay as they were.
    void UseOrder(std::unique_ptr<platform::TextOrder> order);
    // The row (its place in rows_) that Store would update for `description`, or none when
    // Store would add one.
    std::optional<int16_t> StoreRowOf(const Text& description) const;
    // Throws the overflow error for a page that Save could not write on its line.
    static void CheckPageFitsLine(const Text& page);
    bool InUse(int16_t index) const { return index >= 0 && index < count_; }
    // The row that holds the index-th entry in the table's order.
    Row& RowAt(int16_t index) { return rows_[RowNumberAt(index)]; }
    const Row& RowAt(int16_t index) const { return rows_[RowNumberAt(index)]; }
    int16_t RowNumberAt(int16_t index) const;
    // New rows in two steps, so that several go in all or none. StageRow writes the
    // `staged`-th new entry, with its sort key in text order (SortKeyIn), into a free row,
    // which no call reads, and may fail (out of memory);
    // LinkStagedRows then takes the `staged` rows into use, in the order staged: Keystack at
    // their sorted places, Pagestack after the rows in use. It allocates nothing, so it cannot
    // fail. `firstRows`: Pagestack's index entries for the staged rows, made by StageRow.
    using FirstRows = std::unordered_map<TextView, int16_t>;
    void StageRow(int16_t staged, const Text& description, Text page, std::string key, FirstRows& firstRows);
    void LinkStagedRows(int16_t staged, FirstRows& firstRows) noexcept;
    // Writes row count_ and takes it into use (a row as a file holds it: Pagestack's loader).
    void AppendRow(const Text& description, Text page);
    // Takes every row out of use (the strings stay).
    void ReleaseRows();

    void WriteEntries(platform::FileReplacement& out) const;
    Text LoadFile(const Text& sFile, TextView verb, bool newFile);
    // Enters one Description/Page pair that NewFile or AppendFile read, as the build loads.
    void LoadPair(Text& description, Text& page);
    Text LoadedText(TextView verb, int16_t count) const;
    // Keystack, until SetOrder chooses: the order a file read by NewFile records on its root tag.
    void AdoptFileOrder(TextView rootTag);

    struct PagePair {
        Text description;
        Text page;
    };
    // AppendPages once its file is read: merges every pair or none, and returns AppendPages'
    // answer: the table-full text when the new rows do not fit. Throws the overflow error for a
    // page or list. `refused`, where given, gets the number of the pair that refused the merge,
    // or the number of pairs when none did.
    Text MergePagePairs(const std::vector<PagePair>& pairs, int16_t offset, size_t* refused);

    const Edition edition_;  // by value: a table may outlive the Edition it was made from
    // The rows are allocated once, for the full capacity; rows at or above count_ keep
    // whatever they last held and are never read.
    std::unique_ptr<Row[]> rows_;
    int16_t count_ = 0;
    // Keystack: the row numbers in sorted order of their descriptions. A new entry stays in
    // the row it was written to and only its number is inserted here, so an insertion moves
    // 2 bytes per entry after it instead of two strings. The array always holds every row
    // number once: those from count_ on are the rows free for new entries.
    std::unique_ptr<int16_t[]> order_;
    // Keystack in text order: the order, and each row's sort key by row number (written with
    // the row). None in ordinal order.
    std::unique_ptr<platform::TextOrder> textOrder_;
    // In ordinal order, the user's default locale, for FetchGroup's headings.
    mutable std::unique_ptr<platform::TextOrder> defaultOrder_;
    std::unique_ptr<std::string[]> keys_;
    // SetOrder chose the order: NewFile keeps it. Until then each file read by NewFile brings
    // its own, which the loader takes from the first tag of the file (the root start tag).
    bool orderChosen_ = false;
    // A Description line read from a file, waiting for its Page line.
    Text pendingDescription_;
    // Pagestack: the lowest row in use that holds each description, so that Store finds the
    // row a scan from row 0 would find without scanning. The keys view the rows' own strings,
    // which stay put while their rows are in use.
    FirstRows firstRow_;
};
