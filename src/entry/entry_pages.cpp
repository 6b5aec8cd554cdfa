// Page lists on the table: AddPage and FindPage reach the row that Store would update
// without a scan (Keystack by binary search, Pagestack through its index of first rows), and
// a book's parts move and merge their pages with ShiftPages and AppendPages.
#include <unordered_map>

#include "entry/entry.h"
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
        const int16_t row = RowNumberAt(i);
        std::optional<Text> page = ShiftPageList(rows_[row].page, offset);
        if (!page) continue;  // nothing moves: the page stays exactly as it is
        CheckPageFitsLine(*page);
        moved.emplace_back(row, std::move(*page));
    }
    for (auto& [row, page] : moved) rows_[row].page = std::move(page);
    return static_cast<int16_t>(moved.size());
}

// The pairs are played as AddPage calls would play them, in file order, but onto a plan: the
// page each row will hold, and the new rows. Only a plan that holds as a whole is written, and
// everything the new rows need is made before the first of them is taken into use.
Text Entry::MergePagePairs(const std::vector<PagePair>& pairs, int16_t offset, size_t* refused) {
    struct Planned {
        std::optional<int16_t> row;  // the row Store would update; none for a new row
        size_t pair;                 // the pair that first names it
        std::optional<Text> page;    // the page it will hold, where that changes (a new row: always)
    };
    std::vector<Planned> plan;  // in the order the file first names each row
    std::vector<int> planOfRow(kRowCount, -1);
    std::unordered_map<TextView, size_t> planOfNew;
    // The first new description past the table's room, for a caller that names it.
    const size_t room = count_ < kStoreLimit ? static_cast<size_t>(kStoreLimit - count_) : 0;
    size_t tableFullAt = pairs.size();
    for (size_t i = 0; i < pairs.size(); ++i) {
        const PagePair& pair = pairs[i];
        if (refused) *refused = i;
        // AddPage refuses a blank description: such a pair names no term, and Save would not
        // write it either.
        if (pair.description.empty()) continue;
        size_t at;
        if (const std::optional<int16_t> row = StoreRowOf(pair.description)) {
            if (planOfRow[*row] < 0) {
                planOfRow[*row] = static_cast<int>(plan.size());
                plan.push_back({row, i, std::nullopt});
            }
            at = static_cast<size_t>(planOfRow[*row]);
        } else {
            const auto [found, added] = planOfNew.try_emplace(pair.description, plan.size());
            if (added) {  // a new row holds its page as given, moved: one that Save can write
                if (planOfNew.size() == room + 1) tableFullAt = i;
                Text page = ShiftPageList(pair.page, offset).value_or(pair.page);
                CheckPageFitsLine(page);
                plan.push_back({std::nullopt, i, std::move(page)});
                continue;
            }
            at = found->second;
        }
        if (pair.page.empty()) continue;  // adds no page
        Planned& planned = plan[at];
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
    // New rows go where Store puts them (Keystack: in the order in force; Pagestack: at the
    // end, in the file's order). Staging them may fail and changes nothing a caller sees.
    FirstRows firstRows;
    int16_t staged = 0;
    for (Planned& planned : plan) {
        if (planned.row) continue;
        const Text& description = pairs[planned.pair].description;
        StageRow(staged++, description, std::move(*planned.page), SortKeyIn(textOrder_.get(), description),
                 firstRows);
    }
    Text appended = LoadedText(u"Append ", static_cast<int16_t>(count_ + staged));
    // From here on nothing allocates: the merge is written whole.
    for (Planned& planned : plan) {
        if (planned.row && planned.page) rows_[*planned.row].page = std::move(*planned.page);
    }
    LinkStagedRows(staged, firstRows);
    return appended;
}
