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

Entry::Probe Entry::ProbeOf(const Text& description) const {
    return {description, textOrder_ ? textOrder_->SortKey(description) : std::string()};
}

int16_t* Entry::SortedPlaceOf(const Probe& probe) const {
    const Row* const rows = rows_.get();
    int16_t* const begin = order_.get();
    int16_t* const end = begin + count_;
    if (begin == end) return end;
    // A sorted file loads, and many reports store, in ascending order: after the last entry
    // is where most new descriptions go.
    if (!textOrder_) {
        const Text& description = probe.description;
        if (rows[end[-1]].description < description) return end;
        return std::lower_bound(begin, end, description,
                                [rows](int16_t row, const Text& d) { return rows[row].description < d; });
    }
    // Text order: by sort key, and where the keys are equal ("Lake" and "lake") ordinally, so
    // that the order is total and only an identical description is equal.
    const std::string* const keys = keys_.get();
    const auto before = [rows, keys](int16_t row, const Probe& p) {
        const int byKey = keys[row].compare(p.key);
        return byKey < 0 || (byKey == 0 && rows[row].description < p.description);
    };
    if (before(end[-1], probe)) return end;
    return std::lower_bound(begin, end, probe, before);
}

// The entries in use are sorted and unique, so a binary search finds the entry that a scan
// from the first would stop at: the equal description, or the first one that sorts after it.
Text Entry::StoreSorted(const Text& description, const Text& pageNo) {
    Row* const rows = rows_.get();
    int16_t* const end = order_.get() + count_;
    Probe probe = ProbeOf(description);
    int16_t* const at = SortedPlaceOf(probe);
    if (at != end && rows[*at].description == description) {
        rows[*at].page = pageNo;  // also when the table is full
        return description;
    }
    if (count_ >= kStoreLimit) return Text(edition_.tableFullText);
    // The first free row takes the entry; the numbers after its place move up by one.
    const int16_t row = *end;
    std::memmove(at + 1, at, static_cast<size_t>(end - at) * sizeof *at);
    *at = row;
    rows[row].description = description;
    rows[row].page = pageNo;
    if (textOrder_) keys_[row] = std::move(probe.key);
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
    if (count_ >= kStoreLimit) return Text(edition_.tableFullText);
    AppendRow(description, pageNo);
    return description;
}

std::optional<int16_t> Entry::StoreRowOf(const Text& description) const {
    if (description.empty()) return std::nullopt;
    if (edition_.sorted) {
        const int16_t* const at = SortedPlaceOf(ProbeOf(description));
        if (at == order_.get() + count_ || rows_[*at].description != description) return std::nullopt;
        return *at;
    } else {
        const auto found = firstRow_.find(description);
        if (found == firstRow_.end()) return std::nullopt;
        return found->second;
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
