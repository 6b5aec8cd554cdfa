// indexfile check: everything in a file that would make a load stop or lose data, each at its
// line. The file is read with the loader's own reader, line by line, as a load reads it.
#include <algorithm>
#include <utility>
#include <unordered_map>

#include "commands.h"
#include "console_text.h"
#include "entry/description_order.h"
#include "entry/entry.h"
#include "entry/index_file_reader.h"
#include "platform/platform.h"
#include "platform/text_order.h"
#include "xml/xml_writer.h"

namespace {

constexpr TextView kDescriptionTag = u"Description";
constexpr TextView kPageTag = u"Page";

struct Problem {
    size_t line;
    Text message;
    bool note;  // loses nothing: shown, but it leaves the file clean unless --strict says otherwise
};

constexpr TextView kCdataStart = u"<![CDATA[";
constexpr TextView kCdataEnd = u"]]>";

// Where a Description or Page start tag stands in `text`, outside character-data sections, or npos.
size_t HiddenElementAt(TextView text, TextView& name) {
    for (size_t at = 0; (at = text.find(u'<', at)) != TextView::npos; ++at) {
        if (text.substr(at, kCdataStart.size()) == kCdataStart) {
            const size_t end = text.find(kCdataEnd, at);
            if (end == TextView::npos) return TextView::npos;
            at = end;
            continue;
        }
        for (TextView candidate : {TextView(u"Description"), TextView(u"Page")}) {
            if (text.substr(at + 1, candidate.size()) == candidate && text.substr(at + 1 + candidate.size(), 1) == u">") {
                name = candidate;
                return at;
            }
        }
    }
    return TextView::npos;
}

// Letters for the lost-character test: Latin, Greek, Cyrillic and the scripts beyond, but not
// the punctuation, symbols and private characters between them.
bool IsLetter(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
    return !(c >= 0x2000 && c <= 0x2BFF) && !(c >= 0x3000 && c <= 0x303F) && !(c >= 0xD800 && c <= 0xF8FF) &&
           c < 0xFE00;
}

Text Hex(char16_t c) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    Text out = u"U+";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[c >> shift & 15];
    return out;
}

class FileCheck {
public:
    FileCheck(const Edition& edition) : edition_(edition) {}

    std::vector<Problem> Run(const Text& path) {
        ReadIndexFileLines(path, [this](TextView line, size_t number) { OnLine(line, number); });
        if (pendingLine_ != 0) Add(pendingLine_, u"a Description line with no Page line after it: the load drops it");
        CheckOrder();
        // A file of bare Description and Page lines has no root, and loads; one with no tag at
        // all, or only its declaration, holds nothing.
        if (const std::optional<Text>& root = root_.Root()) {
            if (lastTag_ != u"/" + Text(RootNameOf(*root))) {
                Add(lastLine_, u"the file ends without its root end tag </" + Text(RootNameOf(*root)) +
                                   u">: it was cut short, as by a save that did not finish");
            }
        } else if (!root_.Decided()) {
            Add(std::max<size_t>(lastLine_, 1), u"no root element: the file is empty or ends inside its header");
        }
        std::stable_sort(problems_.begin(), problems_.end(),
                         [](const Problem& a, const Problem& b) { return a.line < b.line; });
        return std::move(problems_);
    }

private:
    void Add(size_t line, Text message) { problems_.push_back({line, std::move(message), false}); }
    void Note(size_t line, Text message) { problems_.push_back({line, std::move(message), true}); }

    void OnLine(TextView line, size_t number) {
        lastLine_ = number;
        std::optional<TextView> tag;
        try {
            tag = PairIndexFileLine(
                line, pending_, [this, number](Text description, Text page) { OnPair(description, page, number); },
                [this, number](Text sortKey) { OnSortKey(std::move(sortKey), number); });
        } catch (const AutomationError& e) {
            Add(number, (stopped_ ? Text(u"a load would stop here too: ") : Text(u"the load stops here: ")) +
                            LoadStopReason(e, line) + (stopped_ ? Text() : Text(u"; no row after it is loaded")));
            stopped_ = true;
            root_.Stop();
            descriptionUnread_ = true;
            return;
        }
        if (!tag) {
            // A comment is nobody's data; an element that does not start its line is lost data.
            const size_t start = line.find_first_not_of(u" \t");
            if (start != TextView::npos && line.substr(start, 2) != u"<!") CheckHiddenElement(line, 0, number, Text());
            return;
        }
        lastTag_ = Text(*tag);
        if (*tag != kSortKeyElement) keyable_ = keyable_ && *tag != kDescriptionTag && *tag != kPageTag;
        const bool unreadBefore = std::exchange(descriptionUnread_, false);
        if (!root_.Decided()) {
            root_.Read(*tag);
            if (root_.Root()) OnRoot(*root_.Root(), number);
        }
        // Only the line's first element is read: what follows its tag is looked at for more.
        const size_t afterTag = line.find(u'>') + 1;
        if (*tag == kDescriptionTag) {
            if (pendingLine_ != 0)
                Add(pendingLine_, u"a Description line with no Page line after it: the Description on line " +
                                      DecimalText(static_cast<int64_t>(number)) + u" takes its place");
            pendingLine_ = number;
            CheckHiddenElement(line, afterTag, number, Text(*tag));
        } else if (*tag == kPageTag) {
            pendingLine_ = 0;
            keyable_ = true;  // the row of this pair: a SortKey line may follow
            CheckHiddenElement(line, afterTag, number, Text(*tag));
        } else if (*tag == kSortKeyElement) {
            CheckHiddenElement(line, afterTag, number, Text(*tag));
        } else {
            descriptionUnread_ = unreadBefore;  // a line the loader skips pairs nothing
            const TextView name = RootNameOf(*tag);
            if (name == kDescriptionTag || name == kPageTag) {
                Add(number, u"a " + Text(name) + u" element with attributes: the loader reads only <" + Text(name) +
                                u"> without them, and skips this line");
                descriptionUnread_ = true;
            } else {
                CheckHiddenElement(line, afterTag, number, Text(*tag));
            }
        }
    }

    // A Description or Page element that is not the first tag of its line (looked for from
    // `from` on, past the line's first tag): the loader never reads it.
    void CheckHiddenElement(TextView line, size_t from, size_t number, const Text& tag) {
        TextView name;
        const size_t at = HiddenElementAt(line.substr(from), name);
        if (at == TextView::npos) return;
        const TextView before = line.substr(0, from + at);
        if (before.find(u'\n') != TextView::npos) {
            // A CR file with lines that end in LF alone: they are all one line to the loader.
            Add(number, u"a " + Text(name) + u" element after a line feed without a carriage return: this file's "
                                                u"lines end at CR, so the loader reads it as part of line " +
                            DecimalText(static_cast<int64_t>(number)) + u" and skips it");
        } else {
            Add(number, u"a " + Text(name) + u" element that " +
                            (tag.empty() ? Text(u"does not start its line") : u"follows the tag <" + tag + u">") +
                            u": the loader reads only the first tag of a line, and skips this one");
        }
        descriptionUnread_ = true;
    }

    void OnRoot(TextView tag, size_t number) {
        try {
            levels_ = RecordedLevels(tag);
        } catch (const AutomationError& e) {
            Add(number, u"the separator of levels on the root element cannot be read (" + e.Description() +
                            u"): the file's paths load as single descriptions");
        }
        if (!edition_.sorted) return;
        const Text recorded = RecordedOrder(tag);
        if (recorded.empty()) return;
        try {
            order_ = Entry::TextOrderNamed(recorded);
            if (order_) orderName_ = u"text:" + order_->LocaleName();
        } catch (const AutomationError& e) {
            orderKnown_ = false;
            Add(number, u"the file records the order \"" + recorded +
                            u"\", which this system cannot apply: it loads in ordinal order (" + e.Description() +
                            u")");
        }
    }

    void OnPair(const Text& description, const Text& page, size_t pageLine) {
        const size_t line = pendingLine_;
        if (line == 0 && descriptionUnread_) {
            // The Description line before it could not be read: that line is reported.
        } else if (line == 0) {
            Add(pageLine, edition_.sorted
                              ? Text(u"a Page line with no Description line before it: the load skips it")
                              : Text(u"a Page line with no Description line before it: the load makes a row "
                                     u"without a description, which the next Save leaves out"));
        } else if (description.empty()) {
            Add(line, edition_.sorted ? Text(u"an empty Description: the load skips its pair")
                                      : Text(u"an empty Description: the next Save leaves its row out"));
        } else {
            CheckValue(description, line, kDescriptionTag);
        }
        CheckValue(page, pageLine, kPageTag);
        lastPairLine_ = pageLine;
        if (edition_.sorted) {
            if (!description.empty()) OnIndexRow(description, page, line, pageLine);
        } else if (++rows_ == Entry::kRowCount + 1) {
            Add(pageLine, u"the table is full: Pagestack loads 8001 rows, and this and every later row are lost");
        }
    }

    void OnIndexRow(const Text& description, const Text& page, size_t line, size_t pageLine) {
        const auto [seen, added] = seen_.try_emplace(description, Seen{line, page});
        if (!added) {
            Add(line, u"a second row for " + Quoted(description) + u" (the first is on line " +
                          DecimalText(static_cast<int64_t>(seen->second.line)) +
                          u"): Keystack keeps one row, with the later page" +
                          (seen->second.page == page ? Text()
                                                     : u", and the page " + Quoted(seen->second.page) + u" is lost"));
            seen->second = Seen{line, page};
            return;  // its place in the order is that of its first row
        } else if (seen_.size() == static_cast<size_t>(Entry::kStoreLimit) + 1) {
            Add(pageLine, u"the table is full: Keystack loads 8000 descriptions, and this and every later new "
                          u"one are lost");
        }
        indexRows_.push_back({description, line, Text(), pageLine});
    }

    // A SortKey line names the row of the pair right before it.
    void OnSortKey(Text sortKey, size_t number) {
        if (!keyable_) {
            Add(number, u"a SortKey line that belongs to no row (it must follow its row's Page line): the load "
                        u"skips it");
        } else if (!edition_.sorted) {
            Note(number, u"a sort key in a contents file: Pagestack keeps the order of storing and does not use it");
        } else if (!indexRows_.empty() && indexRows_.back().pageLine == lastPairLine_) {
            indexRows_.back().sortKey = std::move(sortKey);
        }
        keyable_ = false;
    }

    // Keystack: the rows in the order the file records, as the table keys them (with levels
    // and sort keys, path keys; see description_order.h).
    void CheckOrder() {
        if (!orderKnown_ || indexRows_.size() < 2) return;
        const bool paths = !levels_.empty() ||
                           std::any_of(indexRows_.begin(), indexRows_.end(), [](const Row& r) { return !r.sortKey.empty(); });
        std::unordered_map<TextView, TextView> sortKeys;
        for (const Row& row : indexRows_)
            if (!row.sortKey.empty()) sortKeys.emplace(row.description, row.sortKey);
        const auto keyOf = [&](const Row& row) {
            if (!paths) return SortKeyIn(order_.get(), row.description);
            return PathKey(order_.get(), levels_, row.description, [&](TextView path) {
                const auto found = sortKeys.find(path);
                return found == sortKeys.end() ? TextView() : found->second;
            });
        };
        std::string previousKey = keyOf(indexRows_[0]);
        for (size_t i = 1; i < indexRows_.size(); ++i) {
            std::string key = keyOf(indexRows_[i]);
            const Row& previous = indexRows_[i - 1];
            if (SortsBefore({key, indexRows_[i].description}, {previousKey, previous.description})) {
                Note(indexRows_[i].line, u"out of the file's order (" + orderName_ + u"): " + Quoted(indexRows_[i].description) +
                                        u" sorts before " + Quoted(previous.description) + u" on line " +
                                        DecimalText(static_cast<int64_t>(previous.line)) +
                                        u"; a load sorts it in, and nothing is lost");
            }
            previousKey = std::move(key);
        }
    }

    // Characters lost on the way into the file, and those the next Save would lose.
    void CheckValue(const Text& value, size_t line, TextView what) {
        const Text where = u"the " + Text(what) + u" " + Quoted(value);
        if (value.find(u'\uFFFD') != Text::npos) {
            Add(line, where + u" holds U+FFFD where bytes formed no character of the file's encoding");
        }
        for (size_t i = 0; i + 1 < value.size(); ++i) {
            if (value[i] == u'?' && IsLetter(value[i + 1])) {
                Add(line, where + u" has a \"?\" before a letter, where a character the code page lacked was "
                                  u"probably lost");
                break;
            }
        }
        for (char16_t c : value) {
            if (c > 126 && c != u'\uFFFD' && platform::AnsiCodeOf(c) == u'?') {
                Add(line, where + u" holds " + Hex(c) +
                              u", which the code page cannot write: the next Save writes \"?\" in its place");
                break;
            }
        }
        try {
            (what == kDescriptionTag ? descriptionLines_ : pageLines_).CheckFits(value);
        } catch (const AutomationError&) {
            Add(line, u"the " + Text(what) + u" is too long for Save to write on one line (" +
                          DecimalText(static_cast<int64_t>(value.size())) + u" characters): the next Save fails");
        }
    }

    struct Seen {
        size_t line;
        Text page;
    };

    const Edition& edition_;
    std::vector<Problem> problems_;
    Text pending_;
    size_t pendingLine_ = 0, lastLine_ = 0;
    Text lastTag_;
    RootTagSearch root_;
    bool stopped_ = false;
    // The last Description or Page before this line was one the loader does not read: the
    // Page line after it is a consequence, not a problem of its own.
    bool descriptionUnread_ = false;
    // Keystack: descriptions seen, and the file's order.
    std::unordered_map<Text, Seen> seen_;
    std::unique_ptr<platform::TextOrder> order_;
    Text orderName_ = u"ordinal";
    bool orderKnown_ = true;
    // Keystack: the rows as the file first holds each, for the order check at the end.
    struct Row {
        Text description;
        size_t line;
        Text sortKey;
        size_t pageLine = 0;
    };
    std::vector<Row> indexRows_;
    Text levels_;  // the separator the file records
    bool keyable_ = false;  // the last data line was a Page line: a SortKey line may follow
    size_t lastPairLine_ = 0;
    size_t rows_ = 0;  // Pagestack
    XmlElementLines descriptionLines_{kDescriptionTag}, pageLines_{kPageTag};
};

}  // namespace

int RunCheck(const std::vector<Text>& args) {
    Arguments a;
    if (const auto error = ParseArguments(args, {true, false, false, true}, a)) return UsageError(u"check", *error);
    if (a.help) return PrintHelp(u"check"), kExitOk;
    if (a.operands.empty()) return UsageError(u"check", u"check takes one FILE or more");
    int status = kExitOk;
    for (const Text& path : a.operands) {
        Output out;
        if (const auto unreadable = UnreadableFile(path)) {
            out.Flush();
            PrintError(*unreadable);
            status = kExitUsage;
            continue;
        }
        const Edition& edition = a.edition ? *a.edition : EditionOfRoot(ReadIndexFileRoot(path));
        const std::vector<Problem> problems = FileCheck(edition).Run(path);
        bool clean = true;
        for (const Problem& problem : problems) {
            const bool counts = !problem.note || a.strict;
            out << path << ":" << DecimalText(static_cast<int64_t>(problem.line)) << ": "
                << (problem.note ? "note: " : "") << problem.message << "\n";
            clean = clean && !counts;
        }
        if (clean) {
            out << path << ": ok\n";
        } else if (status == kExitOk) {
            status = kExitProblems;
        }
    }
    return status;
}
