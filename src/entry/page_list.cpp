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

// A number as a page holds one: decimal digits without a sign, blanks or leading zeros ("007" is
// a text, so that a page written that way keeps its form), at most 32767; read from `i` to the
// first unit that is not a digit, where `i` is left. False for anything else.
bool ReadPageNumber(TextView text, size_t& i, int& value) {
    const size_t start = i;
    value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (i - start == 5) return false;
        value = value * 10 + (text[i] - u'0');
    }
    const size_t digits = i - start;
    return digits > 0 && (digits == 1 || text[start] != u'0') && value <= kLargestPage;
}

// The value of a numeric page: a text that is one number (ReadPageNumber) and nothing else; -1
// for any other text. (A plain int: an optional is built in memory and read back wider, which
// stalls the load on every call.)
int NumericPage(TextView text) {
    size_t i = 0;
    int value;
    if (!ReadPageNumber(text, i, value) || i != text.size()) return -1;
    return value;
}

// Writes a page number (0 to 32767) at `at`; where it ends.
size_t PutPage(char16_t* to, size_t at, int page) {
    const size_t digits = page < 10 ? 1 : page < 100 ? 2 : page < 1000 ? 3 : page < 10000 ? 4 : 5;
    for (size_t k = digits; k > 0; page /= 10) to[at + --k] = static_cast<char16_t>(u'0' + page % 10);
    return at + digits;
}

using Run = std::pair<int, int>;  // first and last page, first <= last

// Writes runs sorted by their first page as a list: overlapping and touching runs join (3, 4 and
// 5-7 are one run 3-7), a run of two is its two pages. `putPage(number)` and `putText(text)`
// write; `runs[k]` has `first` and `second`, its first and last page.
template <class Runs, class PutPage, class PutText>
void WriteJoinedRuns(const Runs& runs, size_t count, PutPage&& putPage, PutText&& putText) {
    for (size_t k = 0; k < count;) {
        if (k > 0) putText(kSeparator);
        int first = runs[k].first, last = runs[k].second;
        for (++k; k < count && runs[k].first <= last + 1; ++k) last = std::max(last, runs[k].second);
        putPage(first);
        if (last == first + 1) {
            putText(kSeparator);
            putPage(last);
        } else if (last >= first + 2) {
            putText(u"-");
            putPage(last);
        }
    }
}

// A number, or a range "a-b" of numbers with a < b.
std::optional<Run> NumericRun(TextView text) {
    if (const int page = NumericPage(text); page >= 0) return Run{page, page};
    const size_t dash = text.find(u'-');
    if (dash == TextView::npos) return std::nullopt;
    const int first = NumericPage(text.substr(0, dash));
    const int last = NumericPage(text.substr(dash + 1));
    if (first < 0 || last < 0 || first >= last) return std::nullopt;
    return Run{first, last};
}

// The lists most merges meet: a few numbers and ranges, joined by ", " as Written writes them.
// They are read and written here without PageList's containers or a text grown piece by piece;
// any other list is PageList's, which gives the same text for these.
class FewRuns {
public:
    // Adds the runs `list` holds, moved by `offset` (the overflow error when one would leave 0 to
    // 32767, as PageList gives it); false when the list is in another form (a text that is not
    // a number, a blank, an empty item) or holds more runs than there is room for.
    bool AddAll(TextView list, int offset) {
        for (size_t i = 0;;) {
            int first, last;
            if (!ReadPageNumber(list, i, first)) return false;
            last = first;
            if (i < list.size() && list[i] == u'-' && (!ReadPageNumber(list, ++i, last) || last <= first))
                return false;
            if (size_ == kRoom) return false;
            if (first + offset < 0 || last + offset > kLargestPage) throw OverflowError();
            runs_[size_++] = Span{first + offset, last + offset};
            if (i == list.size()) return true;
            if (list.size() - i < 3 || list[i] != kSeparator[0] || list[i + 1] != kSeparator[1]) return false;
            i += kSeparator.size();
        }
    }

    // The list as PageList::Written writes the same runs.
    Text Written() {
        for (size_t k = 1; k < size_; ++k)  // a few: in place, one by one
            for (size_t j = k; j > 0 && runs_[j].Before(runs_[j - 1]); --j) std::swap(runs_[j], runs_[j - 1]);
        char16_t out[kRoom * (5 + 2 + 5 + 2)];  // at most "32766, 32767" and ", " a run
        size_t n = 0;
        WriteJoinedRuns(
            runs_, size_, [&](int page) { n = PutPage(out, n, page); },
            [&](TextView text) {
                for (char16_t unit : text) out[n++] = unit;
            });
        return Text(out, n);
    }

private:
    static constexpr size_t kRoom = 16;  // runs: a list of 16 pages and ranges

    // A run left uninitialised until it is added (Run, a pair, would clear them all first).
    struct Span {
        int first, second;  // as Run's
        bool Before(const Span& other) const {
            return first < other.first || (first == other.first && second < other.second);
        }
    };
    Span runs_[kRoom];
    size_t size_ = 0;
};

class PageList {
public:
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
            runs_.push_back({run->first + offset, run->second + offset});
        } else if (seen_.insert(page).second) {  // a list may hold thousands of other texts
            others_.push_back(page);
        }
    }

    bool HoldsNumbers() const { return !runs_.empty(); }

    Text Written() {
        std::sort(runs_.begin(), runs_.end());
        Text out;
        out.reserve(length_ + 8);  // about the length of what was added: one allocation
        WriteJoinedRuns(
            runs_, runs_.size(), [&out](int page) { AppendDecimal(out, page); },
            [&out](TextView text) { out.append(text); });
        const auto separate = [&out] {
            if (!out.empty()) out.append(kSeparator);
        };
        for (TextView other : others_) {
            separate();
            out.append(other);
        }
        return out;
    }

private:
    // The runs, in the list itself while they are few (most lists hold a few): merging a page
    // into a row's list allocates only the list it writes.
    class Runs {
    public:
        void push_back(Run run) {
            if (size_ < kHeld) {
                held_[size_++] = run;
                return;
            }
            if (size_ == kHeld) more_.assign(held_, held_ + kHeld);  // from here on, all in `more_`
            more_.push_back(run);
            ++size_;
        }
        bool empty() const { return size_ == 0; }
        size_t size() const { return size_; }
        Run* begin() { return size_ > kHeld ? more_.data() : held_; }
        Run* end() { return begin() + size_; }
        const Run& operator[](size_t i) const { return size_ > kHeld ? more_[i] : held_[i]; }

    private:
        static constexpr size_t kHeld = 8;
        Run held_[kHeld];
        std::vector<Run> more_;
        size_t size_ = 0;
    };
    Runs runs_;
    // Views of the texts being merged, which outlive the list.
    std::vector<TextView> others_;
    std::unordered_set<TextView> seen_;
    size_t length_ = 0;
};

}  // namespace

Text MergePageList(TextView list, TextView page, int offset) {
    // One page into a list of one, the most common merge: the two in order ("3, 7", "3, 4"), or one.
    if (const int held = NumericPage(list); held >= 0) {
        if (const int added = NumericPage(page); added >= 0) {
            const int moved = added + offset;
            if (moved < 0 || moved > kLargestPage) throw OverflowError();
            char16_t written[5 + 2 + 5];
            size_t n = PutPage(written, 0, std::min(held, moved));
            if (moved != held) {
                written[n++] = kSeparator[0];
                written[n++] = kSeparator[1];
                n = PutPage(written, n, std::max(held, moved));
            }
            return Text(written, n);
        }
    }
    FewRuns few;
    if (few.AddAll(list, 0) && few.AddAll(page, offset)) return few.Written();
    PageList pages;
    pages.AddAll(list);
    pages.AddAll(page, offset);
    return pages.Written();
}

std::optional<Text> ShiftPageList(TextView page, int offset) {
    if (offset == 0) return std::nullopt;
    if (const int number = NumericPage(page); number >= 0) {  // most pages are one number
        if (number + offset < 0 || number + offset > kLargestPage) throw OverflowError();
        return DecimalText(number + offset);
    }
    PageList pages;
    pages.AddAll(page, offset);
    if (!pages.HoldsNumbers()) return std::nullopt;
    return pages.Written();
}
