// Levels and sort keys: an index with sub-entries under their main entry ("lake>oxbow"), a
// contents page with headings under headings ("2024>March"), and terms that sort otherwise
// than they print ("The Hague" as "Hague"). Every level above a row is a row of its own;
// Keystack orders level by level (see description_order.h), Pagestack keeps each row in its
// parent's block, in the order first stored.
#include <algorithm>
#include <vector>

#include "core/error.h"
#include "entry/entry.h"
#include "entry/levels.h"

Text Entry::SetLevels(const Text& separator) {
    Text newSeparator = separator;  // everything the change needs is made before it
    // Every description read again with the new separator: the rows above it that the table
    // lacks are staged, in the order a Store of each row would add them.
    FirstRows staged;
    std::vector<int16_t> stagedRows;
    int16_t k = 0;
    for (int16_t i = 0; i < count_; ++i) {
        const TextView description = RowAt(i).description;
        if (!IsPath(description, newSeparator)) continue;
        const std::vector<TextView> levels = LevelsOf(description, newSeparator);
        for (size_t level = 1; level < levels.size(); ++level) {
            const TextView parent = description.substr(
                0, static_cast<size_t>(levels[level - 1].data() - description.data()) + levels[level - 1].size());
            if (RowOfPath(parent, staged)) continue;
            if (count_ + k + 1 > kStoreLimit) throw OverflowError();  // no room: nothing changes
            stagedRows.push_back(order_[count_ + k]);
            StageRow(k++, Text(parent), Text(), std::string(), staged);
        }
    }
    std::unique_ptr<std::string[]> keys;
    std::vector<int16_t> inOrder;
    if (edition_.sorted) {
        keys = KeysFor(textOrder_.get(), newSeparator, !newSeparator.empty() || sortKeysHeld_, sortAs_.get(), staged);
    } else if (!newSeparator.empty()) {
        // Pagestack: every row in its parent's block, the blocks in the order of the rows'
        // first places (a parent that stood later comes up to its first child).
        inOrder.reserve(static_cast<size_t>(count_ + k));
        std::vector<bool> placed(kRowCount);
        const auto place = [&](int16_t row) {
            placed[static_cast<size_t>(row)] = true;
            const TextView description = rows_[row].description;
            const std::optional<TextView> parent =
                IsPath(description, newSeparator) ? ParentPath(description, newSeparator) : std::nullopt;
            auto at = inOrder.end();
            if (parent) {
                const int16_t parentRow = *RowOfPath(*parent, staged);
                at = std::find(inOrder.begin(), inOrder.end(), parentRow) + 1;
                while (at != inOrder.end() && rows_[*at].description.size() > parent->size() + newSeparator.size() &&
                       TextView(rows_[*at].description).substr(0, parent->size()) == *parent &&
                       TextView(rows_[*at].description).substr(parent->size(), newSeparator.size()) == newSeparator)
                    ++at;
            }
            inOrder.insert(at, row);
        };
        for (int16_t i = 0; i < count_; ++i) {
            const int16_t row = order_[i];
            if (placed[static_cast<size_t>(row)]) continue;
            const TextView description = rows_[row].description;
            if (IsPath(description, newSeparator)) {
                const std::vector<TextView> levels = LevelsOf(description, newSeparator);
                for (size_t level = 1; level < levels.size(); ++level) {
                    const TextView parent = description.substr(
                        0, static_cast<size_t>(levels[level - 1].data() - description.data()) + levels[level - 1].size());
                    const int16_t parentRow = *RowOfPath(parent, staged);
                    if (!placed[static_cast<size_t>(parentRow)]) place(parentRow);
                }
            }
            place(row);
        }
    }
    // From here on nothing allocates: the table changes whole.
    separator_.swap(newSeparator);
    levelsChosen_ = true;
    firstRow_.Merge(staged);  // room reserved as the rows were staged
    count_ = static_cast<int16_t>(count_ + k);
    if (edition_.sorted) {
        SortByKeys(std::move(keys));
    } else if (!inOrder.empty()) {
        std::copy(inOrder.begin(), inOrder.end(), order_.get());
    }
    return separator_;
}

int16_t Entry::FetchLevel(int16_t index) const {
    return InUse(index) ? LevelOf(RowAt(index).description, separator_) : int16_t{0};
}

Text Entry::FetchLabel(int16_t index) const {
    return InUse(index) ? Text(LabelOf(RowAt(index).description, separator_)) : Text();
}

Text Entry::FetchSortKey(int16_t index) const {
    return InUse(index) && sortAs_ ? sortAs_[order_[index]] : Text();
}

Text Entry::SortAs(const Text& description, const Text& sortKey) {
    if (!edition_.sorted) {
        throw AutomationError(kErrorInvalidArgument,
                              Text(edition_.identity.libraryName) +
                                  u" keeps its entries in the order they were stored: it takes no sort key");
    }
    const std::optional<int16_t> row = StoreRowOf(description);
    if (!row) return Text();  // nothing is added
    Text answer = description;
    TakeSortKeys({{*row, sortKey}});
    return answer;
}

// The rows and every row beneath them move to where the new keys put them: their keys are made
// again (every row's, for a file's keys or the first time the table takes one), then the rows
// sorted. All or nothing: on a failure every row keeps its key.
void Entry::TakeSortKeys(std::vector<std::pair<int16_t, Text>> sortKeys) {
    const bool any = std::any_of(sortKeys.begin(), sortKeys.end(), [](const auto& k) { return !k.second.empty(); });
    if (sortKeys.empty() || (!sortAs_ && !any)) return;  // no key to give or take away
    std::unique_ptr<Text[]> made = sortAs_ ? nullptr : std::make_unique<Text[]>(kRowCount);
    Text* const sortAs = sortAs_ ? sortAs_.get() : made.get();
    // In place for the keys made below, and back on a failure (in the other direction, for a
    // row named twice).
    for (auto& [row, key] : sortKeys) sortAs[row].swap(key);
    const auto swapBack = [&] {
        for (auto k = sortKeys.rbegin(); k != sortKeys.rend(); ++k) sortAs[k->first].swap(k->second);
    };
    std::unique_ptr<std::string[]> keys;
    std::vector<std::pair<int16_t, std::string>> changed;
    try {
        if (!Structured() || sortKeys.size() > 1) {
            keys = KeysFor(textOrder_.get(), separator_, true, sortAs, FirstRows());
        } else {
            const Text& path = rows_[sortKeys[0].first].description;
            for (int16_t i = 0; i < count_; ++i) {
                const int16_t other = order_[i];
                const TextView description = rows_[other].description;
                const bool beneath = !separator_.empty() && description.size() > path.size() + separator_.size() &&
                                     description.substr(0, path.size()) == path &&
                                     description.substr(path.size(), separator_.size()) == separator_;
                if (other == sortKeys[0].first || beneath)
                    changed.emplace_back(other, PathKeyOf(other, textOrder_.get(), separator_, sortAs, FirstRows()));
            }
        }
    } catch (...) {
        swapBack();
        throw;
    }
    if (made) sortAs_ = std::move(made);
    sortKeysHeld_ = true;
    if (keys) {
        SortByKeys(std::move(keys));
    } else {
        for (auto& [other, otherKey] : changed) keys_[other].swap(otherKey);
        SortRows();
    }
}
