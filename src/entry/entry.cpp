#include "entry/entry.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/platform.h"

namespace {
constexpr TextView kBlankDescriptionText = u"ERROR: Description cannot be blank";
}  // namespace

Entry::Entry(const Edition& edition) : edition_(edition), rows_(std::make_unique<Row[]>(kRowCount)) {
    if (edition_.sorted) {
        order_ = std::make_unique<int16_t[]>(kRowCount);
        std::iota(order_.get(), order_.get() + kRowCount, int16_t{0});
    }
    Clear();
}

int16_t Entry::RowNumberAt(int16_t index) const {
    if (edition_.sorted) {
        return order_[index];
    } else {
        return index;  // Pagestack's rows stand in the table's order
    }
}

Text Entry::Store(const Text& description, const Text& pageNo) {
    if (description.empty()) return Text(kBlankDescriptionText);
    if (edition_.sorted) {
        return StoreSorted(description, pageNo);
    } else {
        return StoreInOrder(description, pageNo);
    }
}

int16_t* Entry::SortedPlaceOf(const SortedDescription& description) const {
    const Row* const rows = rows_.get();
    const std::string* const keys = keys_.get();
    int16_t* const begin = order_.get();
    int16_t* const end = begin + count_;
    const auto before = [rows, keys](int16_t row, const SortedDescription& d) {
        return SortsBefore({keys ? std::string_view(keys[row]) : std::string_view(), rows[row].description}, d);
    };
    // A sorted file loads, and many reports store, in ascending order: after the last entry
    // is where most new descriptions go.
    if (begin == end || before(end[-1], description)) return end;
    return std::lower_bound(begin, end, description, before);
}

// The entries in use are sorted and unique, so a binary search finds the entry that a scan
// from the first would stop at: the equal description, or the first one that sorts after it.
Text Entry::StoreSorted(const Text& description, const Text& pageNo) {
    const std::string key = SortKeyIn(textOrder_.get(), description);
    int16_t* const at = SortedPlaceOf({key, description});
    if (at != order_.get() + count_ && rows_[*at].description == description) {
        rows_[*at].page = pageNo;  // also when the table is full
        return description;
    }
    if (count_ >= kStoreLimit) return Text(edition_.tableFullText);
    FirstRows none;
    StageRow(0, description, pageNo, std::move(key), none);
    LinkStagedRows(1, none);
    return description;
}

// The first (lowest) row with an equal description is the one updated: a loaded file can hold
// the same description twice.
Text Entry::StoreInOrder(const Text& description, const Text& pageNo) {
    if (auto found = firstRow_.find(description); found != firstRow_.end()) {
        rows_[found->second].page = pageNo;
        return description;
    }
    if (count_ >= kStoreLimit) return Text(edition_.tableFullText);
    FirstRows firstRows;
    StageRow(0, description, pageNo, std::string(), firstRows);
    LinkStagedRows(1, firstRows);
    return description;
}

std::optional<int16_t> Entry::StoreRowOf(const Text& description) const {
    if (description.empty()) return std::nullopt;
    if (edition_.sorted) {
        const std::string key = SortKeyIn(textOrder_.get(), description);
        const int16_t* const at = SortedPlaceOf({key, description});
        if (at == order_.get() + count_ || rows_[*at].description != description) return std::nullopt;
        return *at;
    } else {
        const auto found = firstRow_.find(description);
        if (found == firstRow_.end()) return std::nullopt;
        return found->second;
    }
}

// Keystack's free rows are those whose numbers stand after the rows in use; Pagestack's are
// the rows after them.
void Entry::StageRow(int16_t staged, const Text& description, Text page, std::string key, FirstRows& firstRows) {
    const int16_t row = RowNumberAt(static_cast<int16_t>(count_ + staged));
    Row& into = rows_[row];
    into.description = description;
    into.page = std::move(page);
    if (textOrder_) keys_[row] = std::move(key);
    if (!edition_.sorted) {
        // Room in the index for every staged row, so that linking them allocates nothing. (Only
        // when it lacks room: asking for less than it has could make it shrink.)
        const size_t rows = firstRow_.size() + static_cast<size_t>(staged) + 1;
        if (static_cast<float>(rows) > firstRow_.max_load_factor() * static_cast<float>(firstRow_.bucket_count()))
            firstRow_.reserve(rows);
        firstRows.emplace(into.description, static_cast<int16_t>(count_ + staged));
    }
}

void Entry::LinkStagedRows(int16_t staged, FirstRows& firstRows) noexcept {
    if (edition_.sorted) {
        for (int16_t k = 0; k < staged; ++k) {
            // The first free row's number moves from the end of those in use to its place.
            int16_t* const end = order_.get() + count_;
            const int16_t row = *end;
            const std::string_view key = keys_ ? std::string_view(keys_[row]) : std::string_view();
            int16_t* const at = SortedPlaceOf({key, rows_[row].description});
            std::memmove(at + 1, at, static_cast<size_t>(end - at) * sizeof *at);
            *at = row;
            ++count_;
        }
    } else {
        firstRow_.merge(firstRows);  // the room was reserved when the rows were staged
        count_ = static_cast<int16_t>(count_ + staged);
    }
}

void Entry::AppendRow(const Text& description, Text page) {
    Row& row = RowAt(count_);
    row.description = description;
    row.page = std::move(page);
    if (!edition_.sorted) {
        if (!row.description.empty()) firstRow_.emplace(row.description, count_);  // keeps a lower row
    }
    ++count_;
}

void Entry::ReleaseRows() {
    count_ = 0;
    firstRow_.clear();
}

Text Entry::FetchDescription(int16_t index) const {
    return InUse(index) ? RowAt(index).description : Text();
}

Text Entry::FetchPage(int16_t index) const {
    return InUse(index) ? RowAt(index).page : Text();
}

int16_t Entry::MaxPage() const {
    int16_t maximum = 0;
    for (int16_t i = 0; i < count_; ++i) {
        if (auto page = platform::ParseInt16(RowAt(i).page); page && *page > maximum)
            maximum = *page;
    }
    return maximum;
}

Text Entry::Clear() {
    ReleaseRows();
    return Text(edition_.resetText);
}
