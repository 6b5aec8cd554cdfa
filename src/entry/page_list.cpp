#include "entry/page_list.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/error.h"

namespace {

constexpr TextView kSeparator = u", ";
constexpr int kLargestPage = 32767;

// The value of a numeric page: decimal digits without a sign, blanks or leading zeros
// ("007" is a text, so that a page written that way keeps its form), at most 32767.
std::optional<int> NumericPage(TextView text) {
    if (text.empty() || text.size() > 5 || (text.size() > 1 && text[0] == u'0')) return std::nullopt;
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    if (value > kLargestPage) return std::nullopt;
    return value;
}

using Run = std::pair<int, int>;  // first and last page, first <= last

// A number, or a range "a-b" of numbers with a < b.
std::optional<Run> NumericRun(TextView text) {
    if (const auto page = NumericPage(text)) return Run{*page, *page};
    const size_t dash = text.find(u'-');
    if (dash == TextView::npos) return std::nullopt;
    const auto first = NumericPage(text.substr(0, dash));
    const auto last = NumericPage(text.substr(dash + 1));
    if (!first || !last || *first >= *last) return std::nullopt;
    return Run{*first, *last};
}

class PageList {
public:
    PageList() { runs_.reserve(4); }  // most lists hold a few runs: one allocation for them

    // Adds every page the text lists, its numbers moved by `offset`.
    void AddAll(TextView list, int offset = 0) {
        for (size_t start = 0;;) {
            const size_t end = list.find(kSeparator, start);
            Add(list.substr(start, end == TextView::npos ? TextView::npos : end - start), offset);
            if (end == TextView::npos) break;
            start = end + kSeparator.size();
        }
        length_ += list.size();
    }

    // Adds one page, which holds no ", "; the overflow error when a number moved by `offset`
    // would leave 0 to 32767.
    void Add(TextView page, int offset) {
        if (page.empty()) return;
        if (const auto run = NumericRun(page)) {
            if (run->first + offset < 0 || run->second + offset > kLargestPage) throw OverflowError();
            runs_.emplace_back(run->first + offset, run->second + offset);
        } else if (seen_.insert(page).second) {  // a list may hold thousands of other texts
            others_.push_back(page);
        }
    }

    bool HoldsNumbers() const { return !runs_.empty(); }

    Text Written() {
        std::sort(runs_.begin(), runs_.end());
        Text out;
        out.reserve(length_ + 8);  // about the length of what was added: one allocation
        auto append = [&out](TextView piece) {
            if (!out.empty()) out.append(kSeparator);
            out.append(piece);
        };
        for (size_t i = 0; i < runs_.size();) {
            // Overlapping and touching runs join: 3, 4 and 5-7 are one run 3-7.
            int first = runs_[i].first, last = runs_[i].second;
            for (++i; i < runs_.size() && runs_[i].first <= last + 1; ++i) last = std::max(last, runs_[i].second);
            append(DecimalText(first));
            if (last == first + 1) append(DecimalText(last));
            if (last >= first + 2) out += u"-" + DecimalText(last);
        }
        for (TextView other : others_) append(other);
        return out;
    }

private:
    std::vector<Run> runs_;
    // Views of the texts being merged, which outlive the list.
    std::vector<TextView> others_;
    std::unordered_set<TextView> seen_;
    size_t length_ = 0;
};

}  // namespace

Text MergePageList(TextView list, TextView page, int offset) {
    PageList pages;
    pages.AddAll(list);
    pages.AddAll(page, offset);
    return pages.Written();
}

std::optional<Text> ShiftPageList(TextView page, int offset) {
    if (offset == 0) return std::nullopt;
    if (const auto number = NumericPage(page)) {  // most pages are one number
        if (*number + offset < 0 || *number + offset > kLargestPage) throw OverflowError();
        return DecimalText(*number + offset);
    }
    PageList pages;
    pages.AddAll(page, offset);
    if (!pages.HoldsNumbers()) return std::nullopt;
    return pages.Written();
}
