#include "entry/entry.h"

#include <algorithm>

#include "automation/build.h"
#include "platform/platform.h"

namespace {
constexpr TextView kBlankDescriptionText = u"ERROR: Description cannot be blank";
}  // namespace

Entry::Entry() : rows_(std::make_unique<Row[]>(kRowCount)) {
    Clear();
}

Text Entry::Store(const Text& description, const Text& pageNo) {
    if (description.empty()) return Text(kBlankDescriptionText);
    if constexpr (Build::kSorted) {
        return StoreSorted(description, pageNo);
    } else {
        return StoreInOrder(description, pageNo);
    }
}

// Rows in use are sorted and unique, so a binary search finds the row that a scan from row 0
// would stop at: the equal description, or the first one that sorts after it. The comparison
// is ordinal, by 16-bit unit.
Text Entry::StoreSorted(const Text& description, const Text& pageNo) {
    Row* const begin = rows_.get();
    Row* const end = begin + count_;
    Row* const at = std::lower_bound(begin, end, description,
                                     [](const Row& row, const Text& d) { return row.description < d; });
    if (at != end && at->description == description) {
        at->page = pageNo;  // also when the table is full
        return description;
    }
    if (count_ >= kStoreLimit) return Text(Build::kTableFullText);
    std::move_backward(at, end, end + 1);
    at->description = description;
    at->page = pageNo;
    ++count_;
    return description;
}

// The first (lowest) row with an equal description is the one updated: a loaded file can hold
// the same description twice.
Text Entry::StoreInOrder(const Text& description, const Text& pageNo) {
    if (auto found = firstRow_.find(description); found != firstRow_.end()) {
        rows_[found->second].page = pageNo;
        return description;
    }
    if (count_ >= kStoreLimit) return Text(Build::kTableFullText);
    AppendRow(description, pageNo);
    return description;
}

std::optional<int16_t> Entry::StoreRowOf(const Text& description) const {
    if (description.empty()) return std::nullopt;
    if constexpr (Build::kSorted) {
        const Row* const begin = rows_.get();
        const Row* const end = begin + count_;
        const Row* const at = std::lower_bound(begin, end, description,
                                               [](const Row& row, const Text& d) { return row.description < d; });
        if (at == end || at->description != description) return std::nullopt;
        return static_cast<int16_t>(at - begin);
    } else {
        const auto found = firstRow_.find(description);
        if (found == firstRow_.end()) return std::nullopt;
        return found->second;
    }
}

void Entry::AppendRow(const Text& description, Text page) {
    Row& row = rows_[count_];
    row.description = description;
    row.page = std::move(page);
    if constexpr (!Build::kSorted) {
        if (!row.description.empty()) firstRow_.emplace(row.description, count_);  // keeps a lower row
    }
    ++count_;
}

void Entry::ReleaseRows() {
    count_ = 0;
    firstRow_.clear();
}

Text Entry::FetchDescription(int16_t index) const {
    return InUse(index) ? rows_[index].description : Text();
}

Text Entry::FetchPage(int16_t index) const {
    return InUse(index) ? rows_[index].page : Text();
}

int16_t Entry::MaxPage() const {
    int16_t maximum = 0;
    for (int16_t i = 0; i < count_; ++i) {
        if (auto page = platform::ParseInt16(rows_[i].page); page && *page > maximum)
            maximum = *page;
    }
    return maximum;
}

Text Entry::Clear() {
    ReleaseRows();
    return Text(Build::kResetText);
}
