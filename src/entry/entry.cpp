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
    for (int16_t i = 0; i < count_; ++i) {
        if (rows_[i].description == description) {
            rows_[i].page = pageNo;
            return description;
        }
    }
    if (count_ >= kStoreLimit) return Text(Build::kTableFullText);
    rows_[count_].description = description;
    rows_[count_].page = pageNo;
    ++count_;
    return description;
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
    count_ = 0;
    return Text(Build::kResetText);
}
