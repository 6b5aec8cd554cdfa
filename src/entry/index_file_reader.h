// Reading an index file: its bytes become text, the text becomes numbered lines, a line is
// read for its tag, and Description lines pair with Page lines. NewFile, AppendFile and
// AppendPages read files this way, and so does every other reader of index files, so that all
// of them see a file alike. Files the libraries wrote (ANSI code
// page, CR LF line ends, no indentation) read as they always have; files that an editor or
// another tool has touched read as their author meant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/text.h"

// How a file's bytes were taken.
enum class IndexFileEncoding {
    kAnsi,              // no byte-order mark: the ANSI code page, as the libraries write
    kUtf8,              // no mark, but its element lines hold UTF-8 (single-byte code pages only)
    kUtf8Mark,          // EF BB BF
    kUtf16LittleEndian, // FF FE
    kUtf16BigEndian,    // FE FF
};

struct IndexFileText {
    IndexFileEncoding encoding;
    Text text;  // without the byte-order mark
};

// The file's text. A byte-order mark decides: UTF-8 or UTF-16 in either byte order. Without
// one the bytes are in the ANSI code page, except in a single-byte code page when the element
// lines (those read for a tag) hold bytes above 127 and all of them form UTF-8: the libraries
// write every such character as a reference, so those files came from another tool, and are
// read as UTF-8 as their declaration says. Bytes that form no character become U+FFFD.
IndexFileText DecodeIndexFile(std::string_view bytes);

// The lines of a file's text, each without its line end, with its number counted from 1 as an
// editor counts lines (a lone LF inside a line counts as a line break too). A line ends at CR,
// and an LF right after the CR belongs to that line end; a text without any CR ends its lines
// at LF instead.
using IndexFileLineHandler = std::function<void(TextView line, size_t number)>;
void ForEachIndexFileLine(TextView text, const IndexFileLineHandler& onLine);

// Reads the file and hands each of its lines to `onLine`; returns how its bytes were taken.
// Throws the file error when the file cannot be read.
IndexFileEncoding ReadIndexFileLines(const Text& path, const IndexFileLineHandler& onLine);

// The lines of a file as ForEachIndexFileLine gives the file's text (DecodeIndexFile), with the
// same numbers. The file is held once, as its bytes, and turned into text a piece of whole lines
// at a time, into one buffer: reading a large file takes no more than its bytes and a piece.
class IndexFileLineReader {
public:
    // How many bytes a piece takes (more when a line is longer).
    static constexpr size_t kPieceBytes = 32 * 1024;

    // The room for a file's bytes that a thread keeps for its next read, at most: a new room
    // as large as a file costs a page fault every few kilobytes, a fifth of a load under Wine.
    static constexpr size_t kKeptRoomBytes = 4 * 1024 * 1024;

    // Reads the file; throws the file error when it cannot be read.
    explicit IndexFileLineReader(const Text& path);
    // The lines of bytes already read, in pieces of `pieceBytes`.
    explicit IndexFileLineReader(std::string bytes, size_t pieceBytes = kPieceBytes);
    // The bytes' room is kept for the thread's next read (kKeptRoomBytes).
    ~IndexFileLineReader();
    IndexFileLineReader(const IndexFileLineReader&) = delete;
    IndexFileLineReader& operator=(const IndexFileLineReader&) = delete;

    IndexFileEncoding Encoding() const { return encoding_; }
    // The next line and its number; false after the last. The line stays valid until the next call.
    bool Next(TextView& line, size_t& number);

private:
    void Begin();  // takes the bytes' encoding and line ends
    bool DecodePiece();
    size_t NextBreak(size_t from);

    std::string room_;        // holds the file's bytes
    std::string_view bytes_;  // the file's bytes, in room_
    IndexFileEncoding encoding_;
    size_t pieceBytes_ = kPieceBytes;
    size_t at_;          // the bytes turned into text so far (a byte-order mark counts as turned)
    bool crEnds_;        // the file's lines end at CR (it holds one), or else at LF
    std::unique_ptr<char16_t[]> units_;  // room for a piece's text: two units a byte
    size_t unitRoom_ = 0;
    TextView piece_;     // the text of the piece being read, in units_
    size_t begin_ = 0;   // where the piece's next line begins
    size_t number_ = 1;  // that line's number
    // The CRs and LFs among the piece's units from maskAt_ to maskEnd_: bit k for maskAt_ + k.
    size_t maskAt_ = 0, maskEnd_ = 0;
    uint32_t breaks_ = 0;
};

// A line as the loader reads it for its tag.
struct TaggedLine {
    TextView tag;      // between the "<" and the first ">", attributes and all
    TextView element;  // the line from its "<" on, whose value XmlElementValue reads
};

// Blanks and tabs before the "<" are skipped. Nothing for a comment ("<!"), a line that does
// not start with "<", or one without ">". Throws the overflow error when the ">" stands beyond
// position 32767 counted from the "<".
std::optional<TaggedLine> ReadTaggedLine(TextView line);

// The Description/Page pairs of a file, as every load reads them. Each line read for its tag
// has its value read (XmlElementValue), whatever its tag, so a bad value anywhere ends the
// reading with its error. A Description line's value waits in `pending`, replacing any earlier
// one; a Page line hands over the pair (`pending`, its value), also when `pending` is empty,
// and empties `pending`. Other lines pair nothing. `pending` is the caller's, so that a
// description left without its Page line at the end of one file can pair with the first Page
// line of the next. Pairs handed over before an error stay handed over.
// Returns the line's tag when it was read for one.
// A SortKey line (the sort key of the row whose pair came last, as Save writes it after the
// row's Page line) goes to `onSortKey`, where given, with its value.
using IndexFilePairHandler = std::function<void(Text description, Text page)>;
using IndexFileSortKeyHandler = std::function<void(Text sortKey)>;
std::optional<TextView> PairIndexFileLine(TextView line, Text& pending, const IndexFilePairHandler& onPair,
                                          const IndexFileSortKeyHandler& onSortKey = nullptr);

// PairIndexFileLine line after line, with one buffer for each text that serves every line: a
// reader that copies each pair where it keeps it makes no new text for a line.
class IndexFilePairing {
public:
    explicit IndexFilePairing(Text& pending) : pending_(pending) {}
    // Reads the line as PairIndexFileLine does, with its errors, and returns the same answer.
    // After a Page line, Paired() is true and Description() and Page() hold the pair (until
    // the next line is read); the pending description is then empty, as PairIndexFileLine leaves it.
    std::optional<TextView> Read(TextView line);
    bool Paired() const { return read_ == Line::kPair; }
    // After a Description line, DescriptionRead() is true: the pending description is its value.
    bool DescriptionRead() const { return read_ == Line::kDescription; }
    Text& Description() { return description_; }
    Text& Page() { return value_; }
    // After a SortKey line, SortKeyRead() is true and SortKey() holds its value (until the next line).
    bool SortKeyRead() const { return read_ == Line::kSortKey; }
    Text& SortKey() { return value_; }

private:
    enum class Line { kOther, kDescription, kPair, kSortKey };
    Text& pending_;
    Text value_, description_;
    Line read_ = Line::kOther;
};

// A file's root start tag, as every reader of index files finds it: the first tag a load reads
// that is not the "<?xml" declaration, unless that is a Description or a Page line (a file of
// bare pairs, which loads as well, has no root element). Only the lines a load reads count:
// once a line stops the load, no later tag is the root.
class RootTagSearch {
public:
    // The tag of the next line the load read for one (PairIndexFileLine's answer).
    void Read(TextView tag);
    // The load stopped at a line.
    void Stop() { decided_ = true; }
    bool Decided() const { return decided_; }
    const std::optional<Text>& Root() const { return root_; }

private:
    bool decided_ = false;
    std::optional<Text> root_;
};

// Every line of the file, through PairIndexFileLine; the file's root start tag (RootTagSearch)
// also goes to `onRoot`, where given, once its line is read.
// Throws the file error when the file cannot be read.
using IndexFileRootHandler = std::function<void(TextView tag)>;
void ReadIndexFilePairs(const Text& path, Text& pending, const IndexFilePairHandler& onPair,
                        const IndexFileRootHandler& onRoot = nullptr, const IndexFileSortKeyHandler& onSortKey = nullptr);
// ReadIndexFilePairs for a loader that copies each pair into rows of its own: the texts it is
// handed are the reader's buffers (IndexFilePairing), lent for the call.
// `onDescription`, where given, gets each Description line's value as it becomes the pending
// description: the description of the next pair, unless another Description line comes first.
using IndexFilePairCopyHandler = std::function<void(const Text& description, const Text& page)>;
using IndexFileSortKeyCopyHandler = std::function<void(const Text& sortKey)>;
using IndexFileDescriptionHandler = std::function<void(const Text& description)>;
void CopyIndexFilePairs(const Text& path, Text& pending, const IndexFilePairCopyHandler& onPair,
                        const IndexFileRootHandler& onRoot = nullptr,
                        const IndexFileSortKeyCopyHandler& onSortKey = nullptr,
                        const IndexFileDescriptionHandler& onDescription = nullptr);

// The root start tag of a file (RootTagSearch), or nothing. Throws the file error when the
// file cannot be read.
std::optional<Text> ReadIndexFileRoot(const Text& path);

// The element name of a root start tag: the tag up to its first blank or tab.
TextView RootNameOf(TextView rootTag);

// The order a root start tag records, as Save writes it (`IndexDoc order="text:sv-SE"`): the
// attribute's value, or the empty text for a tag without one.
Text RecordedOrder(TextView rootTag);
// The separator of levels a root start tag records (`IndexDoc levels="&gt;"`), its escapes
// read; the empty text for none. Throws XmlUnescape's errors for a value that cannot be read.
Text RecordedLevels(TextView rootTag);

// The element names of an index file's rows.
inline constexpr TextView kDescriptionElement = u"Description";
inline constexpr TextView kPageElement = u"Page";
inline constexpr TextView kSortKeyElement = u"SortKey";
