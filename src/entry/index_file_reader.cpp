#include "entry/index_file_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "core/error.h"
#include "core/per_thread.h"
#include "core/text_scan.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "xml/xml_text.h"

namespace {

// Positions are 16-bit, as everywhere in the file format.
constexpr size_t kMaxPosition = 32767;
constexpr char16_t kReplacement = u'\uFFFD';
constexpr TextView kDescriptionTag = kDescriptionElement;
constexpr TextView kPageTag = kPageElement;
constexpr TextView kDescriptionStart = u"<Description>";
constexpr TextView kPageStart = u"<Page>";

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

bool IsHigh(char byte) { return static_cast<unsigned char>(byte) > 127; }

// --- Lines, the same for bytes and for text ---

// Where the line from `i` ends: at the first `end` (CR, or LF in a file without CR), or at the
// end of `all`; `lineFeeds` counts the LFs before it.
template <class Char>
size_t LineEndOf(std::basic_string_view<Char> all, size_t i, Char end, size_t& lineFeeds) {
    lineFeeds = 0;
    for (; i < all.size() && all[i] != end; ++i) lineFeeds += all[i] == Char('\n');
    return i;
}

// The same for text, eight units at a time: a line holds a CR or an LF only at its end, as a rule.
size_t LineEndOf(TextView all, size_t i, char16_t end, size_t& lineFeeds) {
    lineFeeds = 0;
    for (;; ++i) {
        i = FindUnitOf(all, i, u'\r', u'\n');
        if (i == all.size() || all[i] == end) return i;
        lineFeeds += all[i] == u'\n';
    }
}

// The line of `all` that begins at `begin`, where the next begins, and the LFs inside it. A line
// ends at CR (an LF right after it belongs to the line end), or at LF when there is no CR at all
// (`crEnds`). CR, LF, blank, tab and "<" are the same byte in the ANSI code pages and in UTF-8,
// and never part of a double-byte character, so bytes split as their text does.
template <class Char>
bool NextLine(std::basic_string_view<Char> all, bool crEnds, size_t& begin, std::basic_string_view<Char>& line,
              size_t& lineFeeds) {
    if (begin >= all.size()) return false;
    const size_t stop = LineEndOf(all, begin, crEnds ? Char('\r') : Char('\n'), lineFeeds);
    line = all.substr(begin, stop - begin);
    begin = stop + 1;
    if (crEnds && begin < all.size() && all[begin] == Char('\n')) ++begin;
    return true;
}

template <class Char, class OnLine>
void SplitLines(std::basic_string_view<Char> all, OnLine&& onLine) {
    const bool crEnds = all.find(Char('\r')) != all.npos;
    std::basic_string_view<Char> line;
    size_t lineFeeds;
    for (size_t begin = 0; NextLine(all, crEnds, begin, line, lineFeeds);) onLine(line);
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
// never takes the CR or LF after it along. Never more units than bytes.
size_t WriteUtf8(std::string_view bytes, char16_t* to) {
    size_t n = 0;
    char32_t code;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = Utf8SequenceAt(bytes, i, code);
        if (length == 0) {
            to[n++] = kReplacement;
            ++i;
            continue;
        }
        if (code <= 0xFFFF) {
            to[n++] = static_cast<char16_t>(code);
        } else {
            code -= 0x10000;
            to[n++] = static_cast<char16_t>(0xD800 + (code >> 10));
            to[n++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        }
        i += length;
    }
    return n;
}

char16_t Utf16UnitAt(std::string_view bytes, size_t unit, bool bigEndian) {
    const unsigned first = static_cast<unsigned char>(bytes[2 * unit]);
    const unsigned second = static_cast<unsigned char>(bytes[2 * unit + 1]);
    return static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
}

// 16-bit units as they stand: an unpaired surrogate stays, as the table holds any 16-bit text.
size_t WriteUtf16(std::string_view bytes, bool bigEndian, char16_t* to) {
    const size_t units = bytes.size() / 2;
    for (size_t i = 0; i < units; ++i) to[i] = Utf16UnitAt(bytes, i, bigEndian);
    if (bytes.size() % 2 == 0) return units;
    to[units] = kReplacement;  // a last byte without its partner
    return units + 1;
}

bool IsUtf16(IndexFileEncoding encoding) {
    return encoding == IndexFileEncoding::kUtf16LittleEndian || encoding == IndexFileEncoding::kUtf16BigEndian;
}

// The text of bytes of the file (without its mark), written at `to`, which has room for two
// units a byte (platform::WidenAnsi's room; the other encodings take less); the units written.
// Written over a buffer's units, not appended to a text: a text's room is filled before it
// is written, and a piece at a time that was a twentieth of a load under Wine.
size_t WriteText(IndexFileEncoding encoding, std::string_view bytes, char16_t* to) {
    switch (encoding) {
        case IndexFileEncoding::kUtf8:
        case IndexFileEncoding::kUtf8Mark: return WriteUtf8(bytes, to);
        case IndexFileEncoding::kUtf16LittleEndian: return WriteUtf16(bytes, false, to);
        case IndexFileEncoding::kUtf16BigEndian: return WriteUtf16(bytes, true, to);
        case IndexFileEncoding::kAnsi: return platform::WidenAnsi(bytes, to);
    }
    return 0;
}

// Any byte above 127, a word at a time: most files hold none.
bool AnyHigh(std::string_view bytes) {
    uint64_t any = 0;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        any |= word;
    }
    for (; i < bytes.size(); ++i) any |= static_cast<unsigned char>(bytes[i]);
    return (any & 0x8080808080808080u) != 0;
}

// A file without a mark whose element lines hold UTF-8. Only in a single-byte code page: there
// the libraries write every character above 126 as a reference, so their element lines hold
// no byte above 127 (their header comments may, in the file's path). In a double-byte code
// page they write double-byte characters as they are, and only a mark can tell.
bool ElementLinesHoldUtf8(std::string_view bytes) {
    if (!AnyHigh(bytes)) return false;
    if (!platform::AnsiCodePageIsSingleByte()) return false;
    bool any = false, all = true;
    SplitLines(bytes, [&](std::string_view line) {
        if (!all || !OpensATag(Unindented(line)) || std::none_of(line.begin(), line.end(), IsHigh)) return;
        any = true;
        all = IsUtf8(line);
    });
    return any && all;
}

struct FoundEncoding {
    IndexFileEncoding encoding;
    size_t markLength;
};

FoundEncoding EncodingOf(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return {IndexFileEncoding::kUtf8Mark, 3};
    if (StartsWith(bytes, "\xFF\xFE")) return {IndexFileEncoding::kUtf16LittleEndian, 2};
    if (StartsWith(bytes, "\xFE\xFF")) return {IndexFileEncoding::kUtf16BigEndian, 2};
    if (ElementLinesHoldUtf8(bytes)) return {IndexFileEncoding::kUtf8, 0};
    return {IndexFileEncoding::kAnsi, 0};
}

// Where a piece that starts at unit `from` ends, of `units` in all: right after the last line
// end within `want` units (a CR and the LF after it, a CR alone, or in a file without CR an LF),
// so that it holds whole lines; where none lies within, after the first one beyond; at the
// latest at the end. A line end is one byte or unit of its own in every encoding, so the piece
// ends where a character ends, and its text is the text the whole file gives there.
template <class UnitAt>
size_t PieceEnd(size_t from, size_t want, size_t units, bool crEnds, UnitAt unitAt) {
    if (units - from <= want) return units;
    const char16_t end = crEnds ? u'\r' : u'\n';
    size_t k = from + want;
    while (k > from && unitAt(k - 1) != end) --k;
    if (k == from) {
        for (k = from + want; k < units && unitAt(k) != end;) ++k;
        if (k == units) return units;
        ++k;
    }
    if (crEnds && k < units && unitAt(k) == u'\n') ++k;
    return k;
}

}  // namespace

IndexFileText DecodeIndexFile(std::string_view bytes) {
    const FoundEncoding found = EncodingOf(bytes);
    const std::string_view body = bytes.substr(found.markLength);
    IndexFileText file{found.encoding, Text(2 * body.size(), u'\0')};
    file.text.resize(WriteText(found.encoding, body, file.text.data()));
    return file;
}

// A lone LF inside a line counts as a line break too, as an editor counts lines.
void ForEachIndexFileLine(TextView text, const IndexFileLineHandler& onLine) {
    const bool crEnds = text.find(u'\r') != TextView::npos;
    size_t number = 1, lineFeeds;
    TextView line;
    for (size_t begin = 0; NextLine(text, crEnds, begin, line, lineFeeds);) {
        onLine(line, number);
        number += 1 + lineFeeds;
    }
}

namespace {

// The room a thread keeps for the bytes of its next file (empty while a reader holds it).
std::string& KeptRoom() { return PerThread<std::string, ThreadSlot::kFileRoom>(); }

}  // namespace

IndexFileLineReader::IndexFileLineReader(const Text& path) : room_(std::move(KeptRoom())) {
    bytes_ = platform::ReadFileInto(path, room_);
    Begin();
}

IndexFileLineReader::IndexFileLineReader(std::string bytes, size_t pieceBytes)
    : room_(std::move(bytes)), bytes_(room_), pieceBytes_(std::max<size_t>(pieceBytes, 2)) {
    Begin();
}

IndexFileLineReader::~IndexFileLineReader() {
    if (room_.capacity() > kKeptRoomBytes) return;
    try {
        std::string& kept = KeptRoom();
        if (room_.capacity() > kept.capacity()) kept.swap(room_);
    } catch (const std::bad_alloc&) {
        // No record for the thread: the room goes, as every room did before rooms were kept.
    }
}

void IndexFileLineReader::Begin() {
    const FoundEncoding found = EncodingOf(bytes_);
    encoding_ = found.encoding;
    at_ = found.markLength;
    const std::string_view body = bytes_.substr(at_);
    if (IsUtf16(encoding_)) {
        const bool bigEndian = encoding_ == IndexFileEncoding::kUtf16BigEndian;
        crEnds_ = false;
        for (size_t i = 0; i < body.size() / 2 && !crEnds_; ++i) crEnds_ = Utf16UnitAt(body, i, bigEndian) == u'\r';
    } else {
        crEnds_ = body.find('\r') != std::string_view::npos;
    }
}

bool IndexFileLineReader::DecodePiece() {
    if (at_ >= bytes_.size()) return false;
    const std::string_view rest = bytes_.substr(at_);
    size_t end;
    if (IsUtf16(encoding_)) {
        const bool bigEndian = encoding_ == IndexFileEncoding::kUtf16BigEndian;
        const size_t units = rest.size() / 2;
        const size_t endUnit = PieceEnd(0, pieceBytes_ / 2, units, crEnds_,
                                        [&](size_t i) { return Utf16UnitAt(rest, i, bigEndian); });
        end = endUnit == units ? rest.size() : 2 * endUnit;  // the last piece takes an odd last byte
    } else {
        // A line-end byte right after a byte above 127 may be the second byte of a double-byte
        // character as the system reads it (Windows reads "\x81\r" as one): no piece ends there,
        // so that each piece's text is the text the whole file gives.
        end = PieceEnd(0, pieceBytes_, rest.size(), crEnds_, [&](size_t i) {
            const auto byte = static_cast<unsigned char>(rest[i]);
            if ((byte == '\r' || byte == '\n') && i > 0 && static_cast<unsigned char>(rest[i - 1]) >= 0x80) return u'\0';
            return static_cast<char16_t>(byte);
        });
    }
    if (2 * end > unitRoom_) {
        units_.reset(new char16_t[2 * end]);  // not filled: every unit of a piece is written before it is read
        unitRoom_ = 2 * end;
    }
    piece_ = TextView(units_.get(), WriteText(encoding_, rest.substr(0, end), units_.get()));
    begin_ = 0;
    maskAt_ = maskEnd_ = 0;
    at_ += end;
    return true;
}

// The piece's next CR or LF at or after `from`, or its end. 32 units are looked at at once
// and kept as a mask, so that each of a file's many short lines costs a shift, not a search.
size_t IndexFileLineReader::NextBreak(size_t from) {
    for (;;) {
        if (from >= maskAt_ && from < maskEnd_) {
            const uint32_t ahead = breaks_ >> (from - maskAt_);
            if (ahead != 0) return from + static_cast<size_t>(__builtin_ctz(ahead));
            from = maskEnd_;
        }
        if (from >= piece_.size()) return piece_.size();
        maskAt_ = from;
        maskEnd_ = from + 32;
        breaks_ = UnitMaskOf(piece_, from, u'\r', u'\n');
    }
}

// NextLine's lines, by NextBreak.
bool IndexFileLineReader::Next(TextView& line, size_t& number) {
    while (begin_ >= piece_.size()) {
        if (!DecodePiece()) return false;
    }
    const char16_t end = crEnds_ ? u'\r' : u'\n';
    size_t lineFeeds = 0, stop = NextBreak(begin_);
    for (; stop < piece_.size() && piece_[stop] != end; stop = NextBreak(stop + 1)) lineFeeds += piece_[stop] == u'\n';
    line = TextView(piece_).substr(begin_, stop - begin_);
    begin_ = stop + 1;
    if (crEnds_ && begin_ < piece_.size() && piece_[begin_] == u'\n') ++begin_;
    number = number_;
    number_ += 1 + lineFeeds;
    return true;
}

IndexFileEncoding ReadIndexFileLines(const Text& path, const IndexFileLineHandler& onLine) {
    IndexFileLineReader lines(path);
    TextView line;
    size_t number;
    while (lines.Next(line, number)) onLine(line, number);
    return lines.Encoding();
}

namespace {

// ReadTaggedLine's reading, as the reader's loop takes it in registers (a TaggedLine handed back
// through memory and read back wider stalls every line): false for a line not read for a tag;
// otherwise `element` and `close`, the position of its first ">" in it.
inline bool FindLineTag(TextView line, TextView& element, size_t& close) {
    element = Unindented(line);
    if (!OpensATag(element)) return false;
    // The tags of the lines that carry the values are known at a glance; any other is read to its ">".
    if (SameUnits(element.substr(0, kDescriptionStart.size()), kDescriptionStart)) {
        close = kDescriptionStart.size() - 1;
    } else if (SameUnits(element.substr(0, kPageStart.size()), kPageStart)) {
        close = kPageStart.size() - 1;
    } else if ((close = FindUnitOf(element, 0, u'>', u'>')) == element.size()) {
        return false;
    }
    if (close + 1 > kMaxPosition) throw OverflowError();
    return true;
}

}  // namespace

std::optional<TaggedLine> ReadTaggedLine(TextView line) {
    TextView element;
    size_t close;
    if (!FindLineTag(line, element, close)) return std::nullopt;
    return TaggedLine{element.substr(1, close - 1), element};
}

std::optional<TextView> IndexFilePairing::Read(TextView line) {
    read_ = Line::kOther;
    TextView element;
    size_t close;
    if (!FindLineTag(line, element, close)) return std::nullopt;  // a comment, text, or no tag
    const TextView tag(element.data() + 1, close - 1);
    // The value is read for every tag, so a line with a bad value ends the reading whatever it
    // is; the pending description changes only once the line is read.
    if (close + 1 == element.size()) {
        value_.clear();  // a tag alone ("<Index>", "</Index>"): nothing follows to read
    } else {
        ReadXmlElementValue(element, close, value_);
    }
    if (SameUnits(tag, kDescriptionTag)) {
        pending_.swap(value_);
        read_ = Line::kDescription;
    } else if (SameUnits(tag, kPageTag)) {
        description_.swap(pending_);
        pending_.clear();
        read_ = Line::kPair;
    } else if (SameUnits(tag, kSortKeyElement)) {
        read_ = Line::kSortKey;
    }
    return tag;
}

std::optional<TextView> PairIndexFileLine(TextView line, Text& pending, const IndexFilePairHandler& onPair,
                                          const IndexFileSortKeyHandler& onSortKey) {
    IndexFilePairing pairing(pending);
    const std::optional<TextView> tag = pairing.Read(line);
    if (pairing.Paired()) onPair(std::move(pairing.Description()), std::move(pairing.Page()));
    if (onSortKey && pairing.SortKeyRead()) onSortKey(std::move(pairing.SortKey()));
    return tag;
}

void RootTagSearch::Read(TextView tag) {
    if (decided_ || tag.substr(0, 1) == u"?") return;
    decided_ = true;
    if (tag != kDescriptionTag && tag != kPageTag) root_ = Text(tag);
}

void CopyIndexFilePairs(const Text& path, Text& pending, const IndexFilePairCopyHandler& onPair,
                        const IndexFileRootHandler& onRoot, const IndexFileSortKeyCopyHandler& onSortKey,
                        const IndexFileDescriptionHandler& onDescription) {
    RootTagSearch root;
    if (!onRoot) root.Stop();
    IndexFileLineReader lines(path);
    IndexFilePairing pairing(pending);
    TextView line;
    size_t number;
    while (lines.Next(line, number)) {
        const std::optional<TextView> tag = pairing.Read(line);
        if (pairing.Paired()) onPair(pairing.Description(), pairing.Page());
        if (onSortKey && pairing.SortKeyRead()) onSortKey(pairing.SortKey());
        if (onDescription && pairing.DescriptionRead()) onDescription(pending);
        if (root.Decided() || !tag) continue;
        root.Read(*tag);
        if (root.Root()) onRoot(*root.Root());
    }
}

void ReadIndexFilePairs(const Text& path, Text& pending, const IndexFilePairHandler& onPair,
                        const IndexFileRootHandler& onRoot, const IndexFileSortKeyHandler& onSortKey) {
    IndexFileSortKeyCopyHandler copySortKey;
    if (onSortKey) copySortKey = [&onSortKey](const Text& sortKey) { onSortKey(sortKey); };
    CopyIndexFilePairs(
        path, pending, [&onPair](const Text& description, const Text& page) { onPair(description, page); }, onRoot,
        copySortKey);
}

// The lines after the one that decides are not read.
std::optional<Text> ReadIndexFileRoot(const Text& path) {
    RootTagSearch root;
    Text pending;
    IndexFileLineReader lines(path);
    IndexFilePairing pairing(pending);
    TextView line;
    size_t number;
    while (!root.Decided() && lines.Next(line, number)) {
        try {
            if (const std::optional<TextView> tag = pairing.Read(line)) root.Read(*tag);
        } catch (const AutomationError&) {
            root.Stop();
        }
    }
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
