// Keystack's order of descriptions, read one way by every program that needs it (the table,
// the indexfile tool's check, the fuzz model): by the sort key of the table's text order where
// it has one ("text:sv-SE"), and where two keys are equal ("Lake" and "lake"), or in ordinal
// order, unit by unit. So the order is total, and only an identical description is equal.
//
// Where descriptions are paths (levels) or rows have sort keys of their own (SortAs), a row's
// key says the whole order: level by level, each level sorted as its sort key (its own text
// where it has none) in the table's order, equal keys decided by the level's text, and every
// row right after its parent and before the parent's later children ("lake", "lake>kettle",
// "lake>oxbow", "lake district"). A parent's key is the start of each child's.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/text.h"
#include "platform/text_order.h"

// A description as the order compares it: its key (empty in ordinal order without levels or
// sort keys) and its text.
struct SortedDescription {
    std::string_view key;
    TextView text;
};

inline bool SortsBefore(const SortedDescription& a, const SortedDescription& b) {
    if (const int byKey = a.key.compare(b.key); byKey != 0) return byKey < 0;
    return a.text < b.text;
}

// The key a description sorts by in `order`; none in ordinal order (a null order).
inline std::string SortKeyIn(const platform::TextOrder* order, TextView description) {
    return order ? order->SortKey(description) : std::string();
}

// For a caller that compares texts, not rows that keep their keys.
inline bool SortsBefore(const platform::TextOrder* order, TextView a, TextView b) {
    return SortsBefore({SortKeyIn(order, a), a}, {SortKeyIn(order, b), b});
}

// Appends to a path's key the key of its next level, `label`, sorted as `sortAs` (the label
// itself where the row has no sort key): `sortAs` as the order sorts it (in ordinal order unit
// by unit), then the label unit by unit, each part closed by a zero byte, which no other byte
// of a part is.
void AppendLevelKey(std::string& key, const platform::TextOrder* order, TextView sortAs, TextView label);

// The key of a path with separator `separator` (empty: one level): its levels from the top,
// each sorted as the sort key `sortKeyOf` gives for the path down to it (the empty text: none).
using SortKeyLookup = std::function<TextView(TextView path)>;
std::string PathKey(const platform::TextOrder* order, TextView separator, TextView description,
                    const SortKeyLookup& sortKeyOf);
