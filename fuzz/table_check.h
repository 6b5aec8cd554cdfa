// The promises every state of the index table keeps, checked through its public calls only.
#pragma once

#include <utility>
#include <vector>

#include "automation/build.h"
#include "entry/entry.h"
#include "fuzz_check.h"

namespace fuzz {

using Rows = std::vector<std::pair<Text, Text>>;

inline Rows RowsOf(const Entry& entry) {
    Rows rows;
    for (int16_t i = 0; i < entry.Count(); ++i) rows.emplace_back(entry.FetchDescription(i), entry.FetchPage(i));
    return rows;
}

// At most `limit` rows; nothing outside them; Keystack's rows sorted, unique and never blank.
inline void CheckTable(const Entry& entry, int16_t limit) {
    const int16_t count = entry.Count();
    FUZZ_CHECK(count >= 0 && count <= limit);
    for (const int index : {-32768, -1, int{count}, count + 1, int{Entry::kRowCount}, 32767}) {
        if (index > 32767) continue;
        FUZZ_CHECK(entry.FetchDescription(static_cast<int16_t>(index)).empty());
        FUZZ_CHECK(entry.FetchPage(static_cast<int16_t>(index)).empty());
    }
    if constexpr (Build::kSorted) {
        Text previous;
        for (int16_t i = 0; i < count; ++i) {
            Text description = entry.FetchDescription(i);
            FUZZ_CHECK(!description.empty());
            FUZZ_CHECK(i == 0 || previous < description);
            previous = std::move(description);
        }
    }
}

}  // namespace fuzz
