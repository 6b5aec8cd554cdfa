// Page lists on the table: AddPage and FindPage reach the row that Store would update
// without a scan (Keystack by binary search, Pagestack through its index of first rows).
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
