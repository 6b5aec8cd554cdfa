// The promises every state of the index table keeps, checked through its public calls only.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/build.h"
#include "entry/description_order.h"
#include "entry/entry.h"
#include "fuzz_check.h"
#include "platform/text_order.h"

namespace fuzz {

using Rows = std::vector<std::pair<Text, Text>>;

// The table's order, opened again by its name (none: ordinal).
inline std::unique_ptr<platform::TextOrder> TextOrderOf(const Entry& entry) {
    const Text name = entry.Order();
    if (name == u"ordinal") return nullptr;
    FUZZ_CHECK(name.compare(0, 5, u"text:") == 0);
    auto order = platform::TextOrder::Open(TextView(name).substr(5));
    FUZZ_CHECK(order != nullptr);
    return order;
}

inline Rows RowsOf(const Entry& entry) {
    Rows rows;
    for (int16_t i = 0; i < entry.Count(); ++i) rows.emplace_back(entry.FetchDescription(i), entry.FetchPage(i));
    return rows;
}

// At most `limit` rows; nothing outside them; Keystack's rows sorted by the table's order,
// unique and never blank.
inline void CheckTable(const Entry& entry, int16_t limit) {
    const int16_t count = entry.Count();
    FUZZ_CHECK(count >= 0 && count <= limit);
    for (const int index : {-32768, -1, int{count}, count + 1, int{Entry::kRowCount}, 32767}) {
        if (index > 32767) continue;
        FUZZ_CHECK(entry.FetchDescription(static_cast<int16_t>(index)).empty());
        FUZZ_CHECK(entry.FetchPage(static_cast<int16_t>(index)).empty());
    }
    if constexpr (Build::kSorted) {
        const auto order = TextOrderOf(entry);
        // With levels or sort keys a row's key says the order (every row after its parent);
        // without them, the descriptions themselves.
        const Text separator = entry.Levels();
        std::map<Text, Text, std::less<>> sortKeys;
        for (int16_t i = 0; i < count; ++i) {
            if (Text key = entry.FetchSortKey(i); !key.empty()) sortKeys.emplace(entry.FetchDescription(i), key);
        }
        const bool byPath = !separator.empty() || !sortKeys.empty();
        const SortKeyLookup sortKeyOf = [&](TextView path) -> TextView {
            const auto found = sortKeys.find(path);
            return found == sortKeys.end() ? TextView() : TextView(found->second);
        };
        Text previous;
        std::string previousKey;
        for (int16_t i = 0; i < count; ++i) {
            Text description = entry.FetchDescription(i);
            FUZZ_CHECK(!description.empty());
            if (byPath) {
                std::string key = PathKey(order.get(), separator, description, sortKeyOf);
                FUZZ_CHECK(i == 0 || SortsBefore({previousKey, previous}, {key, description}));
                previousKey = std::move(key);
            } else {
                FUZZ_CHECK(i == 0 || SortsBefore(order.get(), previous, description));
                // The keys the table sorts by agree with the platform's own comparison.
                FUZZ_CHECK(i == 0 || !order || order->Compare(previous, description) <= 0);
            }
            previous = std::move(description);
        }
    }
}

}  // namespace fuzz
