// Page lists on the table: AddPage and FindPage reach the row that Store would update
// without a scan (Keystack by binary search, Pagestack through its index of first rows), and
// a book's parts move and merge their pages with ShiftPages and AppendPages.
#include <unordered_map>

#include "entry/entry.h"
#include "entry/levels.h"
#include "entry/page_list.h"

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
// page each row will hold, and the new rows (a new path's missing parents first). Only a plan
// that holds as a whole is written, and everything the new rows and the file's sort keys need
// is made before the first of them is taken into use.
Text Entry::MergePagePairs(const std::vector<PagePair>& pairs, int16_t offset, size_t* refused) {
    struct Planned {
        std::optional<int16_t> row;  // the row Store would update; none for a new row
        Text description;            // a new row's
        std::optional<Text> page;    // the page it will hold, where that changes (a new row: always)
        const Text* sortKey = nullptr;  // the file's, for a row that has none
    };
    std::vector<Planned> plan;  // in the order the file first names each row
    std::vector<int> planOfRow(kRowCount, -1);
    std::unordered_map<Text, size_t> planOfNew;
    // The first new description past the table's room, for a caller that names it.
    const size_t room = count_ < kStoreLimit ? static_cast<size_t>(kStoreLimit - count_) : 0;
    size_t tableFullAt = pairs.size();
    const auto planNew = [&](const Text& description, Text page, size_t pair) {
        planOfNew.emplace(description, plan.size());
        if (planOfNew.size() == room + 1) tableFullAt = pair;
        plan.push_back({std::nullopt, description, std::move(page)});
    };
    for (size_t i = 0; i < pairs.size(); ++i) {
        const PagePair& pair = pairs[i];
        if (refused) *refused = i;
        if (pair.description.empty()) continue;  // names no term
        size_t at;
        if (const std::optional<int16_t> row = StoreRowOf(pair.description)) {
            if (planOfRow[*row] < 0) {
                planOfRow[*row] = static_cast<int>(plan.size());
                plan.push_back({row, Text(), std::nullopt});
            }
            at = static_cast<size_t>(planOfRow[*row]);
        } else if (const auto found = planOfNew.find(pair.description); found != planOfNew.end()) {
            at = found->second;
        } else if (!IsPath(pair.description, separator_)) {
            // AddPage adds no row for a path with an empty level ("lake>>oxbow"); a row held
            // from before the levels, as it stands, takes its pages above.
            continue;
        } else {
            // A new row holds its page as given, moved: one that Save can write. The parents it
            // lacks come first, without a page.
            std::vector<Text> parents;
            for (std::optional<TextView> parent = ParentPath(pair.description, separator_); parent;
                 parent = ParentPath(*parent, separator_)) {
                if (StoreRowOf(*parent) || planOfNew.count(Text(*parent))) break;
                parents.emplace_back(*parent);
            }
            for (auto parent = parents.rbegin(); parent != parents.rend(); ++parent) planNew(*parent, Text(), i);
            Text page = ShiftPageList(pair.page, offset).value_or(pair.page);
            CheckPageFitsLine(page);
            planNew(pair.description, std::move(page), i);
            if (!pair.sortKey.empty()) plan.back().sortKey = &pair.sortKey;
            continue;
        }
        Planned& planned = plan[at];
        if (!pair.sortKey.empty()) planned.sortKey = &pair.sortKey;
        if (pair.page.empty()) continue;  // adds no page
        const Text& current = planned.page ? *planned.page : rows_[*planned.row].page;
        Text merged = MergePageList(current, pair.page, offset);
        if (merged != current) {
            CheckPageFitsLine(merged);
            planned.page = std::move(merged);
        }
    }
    // Store refuses a new description once 8000 rows are in use.
    if (!planOfNew.empty() && count_ + planOfNew.size() > static_cast<size_t>(kStoreLimit)) {
        if (refused) *refused = tableFullAt;
        return Text(edition_.tableFullText);
    }
    if (refused) *refused = pairs.size();
    // New rows go where Store puts them (Keystack: in the order in force; Pagestack: in their
    // parent's block, in the file's order). Staging them may fail and changes nothing a caller
    // sees.
    FirstRows firstRows;
    int16_t staged = 0;
    std::vector<std::pair<int16_t, Text>> sortKeys;  // Keystack: the file's, for rows without one
    for (Planned& planned : plan) {
        if (!planned.row) {
            const int16_t row = order_[count_ + staged];
            StageRow(staged++, planned.description, std::move(*planned.page),
                     KeyOf(planned.description, TextView(), firstRows), firstRows);
            if (planned.sortKey && edition_.sorted) sortKeys.emplace_back(row, *planned.sortKey);
        } else if (planned.sortKey && edition_.sorted && FetchSortKeyOfRow(*planned.row).empty()) {
            sortKeys.emplace_back(*planned.row, *planned.sortKey);
        }
    }
    Text appended = LoadedText(u"Append ", static_cast<int16_t>(count_ + staged));
    // The file's sort keys, in place for the keys they make (and back on a failure).
    std::unique_ptr<Text[]> madeSortAs;
    std::unique_ptr<std::string[]> keys;
    if (!sortKeys.empty()) {
        if (!sortAs_) madeSortAs = std::make_unique<Text[]>(kRowCount);
        Text* const sortAs = sortAs_ ? sortAs_.get() : madeSortAs.get();
        for (auto& [row, key] : sortKeys) sortAs[row].swap(key);
        try {
            keys = KeysFor(textOrder_.get(), separator_, true, sortAs, firstRows);
        } catch (...) {
            for (auto k = sortKeys.rbegin(); k != sortKeys.rend(); ++k) sortAs[k->first].swap(k->second);
            throw;
        }
    }
    // From here on nothing allocates: the merge is written whole.
    for (Planned& planned : plan) {
        if (planned.row && planned.page) rows_[*planned.row].page = std::move(*planned.page);
    }
    LinkStagedRows(staged, firstRows);
    if (keys) {
        if (madeSortAs) sortAs_ = std::move(madeSortAs);
        sortKeysHeld_ = true;
        SortByKeys(std::move(keys));
    }
    return appended;
}
