#include "entry/index_file_reader.h"

#include <algorithm>

#include "core/error.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "xml/xml_text.h"

namespace {

// Positions are 16-bit, as everywhere in the file format.
constexpr size_t kMaxPosition = 32767;
constexpr char16_t kReplacement = u'\uFFFD';
constexpr TextView kDescriptionTag = kDescriptionElement;
constexpr TextView kPageTag = kPageElement;

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

bool IsHigh(char byte) { return static_cast<unsigned char>(byte) > 127; }

// --- Lines, the same for bytes and for text ---

// Splits at CR (an LF right after it belongs to the line end), or at LF when there is no CR
// at all. CR, LF, blank, tab and "<" are the same byte in the ANSI code pages and in UTF-8,
// and never part of a double-byte character, so bytes split as their text does.
template <class Char, class OnLine>
void SplitLines(std::basic_string_view<Char> all, OnLine&& onLine) {
    const bool crEnds = all.find(Char('\r')) != all.npos;
    const Char end = crEnds ? Char('\r') : Char('\n');
    size_t begin = 0;
    while (begin < all.size()) {
        size_t stop = all.find(end, begin);
        if (stop == all.npos) stop = all.size();
        onLine(all.substr(begin, stop - begin));
        begin = stop + 1;
        if (crEnds && begin < all.size() && all[begin] == Char('\n')) ++begin;
    }
}

// The line from its first character after the indentation (blanks and tabs).
template <class Char>
std::basic_string_view<Char> Unindented(std::basic_string_view<Char> line) {
    size_t i = 0;
    while (i < line.size() && (line[i] == Char(' ') || line[i] == Char('\t'))) ++i;
    return line.substr(i);
}

// A line the loader reads for its tag: "<" after the indentation, and not a comment.
template <class Char>
bool OpensATag(std::basic_string_view<Char> unindented) {
    return !unindented.empty() && unindented[0] == Char('<') &&
           (unindented.size() < 2 || unindented[1] != Char('!'));
}

// --- Encodings ---

// The length of the well-formed UTF-8 sequence at bytes[i], with its code point; 0 when none
// starts there (a stray continuation byte, a sequence cut short, an overlong form, a
// surrogate, or a code beyond U+10FFFF).
size_t Utf8SequenceAt(std::string_view bytes, size_t i, char32_t& code) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    size_t length;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - i < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3F);
    }
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool IsUtf8(std::string_view bytes) {
    char32_t code;
    for (size_t i = 0, n; i < bytes.size(); i += n)
        if ((n = Utf8SequenceAt(bytes, i, code)) == 0) return false;
    return true;
}

// Each byte outside a well-formed sequence becomes U+FFFD on its own, so that a bad byte
// never takes the CR or LF after it along.
Text Utf8ToText(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    char32_t code;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = Utf8SequenceAt(bytes, i, code);
        if (n == 0) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        if (code <= 0xFFFF) {
            out.push_back(static_cast<char16_t>(code));
        } else {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        }
        i += n;
    }
    return out;
}

// 16-bit units as they stand: an unpaired surrogate stays, as the table holds any 16-bit text.
Text Utf16ToText(std::string_view bytes, bool bigEndian) {
    Text out;
    out.reserve(bytes.size() / 2 + 1);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned first = static_cast<unsigned char>(bytes[i]);
        const unsigned second = static_cast<unsigned char>(bytes[i + 1]);
        out.push_back(static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first));
    }
    if (bytes.size() % 2 != 0) out.push_back(kReplacement);  // a last byte without its partner
    return out;
}

// A file without a mark whose element lines hold UTF-8. Only in a single-byte code page: there
// the libraries write every character above 126 as a reference, so their element lines hold
// no byte above 127 (their header comments may, in the file's path). In a double-byte code
// page they write double-byte characters as they are, and only a mark can tell.
bool ElementLinesHoldUtf8(std::string_view bytes) {
    if (std::none_of(bytes.begin(), bytes.end(), IsHigh)) return false;
    if (!platform::AnsiCodePageIsSingleByte()) return false;
    bool any = false, all = true;
    SplitLines(bytes, [&](std::string_view line) {
        if (!all || !OpensATag(Unindented(line)) || std::none_of(line.begin(), line.end(), IsHigh)) return;
        any = true;
        all = IsUtf8(line);
    });
    return any && all;
}

}  // namespace

IndexFileText DecodeIndexFile(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return {IndexFileEncoding::kUtf8Mark, Utf8ToText(bytes.substr(3))};
    if (StartsWith(bytes, "\xFF\xFE"))
        return {IndexFileEncoding::kUtf16LittleEndian, Utf16ToText(bytes.substr(2), false)};
    if (StartsWith(bytes, "\xFE\xFF"))
        return {IndexFileEncoding::kUtf16BigEndian, Utf16ToText(bytes.substr(2), true)};
    if (ElementLinesHoldUtf8(bytes)) return {IndexFileEncoding::kUtf8, Utf8ToText(bytes)};
    return {IndexFileEncoding::kAnsi, platform::FromAnsi(bytes)};
}

void ForEachIndexFileLine(TextView text, const IndexFileLineHandler& onLine) {
    size_t number = 1;
    SplitLines(text, [&](TextView line) {
        onLine(line, number);
        number += 1 + static_cast<size_t>(std::count(line.begin(), line.end(), u'\n'));
    });
}

IndexFileEncoding ReadIndexFileLines(const Text& path, const IndexFileLineHandler& onLine) {
    const IndexFileText file = DecodeIndexFile(platform::ReadFileBytes(path));
    ForEachIndexFileLine(file.text, onLine);
    return file.encoding;
}

std::optional<TaggedLine> ReadTaggedLine(TextView line) {
    const TextView element = Unindented(line);
    if (!OpensATag(element)) return std::nullopt;
    const size_t close = element.find(u'>');
    if (close == TextView::npos) return std::nullopt;
    if (close + 1 > kMaxPosition) throw OverflowError();
    return TaggedLine{element.substr(1, close - 1), element};
}

std::optional<TextView> PairIndexFileLine(TextView line, Text& pending, const IndexFilePairHandler& onPair,
                                          const IndexFileSortKeyHandler& onSortKey) {
    const std::optional<TaggedLine> tagged = ReadTaggedLine(line);
    if (!tagged) return std::nullopt;  // a comment, text, or no tag
    // The value is read for every tag, so a line with a bad value ends the reading whatever it is.
    Text value = XmlElementValue(tagged->element);
    if (tagged->tag == kDescriptionTag) {
        pending = std::move(value);
    } else if (tagged->tag == kPageTag) {
        Text description = std::move(pending);
        pending.clear();
        onPair(std::move(description), std::move(value));
    } else if (onSortKey && tagged->tag == kSortKeyElement) {
        onSortKey(std::move(value));
    }
    return tagged->tag;
}

void RootTagSearch::Read(TextView tag) {
    if (decided_ || tag.substr(0, 1) == u"?") return;
    decided_ = true;
    if (tag != kDescriptionTag && tag != kPageTag) root_ = Text(tag);
}

void ReadIndexFilePairs(const Text& path, Text& pending, const IndexFilePairHandler& onPair,
                        const IndexFileRootHandler& onRoot, const IndexFileSortKeyHandler& onSortKey) {
    RootTagSearch root;
    if (!onRoot) root.Stop();
    ReadIndexFileLines(path, [&](TextView line, size_t) {
        const std::optional<TextView> tag = PairIndexFileLine(line, pending, onPair, onSortKey);
        if (root.Decided() || !tag) return;
        root.Read(*tag);
        if (root.Root()) onRoot(*root.Root());
    });
}

std::optional<Text> ReadIndexFileRoot(const Text& path) {
    RootTagSearch root;
    Text pending;
    ReadIndexFileLines(path, [&](TextView line, size_t) {
        if (root.Decided()) return;
        try {
            if (const std::optional<TextView> tag = PairIndexFileLine(line, pending, [](Text, Text) {})) root.Read(*tag);
        } catch (const AutomationError&) {
            root.Stop();
        }
    });
    return root.Root();
}

TextView RootNameOf(TextView rootTag) { return rootTag.substr(0, rootTag.find_first_of(u" \t")); }

namespace {

// The value of an attribute of a root start tag as Save writes it (` name="value"`), as it stands.
TextView AttributeOf(TextView rootTag, TextView name) {
    const Text attribute = u" " + Text(name) + u"=\"";
    const size_t start = rootTag.find(attribute);
    if (start == TextView::npos) return TextView();
    const size_t begin = start + attribute.size();
    const size_t end = rootTag.find(u'"', begin);
    return end == TextView::npos ? TextView() : rootTag.substr(begin, end - begin);
}

}  // namespace

Text RecordedOrder(TextView rootTag) { return Text(AttributeOf(rootTag, u"order")); }

Text RecordedLevels(TextView rootTag) { return XmlUnescape(AttributeOf(rootTag, u"levels")); }
