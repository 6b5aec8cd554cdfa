// Page lists on the table: AddPage and FindPage reach the row that Store would update
// without a scan (Keystack by binary search, Pagestack through its index of first rows), and
// a book's parts move and merge their pages with ShiftPages and AppendPages.
#include <exception>
#include <unordered_map>

#include "core/error.h"
#include "entry/entry.h"
#include "entry/index_file_reader.h"
#include "entry/levels.h"
#include "entry/page_list.h"
#include "platform/files.h"

Text Entry::AddPage(const Text& description, const Text& pageNo) {
    const std::optional<int16_t> row = StoreRowOf(description);
    if (!row) return Store(description, pageNo);  // a new row, exactly as Store makes it
    if (pageNo.empty()) return description;       // adds no page: the list stays as it is
    Text& page = rows_[*row].page;
    Text merged = MergePageList(page, pageNo);
    if (merged != page) {
        CheckPageFitsLine(merged);  // before the change: a refused list leaves the old one
        page = std::move(merged);
    }
    return description;
}

Text Entry::FindPage(const Text& description) const {
    const std::optional<int16_t> row = StoreRowOf(description);
    return row ? rows_[*row].page : Text();
}

// Every new page is made and checked before the first is written, so a refusal changes nothing.
int16_t Entry::ShiftPages(int16_t offset) {
    std::vector<std::pair<int16_t, Text>> moved;  // row and its new page
    for (int16_t i = 0; i < count_; ++i) {
        const int16_t row = order_[i];
        std::optional<Text> page = ShiftPageList(rows_[row].page, offset);
        if (!page) continue;  // nothing moves: the page stays exactly as it is
        CheckPageFitsLine(*page);
        moved.emplace_back(row, std::move(*page));
    }
    for (auto& [row, page] : moved) rows_[row].page = std::move(page);
    return static_cast<int16_t>(moved.size());
}

// The pairs are played as AddPage calls would play them, in file order, but onto a plan: the
// page each row will hold, and the new rows (a new path's missing parents first). A pair is
// played as it is read, so the file's values are held only where the plan needs them. Only a
// plan that holds as a whole is written, and everything the new rows and the file's sort keys
// need is made before the first of them is taken into use.
class Entry::PagesMerge {
public:
    PagesMerge(Entry& table, int16_t offset)
        : table_(table),
          offset_(offset),
          planOfRow_(kRowCount, -1),
          room_(table.count_ < kStoreLimit ? static_cast<size_t>(kStoreLimit - table.count_) : 0) {
        plan_.reserve(kRowCount);  // a chapter names about as many rows as a table holds: no copy to grow
    }

    // A pair's row is looked up in the cache: its description, read a line before its page, has
    // its index slot brought near (Expect: `description` is the one Pair will be given next, or
    // none); once its page is read, its key and its row are (Pair), and the pair is played as
    // the next one comes (or a SortKey line, or the end), as if read a pair later.
    void Expect(const Text* description) {
        expected_.reset();
        if (!description) return;
        expected_ = RowIndex::Hash(*description);
        table_.firstRow_.PrefetchSlot(*expected_);
    }
    // The next pair of the file (its Page line: `line`), taken over: the texts given get others
    // to fill. A pair that refuses the merge ends the plan, but not the reading: an error that
    // stops the reading further on still comes first, as when the whole file was read before
    // the first pair was played.
    void Pair(Text& description, Text& page, size_t line) {
        Read& read = reads_[(next_ + held_) % 2];
        read.description.swap(description);
        read.page.swap(page);
        read.line = line;
        read.hash = expected_ ? *expected_ : RowIndex::Hash(read.description);
        expected_.reset();
        if (held_ == 1) PlayHeld();  // meanwhile the slot comes
        const int16_t row = table_.firstRow_.PrefetchKey(read.hash);
        if (row >= 0) __builtin_prefetch(&table_.rows_[row].page);
        held_ = 1;
    }
    // The sort key the file records for the last pair's row.
    void SortKey(const Text& sortKey) {
        if (held_ == 1) PlayHeld();
        if (last_ != kNoEntry && !sortKey.empty()) sortKeyOf_[last_] = sortKey;
    }
    // Throws the error of the pair that refused the merge; answers the table-full text, and
    // changes nothing, when the new rows do not fit; or writes the plan. `refusal`, where given,
    // gets the pair that refused.
    Text Finish(PagesRefusal* refusal);

private:
    // A pair read and not yet played.
    struct Read {
        Text description, page;
        size_t line = 0;
        size_t hash = 0;  // the description's
    };
    void PlayHeld() {
        const Read& read = reads_[next_];
        next_ = 1 - next_;
        held_ = 0;
        last_ = kNoEntry;
        if (refusal_) return;
        try {
            last_ = Play(read.description, read.page, read.line, read.hash);
        } catch (...) {
            refusal_ = PagesRefusal{read.line, read.description, read.page};
            error_ = std::current_exception();
        }
    }
    struct Planned {
        int16_t row;               // the row Store would update; -1 for a new row
        bool paged;                // `page` is the page it will hold (it changes; a new row: always)
        uint32_t description;      // a new row's, in newDescriptions_
        Text page;
    };
    // Plays one pair; the plan entry of its row, or kNoEntry when it names none. (Not an
    // optional: one is built in memory and read back wider, which stalls every call.)
    static constexpr size_t kNoEntry = static_cast<size_t>(-1);
    size_t Play(const Text& description, const Text& page, size_t line, size_t hash);
    void PlanNew(const Text& description, Text page, const Text& pairDescription, const Text& pairPage, size_t line) {
        planOfNew_.emplace(description, plan_.size());
        // The first new description past the table's room, for a caller that names it.
        if (planOfNew_.size() == room_ + 1) tableFull_ = PagesRefusal{line, pairDescription, pairPage};
        plan_.push_back({-1, true, static_cast<uint32_t>(newDescriptions_.size()), std::move(page)});
        newDescriptions_.push_back(description);
    }

    Entry& table_;
    const int16_t offset_;
    std::vector<Planned> plan_;  // in the order the file first names each row
    std::vector<Text> newDescriptions_;
    std::unordered_map<size_t, Text> sortKeyOf_;  // the file's sort key of a plan entry's row
    std::vector<int> planOfRow_;
    std::unordered_map<Text, size_t> planOfNew_;
    const size_t room_;
    std::optional<PagesRefusal> tableFull_;
    size_t last_ = kNoEntry;  // the plan entry of the last pair's row
    std::optional<size_t> expected_;  // the hash of the next pair's description (Expect)
    Read reads_[2];
    int next_ = 0;  // the read to play next
    int held_ = 0;  // the pairs read and not yet played (0 or 1)
    std::optional<PagesRefusal> refusal_;  // the pair that refused, with its error
    std::exception_ptr error_;
};

size_t Entry::PagesMerge::Play(const Text& description, const Text& page, size_t line, size_t hash) {
    if (description.empty()) return kNoEntry;  // names no term
    size_t at;
    if (const std::optional<int16_t> row = table_.firstRow_.Find(description, hash)) {
        if (planOfRow_[*row] < 0) {
            planOfRow_[*row] = static_cast<int>(plan_.size());
            plan_.push_back({*row, false, 0, Text()});
        }
        at = static_cast<size_t>(planOfRow_[*row]);
    } else if (const auto found = planOfNew_.find(description); found != planOfNew_.end()) {
        at = found->second;
    } else if (!IsPath(description, table_.separator_)) {
        // AddPage adds no row for a path with an empty level ("lake>>oxbow"); a row held from
        // before the levels, as it stands, takes its pages above.
        return kNoEntry;
    } else {
        // A new row holds its page as given, moved: one that Save can write. The parents it
        // lacks come first, without a page.
        std::vector<Text> parents;
        for (std::optional<TextView> parent = ParentPath(description, table_.separator_); parent;
             parent = ParentPath(*parent, table_.separator_)) {
            if (table_.StoreRowOf(*parent) || planOfNew_.count(Text(*parent))) break;
            parents.emplace_back(*parent);
        }
        for (auto parent = parents.rbegin(); parent != parents.rend(); ++parent)
            PlanNew(*parent, Text(), description, page, line);
        Text moved = ShiftPageList(page, offset_).value_or(page);
        CheckPageFitsLine(moved);
        PlanNew(description, std::move(moved), description, page, line);
        return plan_.size() - 1;
    }
    Planned& planned = plan_[at];
    if (page.empty()) return at;  // adds no page
    const Text& current = planned.paged ? planned.page : table_.rows_[planned.row].page;
    Text merged = MergePageList(current, page, offset_);
    if (merged != current) {
        CheckPageFitsLine(merged);
        planned.page = std::move(merged);
        planned.paged = true;
    }
    return at;
}

Text Entry::PagesMerge::Finish(PagesRefusal* refusal) {
    if (held_ == 1) PlayHeld();
    if (refusal_) {
        if (refusal) *refusal = *refusal_;
        std::rethrow_exception(error_);
    }
    Entry& t = table_;
    // Store refuses a new description once 8000 rows are in use.
    if (!planOfNew_.empty() && t.count_ + planOfNew_.size() > static_cast<size_t>(kStoreLimit)) {
        if (refusal && tableFull_) *refusal = *tableFull_;
        return Text(t.edition_.tableFullText);
    }
    // New rows go where Store puts them (Keystack: in the order in force; Pagestack: in their
    // parent's block, in the file's order). Staging them may fail and changes nothing a caller
    // sees.
    FirstRows firstRows;
    int16_t staged = 0;
    std::vector<std::pair<int16_t, Text>> sortKeys;  // Keystack: the file's, for rows without one
    for (size_t i = 0; i < plan_.size(); ++i) {
        Planned& planned = plan_[i];
        const auto sortKey = t.edition_.sorted && !sortKeyOf_.empty() ? sortKeyOf_.find(i) : sortKeyOf_.end();
        if (planned.row < 0) {
            const int16_t row = t.order_[t.count_ + staged];
            const Text& description = newDescriptions_[planned.description];
            t.StageRow(staged++, description, std::move(planned.page), t.KeyOf(description, TextView(), firstRows),
                       firstRows);
            if (sortKey != sortKeyOf_.end()) sortKeys.emplace_back(row, std::move(sortKey->second));
        } else if (sortKey != sortKeyOf_.end() && t.FetchSortKeyOfRow(planned.row).empty()) {
            sortKeys.emplace_back(planned.row, std::move(sortKey->second));
        }
    }
    Text appended = t.LoadedText(u"Append ", static_cast<int16_t>(t.count_ + staged));
    // The file's sort keys, in place for the keys they make (and back on a failure).
    std::unique_ptr<Text[]> madeSortAs;
    std::unique_ptr<std::string[]> keys;
    if (!sortKeys.empty()) {
        if (!t.sortAs_) madeSortAs = std::make_unique<Text[]>(kRowCount);
        Text* const sortAs = t.sortAs_ ? t.sortAs_.get() : madeSortAs.get();
        for (auto& [row, key] : sortKeys) sortAs[row].swap(key);
        try {
            keys = t.KeysFor(t.textOrder_.get(), t.separator_, true, sortAs, firstRows);
        } catch (...) {
            for (auto k = sortKeys.rbegin(); k != sortKeys.rend(); ++k) sortAs[k->first].swap(k->second);
            throw;
        }
    }
    // From here on nothing allocates: the merge is written whole.
    for (Planned& planned : plan_) {
        if (planned.row >= 0 && planned.paged) t.rows_[planned.row].page = std::move(planned.page);
    }
    t.LinkStagedRows(staged, firstRows);
    if (keys) {
        if (madeSortAs) t.sortAs_ = std::move(madeSortAs);
        t.sortKeysHeld_ = true;
        t.SortByKeys(std::move(keys));
    }
    return appended;
}

// The whole file is read before the table changes, so a file that cannot be read to its end
// changes nothing. Its Description lines pair with its own Page lines only: the object's
// pending description waits for the next NewFile or AppendFile as before.
Text Entry::AppendPages(const Text& sFile, int16_t offset) { return AppendPages(sFile, offset, nullptr); }

Text Entry::AppendPages(const Text& sFile, int16_t offset, PagesRefusal* refusal) {
    if (sFile.empty()) return Text();
    if (!platform::FileIsPresent(sFile)) return CannotFindText(sFile);
    PagesMerge merge(*this, offset);
    size_t lineRead = 0;
    Text pending;
    RootTagSearch root;
    Text fileSeparator;    // the file's paths are read with it
    bool keyable = false;  // a SortKey line now names the last pair's row
    try {
        IndexFileLineReader lines(sFile);
        IndexFilePairing pairing(pending);
        TextView line;
        while (lines.Next(line, lineRead)) {
            const std::optional<TextView> tag = pairing.Read(line);
            if (pairing.DescriptionRead()) {
                // A path read with another separator is looked up as it is stored: not ahead.
                merge.Expect(SeparatorDiffers(fileSeparator) ? nullptr : &pending);
            } else if (pairing.Paired()) {
                if (SeparatorDiffers(fileSeparator)) {
                    Text stored = AsStored(pairing.Description(), fileSeparator);
                    merge.Pair(stored, pairing.Page(), lineRead);
                } else {
                    merge.Pair(pairing.Description(), pairing.Page(), lineRead);
                }
                keyable = true;
            } else if (pairing.SortKeyRead()) {
                if (keyable && pending.empty()) merge.SortKey(pairing.SortKey());
                keyable = false;
            }
            if (!tag || root.Decided()) continue;
            root.Read(*tag);
            if (root.Root()) {
                try {
                    fileSeparator = RecordedLevels(*root.Root());
                } catch (const AutomationError&) {
                    // A separator that cannot be read: the file's paths are read with the object's.
                }
            }
        }
    } catch (...) {
        if (refusal) *refusal = PagesRefusal{lineRead, Text(), Text()};
        throw;
    }
    return merge.Finish(refusal);
}
