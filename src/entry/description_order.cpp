#include "entry/description_order.h"

#include "entry/levels.h"

namespace {

// A text's units as bytes that sort as the units do, a shorter text first, with no zero byte:
// three bytes a unit, seven bits in each (with the top bit set).
void AppendUnits(std::string& key, TextView text) {
    for (char16_t unit : text) {
        key.push_back(static_cast<char>(0x80 | (unit >> 14)));
        key.push_back(static_cast<char>(0x80 | ((unit >> 7) & 0x7F)));
        key.push_back(static_cast<char>(0x80 | (unit & 0x7F)));
    }
}

}  // namespace

// The platform's sort keys hold no zero byte but their last, or (the portable one) one that
// ends a part of the key that no other key continues: closed by one more, a key is a prefix of
// no other, and a part that follows it cannot change the order it gives.
void AppendLevelKey(std::string& key, const platform::TextOrder* order, TextView sortAs, TextView label) {
    if (order) {
        key += order->SortKey(sortAs);
    } else {
        AppendUnits(key, sortAs);
    }
    key.push_back('\0');
    AppendUnits(key, label);
    key.push_back('\0');
}

std::string PathKey(const platform::TextOrder* order, TextView separator, TextView description,
                    const SortKeyLookup& sortKeyOf) {
    std::string key;
    for (TextView level : LevelsOf(description, separator)) {
        const TextView path = description.substr(0, static_cast<size_t>(level.data() - description.data()) + level.size());
        const TextView own = sortKeyOf ? sortKeyOf(path) : TextView();
        AppendLevelKey(key, order, own.empty() ? level : own, level);
    }
    return key;
}
