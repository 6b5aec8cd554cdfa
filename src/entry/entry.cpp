#include "entry/entry.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "entry/levels.h"
#include "platform/platform.h"

namespace {
constexpr TextView kBlankDescriptionText = u"ERROR: Description cannot be blank";
}  // namespace

Entry::Entry(const Edition& edition)
    : edition_(edition), rows_(std::make_unique<Row[]>(kRowCount)), order_(std::make_unique<int16_t[]>(kRowCount)) {
    std::iota(order_.get(), order_.get() + kRowCount, int16_t{0});
    Clear();
}

// Keystack: the entries in use are sorted and unique, so the row Store updates is the one that
// holds the description. Pagestack: the first (lowest) row that holds it, as a scan from the
// first row would find it: a loaded file can hold the same description twice.
Text Entry::Store(const Text& description, const Text& pageNo) {
    if (description.empty() || !IsPath(description, separator_)) return Text(kBlankDescriptionText);
    if (StoreRow(description, pageNo) == kNoRow) return Text(edition_.tableFullText);
    return description;
}

int16_t Entry::StoreRow(const Text& description, const Text& pageNo) {
    return StoreRow(description, pageNo, RowIndex::Hash(description));  // once, for the lookup and the new row
}

int16_t Entry::StoreRow(const Text& description, const Text& pageNo, size_t hash) {
    if (const std::optional<int16_t> row = firstRow_.Find(description, hash)) {
        rows_[*row].page = pageNo;  // also when the table is full
        return *row;
    }
    return AddRows(description, pageNo, kStoreLimit, hash);
}

std::optional<int16_t> Entry::StoreRowOf(TextView description) const {
    return firstRow_.Find(description);
}

std::optional<int16_t> Entry::RowOfPath(TextView path, const FirstRows& staged) const {
    if (const std::optional<int16_t> row = StoreRowOf(path)) return row;
    return staged.Find(path);
}

std::vector<TextView> Entry::MissingParents(TextView description, const FirstRows& staged) const {
    std::vector<TextView> missing;
    for (std::optional<TextView> parent = ParentPath(description, separator_); parent;
         parent = ParentPath(*parent, separator_)) {
        if (RowOfPath(*parent, staged)) break;  // a row's parents are held with it
        missing.push_back(*parent);
    }
    std::reverse(missing.begin(), missing.end());
    return missing;
}

int16_t Entry::AddRows(const Text& description, const Text& page, int16_t limit, size_t hash) {
    if (!ParentPath(description, separator_)) return AddRow(description, page, limit, hash);
    FirstRows staged;
    const std::vector<TextView> parents = MissingParents(description, staged);
    if (count_ + static_cast<int>(parents.size()) + 1 > limit) return kNoRow;
    int16_t k = 0;
    for (TextView parent : parents) {
        const Text path(parent);
        StageRow(k++, path, Text(), KeyOf(path, TextView(), staged), staged);
    }
    const int16_t row = order_[count_ + k];
    StageRow(k++, description, page, KeyOf(description, TextView(), staged), staged, hash);
    LinkStagedRows(k, staged);
    return row;
}

// StageRow and LinkStagedRows for one row, without an index of staged rows: a load enters
// thousands of rows that lack no parent. What may fail comes first, while the row is free.
int16_t Entry::AddRow(const Text& description, const Text& page, int16_t limit, size_t hash) {
    if (count_ + 1 > limit) return kNoRow;
    static const FirstRows kNoneStaged;
    std::string key = KeyOf(description, TextView(), kNoneStaged);
    firstRow_.Reserve(firstRow_.Size() + 1);
    const int16_t row = order_[count_];
    Row& into = rows_[row];
    into.description = description;
    into.page = page;
    // From here on nothing allocates.
    if (keys_) keys_[row] = std::move(key);
    if (sortAs_) sortAs_[row].clear();
    if (!into.description.empty()) firstRow_.Insert(into.description, hash, row);  // a held one keeps its row
    LinkFirstFreeRow();
    return row;
}

std::string Entry::KeyOf(TextView description, TextView sortAs, const FirstRows& staged) const {
    if (!edition_.sorted) return std::string();
    if (!Structured()) return SortKeyIn(textOrder_.get(), description);
    // A path's key is its parent's, and its own level's after it.
    std::string key;
    const std::optional<TextView> parent = ParentPath(description, separator_);
    if (parent) {
        if (const std::optional<int16_t> row = RowOfPath(*parent, staged)) {
            key = keys_[*row];
        } else {
            key = KeyOf(*parent, TextView(), staged);  // not held yet: no sort key of its own
        }
    }
    const TextView label = LabelOf(description, separator_);
    AppendLevelKey(key, textOrder_.get(), sortAs.empty() ? label : sortAs, label);
    return key;
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

int16_t Entry::PlaceInOrder(int16_t row) const {
    const std::optional<TextView> parent = ParentPath(rows_[row].description, separator_);
    if (!parent) return count_;
    const std::optional<int16_t> parentRow = StoreRowOf(*parent);
    if (!parentRow) return count_;
    int16_t at = 0;
    while (at < count_ && order_[at] != *parentRow) ++at;
    // The parent's block: the rows under it, which follow it.
    const Text& parentPath = rows_[*parentRow].description;
    for (++at; at < count_; ++at) {
        const TextView other = rows_[order_[at]].description;
        if (other.size() <= parentPath.size() + separator_.size() || other.compare(0, parentPath.size(), parentPath) != 0 ||
            other.compare(parentPath.size(), separator_.size(), separator_) != 0)
            break;
    }
    return at;
}

void Entry::StageRow(int16_t staged, const Text& description, Text&& page, std::string key, FirstRows& firstRows) {
    rows_[order_[count_ + staged]].page = std::move(page);
    StageRow(staged, description, key, firstRows, RowIndex::Hash(description));
}

// Copied into the row's own strings, which keep the room of the texts they held before: a
// table loaded again makes no new text.
void Entry::StageRow(int16_t staged, const Text& description, const Text& page, std::string key, FirstRows& firstRows,
                     size_t hash) {
    rows_[order_[count_ + staged]].page = page;
    StageRow(staged, description, key, firstRows, hash);
}

// Free rows are those whose numbers stand after the rows in use.
void Entry::StageRow(int16_t staged, const Text& description, std::string& key, FirstRows& firstRows, size_t hash) {
    const int16_t row = order_[count_ + staged];
    Row& into = rows_[row];
    into.description = description;
    if (keys_) keys_[row] = std::move(key);
    if (sortAs_) sortAs_[row].clear();
    // Room in the index for every staged row, so that linking them allocates nothing.
    firstRow_.Reserve(firstRow_.Size() + static_cast<size_t>(staged) + 1);
    if (!into.description.empty()) firstRows.Insert(into.description, hash, row);
}

void Entry::LinkStagedRows(int16_t staged, FirstRows& firstRows) noexcept {
    // A description already held (a file's second row of it) keeps its first row in the index.
    firstRow_.Merge(firstRows);  // the room was reserved when the rows were staged
    for (int16_t k = 0; k < staged; ++k) LinkFirstFreeRow();
}

// The first free row's number moves from the end of those in use to its place.
void Entry::LinkFirstFreeRow() noexcept {
    int16_t* const end = order_.get() + count_;
    const int16_t row = *end;
    int16_t* at;
    if (edition_.sorted) {
        const std::string_view key = keys_ ? std::string_view(keys_[row]) : std::string_view();
        at = SortedPlaceOf({key, rows_[row].description});
    } else {
        at = order_.get() + PlaceInOrder(row);
    }
    std::memmove(at + 1, at, static_cast<size_t>(end - at) * sizeof *at);
    *at = row;
    ++count_;
}

void Entry::ReleaseRows() {
    count_ = 0;
    firstRow_.Clear();
    sortKeysHeld_ = false;
    // The keys of rows out of use are never read; a row taken into use again gets its own.
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
    if (!Structured() && !textOrder_) keys_.reset();  // ordinal rows without levels need none
    return Text(edition_.resetText);
}
