// Store, FetchDescription, FetchPage, MaxPage, Clear, AddPage, FindPage, SetOrder, FetchGroup,
// SetLevels, FetchLevel, FetchLabel, SortAs,
// ShiftPages and AppendPages in any order, each answer checked against a plain model of the
// deliverable's table. Compiled once per deliverable.
#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <unordered_set>
#include <unordered_map>
#include <vector>

#include "fuzz_check.h"
#include "entry/levels.h"
#include "platform/platform.h"
#include "platform/text_order.h"
#include "scratch_folder.h"
#include "table_check.h"
#include "xml/xml_text.h"

namespace {

const Text kBlankDescription = u"ERROR: Description cannot be blank";

// Reads the input as a stream of small numbers and texts; past its end every read gives 0.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool AtEnd() const { return size_ == 0; }
    uint8_t Byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    uint16_t Word() {
        const uint16_t high = Byte();
        return static_cast<uint16_t>(high << 8 | Byte());
    }
    // A length (0 to 64), then one unit per byte; 0xFF brings in any 16-bit unit from the
    // next two. Long texts are the file targets' business: here they would only slow the run.
    Text NextText() {
        Text text(Byte() % 65, u'\0');
        for (char16_t& unit : text) {
            const uint8_t b = Byte();
            unit = b == 0xFF ? static_cast<char16_t>(Word()) : static_cast<char16_t>(b);
        }
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

// A page list done the obvious way: the numbers as a bit per page, ranges spelt out, and the
// other texts in the order first seen; written by walking the bits. `cost` grows with the work.
std::optional<int> PlainNumber(TextView text) {
    if (text.empty() || text.size() > 5 || (text[0] == u'0' && text.size() > 1)) return std::nullopt;
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return value <= 32767 ? std::optional<int>(value) : std::nullopt;
}

// The first and last page a piece of a list stands for ("7": 7 and 7; "4-9": 4 and 9), or -1
// and -1 for a piece that is no number.
std::pair<int, int> PagesOf(TextView piece) {
    if (const auto n = PlainNumber(piece)) return {*n, *n};
    if (const size_t dash = piece.find(u'-'); dash != TextView::npos) {
        const auto a = PlainNumber(piece.substr(0, dash)), b = PlainNumber(piece.substr(dash + 1));
        if (a && b && *a < *b) return {*a, *b};
    }
    return {-1, -1};
}

Text MergedList(const Text& list, const Text& page, long& cost) {
    std::vector<bool> numbers(32768);
    int lowest = 32768, highest = -1;
    std::vector<TextView> others;
    std::unordered_set<TextView> seen;
    auto add = [&](TextView piece) {
        if (piece.empty()) return;
        const auto [first, last] = PagesOf(piece);
        if (first < 0) {
            if (seen.insert(piece).second) others.push_back(piece);
            return;
        }
        for (int n = first; n <= last; ++n) numbers[n] = true;
        lowest = std::min(lowest, first);
        highest = std::max(highest, last);
        cost += (last - first) / 64;
    };
    auto addAll = [&](TextView text) {
        size_t start = 0;
        for (size_t comma; (comma = text.find(u", ", start)) != Text::npos; start = comma + 2)
            add(text.substr(start, comma - start));
        add(text.substr(start));
    };
    addAll(list);
    addAll(page);

    Text out;
    auto append = [&out](TextView piece) {
        if (!out.empty()) out += u", ";
        out += piece;
    };
    for (int n = lowest; n <= highest;) {
        if (!numbers[n]) {
            ++n;
            continue;
        }
        const int first = n;
        while (n <= highest && numbers[n]) ++n;
        const int last = n - 1;
        if (last - first >= 2) {
            append(DecimalText(first) + u"-" + DecimalText(last));
        } else {
            for (int k = first; k <= last; ++k) append(DecimalText(k));
        }
    }
    for (TextView other : others) append(other);
    // Both sides read and write the whole list: the model walks its pages once more.
    cost += static_cast<long>((list.size() + page.size() + out.size()) / 8) + std::max(highest - lowest, 0) / 64 + 1;
    return out;
}

// A page moved by `offset`, the obvious way: each number and both ends of each range moved,
// then the whole written as a list; nothing when no piece is a number or the offset is 0.
std::optional<Text> ShiftedList(const Text& page, int offset, long& cost) {
    if (offset == 0) return std::nullopt;
    Text moved;
    bool anyNumber = false;
    size_t start = 0;
    for (;;) {
        const size_t comma = page.find(u", ", start);
        const TextView piece = TextView(page).substr(start, comma == Text::npos ? Text::npos : comma - start);
        Text written(piece);
        const auto [first, last] = PagesOf(piece);
        if (first >= 0) {
            anyNumber = true;
            if (first + offset < 0 || last + offset > 32767) throw OverflowError();
            written = DecimalText(first + offset);
            if (last != first) written += u"-" + DecimalText(last + offset);
        }
        if (!moved.empty()) moved += u", ";
        moved += written;
        if (comma == Text::npos) break;
        start = comma + 2;
    }
    cost += static_cast<long>(page.size() / 8) + 1;
    if (!anyNumber) return std::nullopt;
    return MergedList(moved, Text(), cost);
}

// Whether Save can write a Page element with this value: "<Page>" and the escaped value
// must end before position 32767, where the end tag starts at the latest.
bool SaveCanWrite(const Text& page) {
    if (6 + 7 * page.size() + 1 <= 32767) return true;  // at most seven characters for one
    std::string bytes;
    try {
        return 6 + AppendXmlEscapedAnsi(bytes, page, 32767) + 1 <= 32767;
    } catch (const AutomationError&) {
        return false;
    }
}

// The table as the deliverable describes it, done the obvious way.
class Model {
public:
    // Stores as the deliverable does; `cost` grows by the work both sides do for it: the
    // texts copied, and in Keystack the rows the model moves after the description. With
    // levels, the parents a path lacks come first, and the table must have room for all.
    Text Store(const Text& description, const Text& page, long& cost, size_t limit = Entry::kStoreLimit) {
        cost += static_cast<long>((description.size() + page.size()) / 8) + 1;
        if (description.empty() || !IsPath(description, separator_)) return kBlankDescription;
        if (const auto row = RowOf(description)) {
            rows_[*row].second = page;
            return description;
        }
        std::vector<Text> parents;
        for (auto parent = ParentPath(description, separator_); parent && !RowOf(Text(*parent));
             parent = ParentPath(*parent, separator_))
            parents.insert(parents.begin(), Text(*parent));
        if (rows_.size() + parents.size() + 1 > limit) return Text(Build::kTableFullText);
        for (const Text& parent : parents) Insert(parent, Text(), cost);
        Insert(description, page, cost);
        return description;
    }
    // The row Store would update, or none.
    std::optional<size_t> RowOf(const Text& description) const {
        if (description.empty()) return std::nullopt;
        if constexpr (Build::kSorted) {
            const auto at = SortedPlace(description);
            if (at == rows_.end() || at->first != description) return std::nullopt;
            return static_cast<size_t>(at - rows_.begin());
        } else {
            const auto at = firstRow_.find(description);
            return at == firstRow_.end() ? std::nullopt : std::optional<size_t>(at->second);
        }
    }
    Text AddPage(const Text& description, const Text& page, long& cost, size_t limit = Entry::kStoreLimit) {
        const auto row = RowOf(description);
        if (!row) return Store(description, page, cost, limit);
        if (page.empty()) return description;
        Text merged = MergedList(rows_[*row].second, page, cost);
        if (merged != rows_[*row].second) {
            cost += static_cast<long>(merged.size() / 4);  // escaped on both sides
            if (!SaveCanWrite(merged)) throw OverflowError();
            rows_[*row].second = std::move(merged);
        }
        return description;
    }
    // Every page moved, checked first and then written; the number of pages that changed.
    int16_t ShiftPages(int offset, long& cost) {
        std::vector<std::pair<size_t, Text>> moved;
        for (size_t i = 0; i < rows_.size(); ++i) {
            std::optional<Text> page = ShiftedList(rows_[i].second, offset, cost);
            if (!page) continue;
            if (!SaveCanWrite(*page)) throw OverflowError();
            cost += static_cast<long>(page->size() / 4);  // escaped on both sides
            moved.emplace_back(i, std::move(*page));
        }
        for (auto& [i, page] : moved) rows_[i].second = std::move(page);
        return static_cast<int16_t>(moved.size());
    }
    // The pairs played as AddPage calls on a copy of the table with room for any number of
    // rows, each page moved first; the copy is kept only when all went well and it fits.
    Text AppendPages(const fuzz::Rows& pairs, int offset, long& cost) {
        Model copy = *this;
        cost += static_cast<long>(rows_.size()) + 1;
        for (const auto& [description, page] : pairs) {
            if (description.empty()) continue;
            const Text moved = ShiftedList(page, offset, cost).value_or(page);
            // Every page AppendPages writes is one Save can write: a new row's too.
            if (!copy.RowOf(description) && IsPath(description, copy.separator_) && !SaveCanWrite(moved))
                throw OverflowError();
            copy.AddPage(description, moved, cost, static_cast<size_t>(-1));
        }
        if (copy.rows_.size() > static_cast<size_t>(Entry::kStoreLimit)) return Text(Build::kTableFullText);
        *this = std::move(copy);
        return u"Append " + DecimalText(Count()) + Text(Build::kLoadedText);
    }
    Text FindPage(const Text& description) const {
        const auto row = RowOf(description);
        return row ? rows_[*row].second : Text();
    }
    void Clear() {
        rows_.clear();
        firstRow_.clear();
        sortKeys_.clear();
    }
    // SetLevels as the deliverable describes it: the rows above every row added (none when
    // they do not all fit: the overflow error), Keystack sorted again, Pagestack's rows each
    // in its parent's block, in the order of their first places.
    Text SetLevels(const Text& separator, long& cost) {
        std::vector<Text> added;
        for (const auto& [description, page] : rows_) {
            if (!IsPath(description, separator)) continue;
            for (TextView level : LevelsOf(description, separator)) {
                const Text path(description.substr(0, static_cast<size_t>(level.data() - description.data()) + level.size()));
                if (path.size() == description.size()) break;
                if (!RowOf(path) && std::find(added.begin(), added.end(), path) == added.end()) added.push_back(path);
            }
        }
        if (!added.empty() && rows_.size() + added.size() > static_cast<size_t>(Entry::kStoreLimit)) throw OverflowError();
        cost += static_cast<long>(rows_.size()) * 24 + 1;
        const fuzz::Rows before = std::move(rows_);
        rows_.clear();
        firstRow_.clear();
        separator_ = separator;
        std::unordered_map<Text, Text> pages;
        for (const auto& [description, page] : before) pages.emplace(description, page);
        // Each row where a Store of it in the old order would put it: parents first.
        for (const auto& [description, page] : before) {
            if (IsPath(description, separator_)) {
                for (TextView level : LevelsOf(description, separator_)) {
                    const Text path(description.substr(0, static_cast<size_t>(level.data() - description.data()) + level.size()));
                    if (path.size() < description.size() && !RowOf(path)) Insert(path, pages.count(path) ? pages[path] : Text(), cost);
                }
            }
            if (!RowOf(description)) Insert(description, page, cost);
        }
        return separator_;
    }
    // SortAs: Pagestack refuses it; Keystack sorts the row as its key, or again as its text.
    Text SortAs(const Text& description, const Text& key, long& cost) {
        if (!Build::kSorted) throw InvalidArgumentError();
        if (!RowOf(description)) return Text();
        if (key.empty()) {
            sortKeys_.erase(description);
        } else {
            sortKeys_[description] = key;
        }
        Sort(cost);
        return description;
    }
    Text SortKeyOf(const Text& description) const {
        const auto found = sortKeys_.find(description);
        return found == sortKeys_.end() ? Text() : found->second;
    }
    const Text& Separator() const { return separator_; }
    // SetOrder as the deliverable describes it: names in any case (ASCII); "ordinal"; in
    // Keystack also "text" (the default locale) and "text:" with a locale the platform knows.
    // Anything else is the invalid-argument error. The rows are sorted again at once.
    Text SetOrder(const Text& name, long& cost) {
        if (!name.empty()) {
            Text lower = name;
            for (char16_t& unit : lower)
                if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + 32);
            std::unique_ptr<platform::TextOrder> order;
            if (lower != u"ordinal") {
                if (!Build::kSorted) throw InvalidArgumentError();
                if (lower == u"text") {
                    order = platform::TextOrder::Open(platform::DefaultLocaleName());
                } else if (lower.compare(0, 5, u"text:") == 0) {
                    order = platform::TextOrder::Open(TextView(name).substr(5));
                }
                if (!order) throw InvalidArgumentError();
            }
            order_ = std::move(order);
            Sort(cost);
        }
        return order_ ? u"text:" + order_->LocaleName() : Text(u"ordinal");
    }
    // The greatest page that reads as a number, 0 for none; the overflow error when any
    // numeric page lies outside 16 bits.
    int16_t MaxPage() const {
        int16_t maximum = 0;
        for (const auto& row : rows_)
            if (const auto page = platform::ParseInt16(row.second); page && *page > maximum) maximum = *page;
        return maximum;
    }
    const fuzz::Rows& Rows() const { return rows_; }
    int16_t Count() const { return static_cast<int16_t>(rows_.size()); }

private:
    // Keystack's order: every description by its path key (levels, sort keys; with neither, the
    // same order as its text order's key), ties by the texts.
    std::string KeyOf(const Text& description) const {
        return PathKey(order_.get(), separator_, description, [this](TextView path) {
            const auto found = sortKeys_.find(Text(path));
            return found == sortKeys_.end() ? TextView() : TextView(found->second);
        });
    }
    bool Before(const Text& a, const Text& b) const { return SortsBefore({KeyOf(a), a}, {KeyOf(b), b}); }
    void Sort(long& cost) {
        if constexpr (Build::kSorted) {
            std::stable_sort(rows_.begin(), rows_.end(), [this](const auto& a, const auto& b) { return Before(a.first, b.first); });
            cost += static_cast<long>(rows_.size()) * 24 + 1;
        }
    }
    // A new row where Store puts it: Keystack at its sorted place, Pagestack after its
    // parent's block (or after every row).
    void Insert(const Text& description, const Text& page, long& cost) {
        if constexpr (Build::kSorted) {
            const auto at = SortedPlace(description);
            cost += (rows_.end() - at) + 24;
            rows_.insert(at, {description, page});
        } else {
            size_t at = rows_.size();
            if (const auto parent = ParentPath(description, separator_)) {
                at = firstRow_.at(Text(*parent)) + 1;
                const Text under = Text(*parent) + separator_;
                while (at < rows_.size() && rows_[at].first.size() > under.size() && rows_[at].first.compare(0, under.size(), under) == 0)
                    ++at;
            }
            rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), {description, page});
            cost += static_cast<long>(description.size() / 8) + 2;
            if (at + 1 == rows_.size()) {
                firstRow_.emplace(description, at);
            } else {  // the rows after it moved on by one
                firstRow_.clear();
                for (size_t i = 0; i < rows_.size(); ++i) firstRow_.emplace(rows_[i].first, i);
                cost += static_cast<long>(rows_.size());
            }
        }
    }
    // Keystack: where the description stands or would go.
    fuzz::Rows::iterator SortedPlace(const Text& description) {
        return std::lower_bound(rows_.begin(), rows_.end(), description,
                                [this](const auto& row, const Text& d) { return Before(row.first, d); });
    }
    fuzz::Rows::const_iterator SortedPlace(const Text& description) const {
        return const_cast<Model*>(this)->SortedPlace(description);
    }

    fuzz::Rows rows_;
    std::unordered_map<Text, size_t> firstRow_;  // Pagestack: the first row of each description
    std::shared_ptr<platform::TextOrder> order_;  // Keystack in text order (shared by copies)
    Text separator_;                               // levels; empty: off
    std::unordered_map<Text, Text> sortKeys_;      // Keystack: SortAs, by description
};

// What FetchGroup must answer for a row whose description starts with plain ASCII: nothing
// for anything but a letter, the letter in upper case for a letter (Turkish makes "i" "İ").
// Other starts are the platform's business.
bool GroupFitsAscii(const Text& description, const Text& group) {
    const char16_t first = description.empty() ? u'\0' : description[0];
    const bool letterAlone = description.size() == 1 || (description.size() > 1 && description[1] < 0x80);
    if (first >= 0x80) return !(first >= 0xD800 && first <= 0xDFFF) || group.empty();
    const bool letter = (first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z');
    if (!letter) return group.empty();
    if (!letterAlone) return !group.empty();
    const char16_t upper = first >= u'a' ? static_cast<char16_t>(first - 32) : first;
    return group == Text(1, upper) || (first == u'i' && group == u"\u0130");
}

// The same call on both sides must give the same answer, or the same error number.
template <typename Call>
std::pair<int32_t, Text> Outcome(Call&& call) {
    try {
        return {0, call()};
    } catch (const AutomationError& e) {
        return {e.Number(), Text()};
    }
}

// Work allowed per input, in units of a row moved, visited or copied, or of eight characters
// read, copied or escaped, counted for both sides together (the model does the library's work
// again, and the checks read it out): keeps each input within a few milliseconds under the
// sanitizers, about what making the table's 8001 rows costs there, so that the target explores
// hundreds of inputs a second, and a timeout means slowness in the library, never a long input.
// (A full table is the unit tests' business: filling it would take some 16,000.)
constexpr long kBudget = 2'500;
// An AppendPages writes a file and the library reads it: far more than a call's work, so
// few inputs make many.
constexpr long kFileCost = 250;

const fuzz::ScratchFolder& Scratch() {
    static const fuzz::ScratchFolder folder;
    return folder;
}

// A text as an index file can hold it unchanged whatever the code page: printable ASCII without
// the characters of markup and escapes.
Text FileSafe(const Text& text) {
    Text safe = text;
    for (char16_t& unit : safe)
        if (unit < 0x20 || unit > 0x7E || unit == u'<' || unit == u'>' || unit == u'&' || unit == u'[' || unit == u']')
            unit = u'?';
    return safe;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    Entry entry;
    Model model;
    long spent = 0;

    auto store = [&](const Text& description, const Text& page) {
        FUZZ_CHECK(entry.Store(description, page) == model.Store(description, page, spent));
        FUZZ_CHECK(entry.Count() == model.Count());
        FUZZ_CHECK(entry.Count() <= Entry::kStoreLimit);
    };
    auto fetch = [&](int16_t index) {
        const bool inUse = index >= 0 && index < model.Count();
        const Text description = inUse ? model.Rows()[index].first : Text();
        const Text page = inUse ? model.Rows()[index].second : Text();
        FUZZ_CHECK(entry.FetchDescription(index) == description);
        FUZZ_CHECK(entry.FetchPage(index) == page);
        const Text group = entry.FetchGroup(index);
        // The heading is the top level's, sorted as its key where it has one.
        const Text top(TopLevelOf(description, model.Separator()));
        const Text topKey = model.SortKeyOf(top);
        FUZZ_CHECK(inUse ? GroupFitsAscii(topKey.empty() ? top : topKey, group) : group.empty());
        FUZZ_CHECK(entry.FetchLevel(index) == (inUse ? LevelOf(description, model.Separator()) : 0));
        FUZZ_CHECK(entry.FetchLabel(index) == (inUse ? Text(LabelOf(description, model.Separator())) : Text()));
        spent += static_cast<long>((description.size() + page.size()) / 8) + 1;
    };

    // A page for AddPage: small numbers (to make runs), any number, a range, or any text.
    auto nextPage = [&]() -> Text {
        switch (in.Byte() % 4) {
            case 0: return DecimalText(in.Byte() % 40);
            case 1: return DecimalText(in.Word());
            case 2: {
                const int first = in.Byte() % 40;
                return DecimalText(first) + u"-" + DecimalText(first + in.Byte() % 8);
            }
            default: return in.NextText();
        }
    };
    // Mostly a description already held, so that pages merge.
    auto someDescription = [&]() -> Text {
        const uint8_t how = in.Byte();
        if (how % 4 != 0 && model.Count() > 0) return model.Rows()[in.Word() % model.Count()].first;
        return in.NextText();
    };
    // Both sides read a page list out: its copies count too.
    auto findPage = [&](const Text& description) {
        const Text page = model.FindPage(description);
        FUZZ_CHECK(entry.FindPage(description) == page);
        spent += static_cast<long>(page.size() / 8) + 1;
    };
    // The answers compared after every call; the page list itself when `check` says so (a run of
    // calls on one term checks it once, at its end).
    auto addPage = [&](const Text& description, const Text& page, bool check = true) {
        const auto expected = Outcome([&] { return model.AddPage(description, page, spent); });
        FUZZ_CHECK(Outcome([&] { return entry.AddPage(description, page); }) == expected);
        FUZZ_CHECK(entry.Count() == model.Count());
        if (check) findPage(description);
    };

    // Operations 0 to 10 read as they always did, so the seeds keep their meaning.
    while (!in.AtEnd() && spent < kBudget) {
        switch (in.Byte() % 16) {
            case 0:
            case 1: {
                const Text description = in.NextText();
                store(description, in.NextText());
                break;
            }
            case 2: {  // many descriptions from one stem, in one of three orders
                const int n = in.Word() % 2049;
                const Text stem = in.NextText();
                const int order = in.Byte() % 3;
                for (int k = 0; k < n && spent < kBudget; ++k) {
                    const int number = order == 0 ? k : order == 1 ? n - 1 - k : static_cast<int>((k * 7919L) % n);
                    const Text digits = DecimalText(number);  // zero-padded: sorts as it counts
                    store(stem + Text(5 - digits.size(), u'0') + digits, digits);
                }
                break;
            }
            case 3: {  // a new page for a description already held
                const uint16_t pick = in.Word();
                const Text page = in.NextText();
                if (model.Count() > 0) {
                    const Text description = model.Rows()[pick % model.Count()].first;
                    store(description, page);
                }
                break;
            }
            case 4: {  // rows near the end of those in use, or anywhere in 16 bits
                const uint8_t how = in.Byte();
                fetch(how & 1 ? static_cast<int16_t>(model.Count() - 4 + (how >> 1) % 8)
                              : static_cast<int16_t>(in.Word()));
                break;
            }
            case 5: {
                const auto expected = Outcome([&] { return DecimalText(model.MaxPage()); });
                FUZZ_CHECK(Outcome([&] { return DecimalText(entry.MaxPage()); }) == expected);
                spent += 10 * (entry.Count() + 1);
                break;
            }
            case 6:
                FUZZ_CHECK(entry.Clear() == Text(Build::kResetText));
                model.Clear();
                FUZZ_CHECK(entry.Count() == 0);
                break;
            case 7:
                fuzz::CheckTable(entry, Entry::kStoreLimit);
                spent += 4 * (entry.Count() + 1);
                break;
            case 8: {
                const Text description = someDescription();
                addPage(description, nextPage());
                break;
            }
            case 9: {  // many pages for one description, or a long page to merge into
                const Text description = someDescription();
                if (in.Byte() % 2) {
                    const int n = in.Word() % 513, step = 1 + in.Byte() % 3;
                    for (int k = 0; k < n && spent < kBudget; ++k) addPage(description, DecimalText(k * step), false);
                } else {
                    const Text unit = in.NextText();
                    const int length = 32700 + in.Byte() % 80;
                    Text page;
                    while (!unit.empty() && page.size() < static_cast<size_t>(length)) page += unit;
                    page.resize(std::min(page.size(), static_cast<size_t>(length)));
                    store(description, page);
                    addPage(description, nextPage(), false);
                }
                findPage(description);
                break;
            }
            case 10:
                findPage(someDescription());
                break;
            case 11: {  // an order by name: known ones in other spellings, unknown ones, any text
                static const char16_t* const kNames[] = {u"ordinal", u"text", u"text:sv-SE", u"TEXT:de-de",
                                                         u"Text:en-US", u"text:tr-TR", u"text:xx-YY", u"", u"text:"};
                const uint8_t pick = in.Byte() % 11;
                const Text name = pick < 9 ? Text(kNames[pick]) : pick == 9 ? u"text:" + in.NextText() : in.NextText();
                const auto expected = Outcome([&] { return model.SetOrder(name, spent); });
                FUZZ_CHECK(Outcome([&] { return entry.SetOrder(name); }) == expected);
                FUZZ_CHECK(entry.Order() == model.SetOrder(u"", spent));
                FUZZ_CHECK(fuzz::RowsOf(entry) == model.Rows());
                spent += 4 * (entry.Count() + 1);
                break;
            }
            case 12: {  // small offsets mostly, so that pages reach 0 and beyond
                const uint8_t how = in.Byte();
                const int16_t offset = how & 1 ? static_cast<int16_t>(in.Word()) : static_cast<int16_t>(how / 2 - 64);
                const auto expected = Outcome([&] { return DecimalText(model.ShiftPages(offset, spent)); });
                FUZZ_CHECK(Outcome([&] { return DecimalText(entry.ShiftPages(offset)); }) == expected);
                if (expected.first != 0) {  // a refusal changes nothing
                    FUZZ_CHECK(fuzz::RowsOf(entry) == model.Rows());
                    spent += 4 * (entry.Count() + 1);
                }
                break;
            }
            case 14: {  // levels: a separator in most descriptions' alphabet, or any text
                static const char16_t* const kSeparators[] = {u"", u">", u"a", u" ", u"->"};
                const uint8_t pick = in.Byte() % 6;
                const Text separator = pick < 5 ? Text(kSeparators[pick]) : in.NextText();
                const auto expected = Outcome([&] { return model.SetLevels(separator, spent); });
                FUZZ_CHECK(Outcome([&] { return entry.SetLevels(separator); }) == expected);
                FUZZ_CHECK(entry.Levels() == model.Separator());
                FUZZ_CHECK(fuzz::RowsOf(entry) == model.Rows());
                spent += 4 * (entry.Count() + 1);
                break;
            }
            case 15: {  // a sort key for a row held mostly, or for one the table lacks
                const Text description = someDescription();
                const Text key = in.Byte() % 4 == 0 ? Text() : in.NextText();
                const auto expected = Outcome([&] { return model.SortAs(description, key, spent); });
                FUZZ_CHECK(Outcome([&] { return entry.SortAs(description, key); }) == expected);
                FUZZ_CHECK(fuzz::RowsOf(entry) == model.Rows());
                spent += 4 * (entry.Count() + 1);
                break;
            }
            case 13: {  // a file of pairs, held descriptions mostly, with the lines a reader skips
                const uint8_t how = in.Byte();
                const int16_t offset = how & 1 ? static_cast<int16_t>(in.Word()) : static_cast<int16_t>(how / 2 - 64);
                const int n = in.Byte() % 9;
                fuzz::Rows pairs;
                std::string bytes = "<?xml version=\"1.0\"?>\r\n<IndexDoc>\r\n";
                for (int k = 0; k < n; ++k) {
                    const uint8_t odd = in.Byte();
                    Text description = FileSafe(someDescription());
                    Text page = FileSafe(nextPage());
                    if (odd == 2) {  // a list Save writes, which a large offset makes too long
                        page = u"1";
                        for (int p = 3; p <= 9999; p += 2) page += u", " + DecimalText(p);
                    }
                    if (odd % 8 == 0) description.clear();  // a Page line without its description
                    if (!description.empty()) {
                        if (odd % 8 == 1) bytes += "<Description>dropped</Description>\r\n";  // the later one wins
                        bytes += "<Description>" + TextToAscii(description) + "</Description>\r\n";
                    }
                    bytes += "<Page>" + TextToAscii(page) + "</Page>\r\n";
                    pairs.emplace_back(std::move(description), page);
                }
                const uint8_t end = in.Byte() % 4;
                if (end == 1) bytes += "<Description>left without a page</Description>\r\n";
                if (end == 2) bytes += "<Description>&#300;</Description>\r\n";  // the file cannot be read to its end
                bytes += "</IndexDoc>\r\n";
                const Text path = Scratch() / "pairs.xml";
                std::ofstream(TextToAscii(path), std::ios::binary | std::ios::trunc) << bytes;
                spent += kFileCost + static_cast<long>(bytes.size() / 8);
                std::vector<Text> pagesBefore;
                for (const auto& pair : pairs) pagesBefore.push_back(model.FindPage(pair.first));
                const auto expected = end == 2 ? std::pair<int32_t, Text>{kErrorInvalidArgument, Text()}
                                               : Outcome([&] { return model.AppendPages(pairs, offset, spent); });
                FUZZ_CHECK(Outcome([&] { return entry.AppendPages(path, offset); }) == expected);
                FUZZ_CHECK(entry.Count() == model.Count());
                if (expected.first == 0) {  // every page it wrote, Save can write
                    for (size_t k = 0; k < pairs.size(); ++k) {
                        const Text page = entry.FindPage(pairs[k].first);
                        if (page != pagesBefore[k]) FUZZ_CHECK(SaveCanWrite(page));
                    }
                }
                if (expected.first != 0 || expected.second == Build::kTableFullText) {  // nothing changed
                    FUZZ_CHECK(fuzz::RowsOf(entry) == model.Rows());
                    spent += 4 * (entry.Count() + 1);
                }
                break;
            }
        }
    }
    fuzz::CheckTable(entry, Entry::kStoreLimit);
    FUZZ_CHECK(fuzz::RowsOf(entry) == model.Rows());
    return 0;
}
