// Keystack's order of descriptions, read one way by every program that needs it (the table,
// the indexfile tool's check, the fuzz model): by the sort key of the table's text order where
// it has one ("text:sv-SE"), and where two keys are equal ("Lake" and "lake"), or in ordinal
// order, unit by unit. So the order is total, and only an identical description is equal.
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"
#include "platform/text_order.h"

// A description as the order compares it: its sort key (empty in ordinal order) and its text.
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
