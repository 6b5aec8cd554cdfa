// The order of Keystack's rows: ordinal, unit by unit (the default, which stored files and
// existing callers rely on), or the reader's order in a locale ("text:sv-SE"): case ignored,
// accents after the letters, numbers inside terms by value, and where that finds two
// descriptions equal ("Lake", "lake") the ordinal order, so that equality stays exact.
#include <algorithm>

#include "core/error.h"
#include "entry/entry.h"
#include "entry/levels.h"

namespace {

constexpr TextView kOrdinal = u"ordinal";
constexpr TextView kText = u"text";
constexpr TextView kTextPrefix = u"text:";

// Order names ignore case, in ASCII only: "ORDINAL" is "ordinal" whatever the locale.
Text AsciiLower(TextView text) {
    Text lower(text);
    for (char16_t& unit : lower)
        if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + (u'a' - u'A'));
    return lower;
}

// How much of a caller's text an error's description shows.
constexpr size_t kShown = 40;

AutomationError OrderError(const Text& description) {
    return AutomationError(kErrorInvalidArgument, description);
}

bool NamesTextOrder(const Text& lower) {
    return lower == kText || lower.compare(0, kTextPrefix.size(), kTextPrefix) == 0;
}

}  // namespace

std::unique_ptr<platform::TextOrder> Entry::TextOrderNamed(const Text& name) {
    const Text lower = AsciiLower(name);
    if (lower == kOrdinal) return nullptr;
    if (lower == kText) return platform::TextOrder::Open(platform::DefaultLocaleName());
    if (!NamesTextOrder(lower)) {
        throw OrderError(u"Unknown order " + Quoted(name, kShown) +
                         u": use \"ordinal\", \"text\" (the user's default locale) or \"text:\" followed by a "
                         u"locale name, such as \"text:sv-SE\"");
    }
    const Text locale = name.substr(kTextPrefix.size());
    if (locale.empty()) {
        throw OrderError(u"No locale name after \"text:\": use \"text\" for the user's default locale, or a "
                         u"locale name, such as \"text:sv-SE\"");
    }
    auto order = platform::TextOrder::Open(locale);
    if (!order) {
        throw OrderError(u"Unknown locale " + Quoted(locale, kShown) +
                         u": \"text:\" takes the name of a locale this system knows, such as \"sv-SE\" or "
                         u"\"de-DE\"");
    }
    return order;
}

Text Entry::SetOrder(const Text& order) {
    if (order.empty()) return Order();
    if (edition_.sorted) {
        std::unique_ptr<platform::TextOrder> named = TextOrderNamed(order);
        Text answer = OrderName(named.get());  // made before the table changes
        UseOrder(std::move(named));
        orderChosen_ = true;
        return answer;
    }
    if (const Text lower = AsciiLower(order); lower != kOrdinal) {
        const Text library(edition_.identity.libraryName);
        if (NamesTextOrder(lower)) {
            throw OrderError(library + u" keeps its entries in the order they were stored: it accepts the "
                                       u"order \"ordinal\" only, not " + Quoted(order, kShown));
        }
        throw OrderError(u"Unknown order " + Quoted(order, kShown) + u": " + library + u" accepts the order \"ordinal\" only");
    }
    orderChosen_ = true;
    return Order();
}

Text Entry::OrderName(const platform::TextOrder* order) {
    return order ? Text(kTextPrefix) + order->LocaleName() : Text(kOrdinal);
}

Text Entry::Order() const { return OrderName(textOrder_.get()); }

std::string Entry::PathKeyOf(int16_t row, const platform::TextOrder* order, TextView separator,
                             const Text* sortAs, const FirstRows& staged) const {
    // Level by level from the top, each with the sort key of the row that holds it.
    const Text& description = rows_[row].description;
    return PathKey(order, separator, description, [&](TextView path) {
        if (!sortAs) return TextView();
        const std::optional<int16_t> holder = path.size() == description.size() ? std::optional(row) : RowOfPath(path, staged);
        return holder ? TextView(sortAs[*holder]) : TextView();
    });
}

std::unique_ptr<std::string[]> Entry::KeysFor(const platform::TextOrder* order, TextView separator,
                                              bool structured, const Text* sortAs, const FirstRows& staged) const {
    if (!structured && !order) return nullptr;
    auto keys = std::make_unique<std::string[]>(kRowCount);
    const auto keyOf = [&](int16_t row) {
        return structured ? PathKeyOf(row, order, separator, sortAs, staged) : order->SortKey(rows_[row].description);
    };
    for (int16_t i = 0; i < count_; ++i) keys[order_[i]] = keyOf(order_[i]);
    staged.ForEach([&](TextView, int16_t row) { keys[row] = keyOf(row); });
    return keys;
}

void Entry::SortByKeys(std::unique_ptr<std::string[]> keys) noexcept {
    keys_ = std::move(keys);
    SortRows();
}

void Entry::SortRows() noexcept {
    const Row* const rows = rows_.get();
    const std::string* const sortKeys = keys_.get();
    const auto keyOf = [sortKeys](int16_t row) {
        return sortKeys ? std::string_view(sortKeys[row]) : std::string_view();
    };
    std::sort(order_.get(), order_.get() + count_, [rows, keyOf](int16_t a, int16_t b) {
        return SortsBefore({keyOf(a), rows[a].description}, {keyOf(b), rows[b].description});
    });
}

void Entry::RefreshKeys() {
    if (edition_.sorted) SortByKeys(KeysFor(textOrder_.get(), separator_, Structured(), sortAs_.get(), FirstRows()));
}

void Entry::UseOrder(std::unique_ptr<platform::TextOrder> order) {
    std::unique_ptr<std::string[]> keys = KeysFor(order.get(), separator_, Structured(), sortAs_.get(), FirstRows());
    // Everything the order needs exists: from here on nothing allocates, nothing fails.
    textOrder_ = std::move(order);
    SortByKeys(std::move(keys));
}

// The heading of a row's top level, sorted as its sort key where it has one ("The Hague"
// sorted as "Hague" stands under H).
Text Entry::FetchGroup(int16_t index) const {
    if (!InUse(index)) return Text();
    const TextView top = TopLevelOf(RowAt(index).description, separator_);
    TextView shown = top;
    if (sortAs_) {
        if (const std::optional<int16_t> row = StoreRowOf(top); row && !sortAs_[*row].empty()) shown = sortAs_[*row];
    }
    if (textOrder_) return textOrder_->LetterGroup(shown);
    // Opened once per object: a report asks for a heading per row.
    if (!defaultOrder_) defaultOrder_ = platform::TextOrder::Open(platform::DefaultLocaleName());
    return defaultOrder_ ? defaultOrder_->LetterGroup(shown) : Text();
}
