// The index file: Save writes the table as XML, one element per line; NewFile and AppendFile
// read such a file back line by line. Only Description and Page lines carry data, so each
// deliverable reads the other's files.
#include "core/identity.h"
#include "core/error.h"
#include "entry/entry.h"
#include "entry/index_file_reader.h"
#include "entry/levels.h"
#include "info/common_ufl.h"
#include "platform/files.h"
#include "xml/xml_text.h"
#include "xml/xml_writer.h"

namespace {

constexpr TextView kDescriptionTag = u"Description";  // the element names Save writes
constexpr TextView kPageTag = u"Page";

Text CouldNotSave(const Text& sFile) { return u"Could Not Save to " + sFile; }

}  // namespace

Text Entry::Save(const Text& sFile) const {
    // Every failure is answered with its description, out-of-memory included: the half-written
    // file goes, the writer closes, and the file that was there keeps its content.
    try {
        SetLibraryIdentity(u"" FOLIO_APPLICATION_NAME, u"" FOLIO_DEVELOPER_NAME);
        // A file that cannot be created is reported as not saved, even when an older file of
        // that name is still there: that file is not what the caller asked to save.
        // A text order and the separator of levels are recorded on the root element; an ordinal
        // table without levels writes the file as ever.
        Text rootAttributes = textOrder_ ? u"order=\"" + Order() + u"\"" : Text();
        if (!separator_.empty())
            rootAttributes += (rootAttributes.empty() ? u"" : u" ") + (u"levels=\"" + XmlEscape(separator_) + u"\"");
        if (!OpenXmlFile(sFile, Text(edition_.rootElement), rootAttributes).empty()) return CouldNotSave(sFile);
        if (platform::FileReplacement* out = XmlFileOutput()) WriteEntries(*out);
        // The file that was there keeps its content when the new one cannot take its place.
        if (CloseXmlFile() == kXmlFileNotPlaced) return CouldNotSave(sFile);
        if (!platform::FileIsPresent(sFile)) return CouldNotSave(sFile);
        return Text(edition_.savedText) + sFile + u" (" + DecimalText(count_) + u" lines) ";
    } catch (...) {
        AbandonXmlFile();
        return CurrentErrorDescription();
    }
}

// Four lines per entry with a description (five with a sort key, on a line that the loaders of
// earlier versions skip), escaped straight into the file's bytes, which go out a bounded piece
// at a time: a Save needs no more memory for 8000 long rows than for ten.
void Entry::WriteEntries(platform::FileReplacement& out) const {
    const Text entryElement(edition_.entryElement);
    const std::string openTag = XmlOpenTagLine(entryElement);
    const std::string closeTag = XmlCloseTagLine(entryElement);
    const XmlElementLines descriptionLines(kDescriptionTag), pageLines(kPageTag), sortKeyLines(kSortKeyElement);
    std::string& bytes = out.Unwritten();
    // Room for a full buffer and the rows that pass it, so that it is never copied to grow.
    if (count_ > 0) bytes.reserve(platform::FileReplacement::kBufferSize * 5 / 4);
    for (int16_t i = 0; i < count_; ++i) {
        const Row& row = RowAt(i);
        if (row.description.empty()) continue;
        bytes += openTag;
        descriptionLines.Append(bytes, row.description);
        pageLines.Append(bytes, row.page);
        if (sortAs_ && !sortAs_[order_[i]].empty()) sortKeyLines.Append(bytes, sortAs_[order_[i]]);
        bytes += closeTag;
        out.WriteIfFull();
    }
}

// The same bytes Save would write for the page's line, and its overflow error. The tags are
// ASCII, the same bytes in every code page: they are made once.
void Entry::CheckPageFitsLine(const Text& page) {
    static const XmlElementLines pageLines(kPageTag);
    pageLines.CheckFits(page);
}

Text Entry::NewFile(const Text& sFile) {
    ReleaseRows();  // first, so the table is empty even when nothing can be read
    // Until SetOrder and SetLevels choose: the order and the levels of a new object, whatever
    // the file brings.
    if (!levelsChosen_) separator_.clear();
    if (edition_.sorted && !orderChosen_) UseOrder(nullptr);
    if (sFile.empty()) return Text(edition_.noFileNameText);
    if (edition_.newFileReturnsErrors) {
        try {
            return LoadFile(sFile, u"Load ", true);
        } catch (const AutomationError& e) {
            return u"ERROR: " + e.Description();
        }
    } else {
        return LoadFile(sFile, u"Load ", true);
    }
}

Text Entry::CannotFindText(const Text& sFile) { return u"UFL Error: Cannot find file=" + sFile; }

Text Entry::AppendFile(const Text& sFile) {
    if (sFile.empty()) return Text();
    return LoadFile(sFile, u"Append ", false);
}

Text Entry::LoadFile(const Text& sFile, TextView verb, bool newFile) {
    if (!platform::FileIsPresent(sFile)) return CannotFindText(sFile);
    if (edition_.loadClearsPendingDescription) pendingDescription_.clear();
    // Until SetOrder and SetLevels choose, a file read by NewFile brings its order (Keystack)
    // and its levels, each none unless its root start tag records one this machine can apply.
    // AppendFile keeps them. Every load reads the file's paths with the file's separator.
    Text fileSeparator;
    int16_t lastRow = kNoRow;  // the row of the last pair, which a SortKey line names
    std::optional<size_t> expected;  // the hash of the pending description, where this file read it
    // Keystack: the sort keys the file records, taken together once the rows are in (also
    // when the reading stops part-way: the rows read stay, with their keys).
    std::vector<std::pair<int16_t, Text>> sortKeys;
    const auto takeSortKeys = [&] {
        if (!sortKeys.empty()) TakeSortKeys(std::move(sortKeys));
    };
    try {
        // The reader lends each pair; a row copies it into its own strings.
        CopyIndexFilePairs(
            sFile, pendingDescription_,
            [&](const Text& description, const Text& page) {
                const std::optional<size_t> hash = expected;
                expected.reset();
                lastRow = SeparatorDiffers(fileSeparator) ? LoadPair(AsStored(description, fileSeparator), page)
                                                          : LoadPair(description, page, hash);
            },
            [&](TextView rootTag) {
                if (newFile) AdoptFileSettings(rootTag);
                try {
                    fileSeparator = RecordedLevels(rootTag);
                } catch (const AutomationError&) {
                    // A separator that cannot be read: the file's paths are read with the object's.
                }
            },
            [&](const Text& sortKey) {
                // A sort key names the row of the pair right before it, not one whose Description
                // line came since.
                if (lastRow != kNoRow && edition_.sorted && pendingDescription_.empty())
                    sortKeys.emplace_back(lastRow, sortKey);
                lastRow = kNoRow;
            },
            [&](const Text& description) {
                // The row's place in the index is brought near while its Page line is read
                // (not where the table is full: the pair is passed over, unread).
                expected.reset();
                if (count_ > kStoreLimit || SeparatorDiffers(fileSeparator)) return;
                expected = RowIndex::Hash(description);
                firstRow_.PrefetchSlot(*expected);
            });
    } catch (...) {
        takeSortKeys();
        throw;
    }
    takeSortKeys();
    return LoadedText(verb, count_);
}

bool Entry::SeparatorDiffers(TextView fileSeparator) const {
    return !fileSeparator.empty() && !separator_.empty() && fileSeparator != separator_;
}

Text Entry::AsStored(Text description, TextView fileSeparator) const {
    if (!SeparatorDiffers(fileSeparator)) return description;
    return WithSeparator(description, fileSeparator, separator_);
}

Text Entry::LoadedText(TextView verb, int16_t count) const {
    return Text(verb) + DecimalText(count) + Text(edition_.loadedText);
}

int16_t Entry::LoadPair(const Text& description, const Text& page, std::optional<size_t> hash) {
    if (edition_.sorted) {
        // Loading sorts and merges as Store does; a full table, and a description Store
        // refuses, are passed over without a word.
        if (description.empty() || count_ > kStoreLimit || !IsPath(description, separator_)) return kNoRow;
        return StoreRow(description, page, hash ? *hash : RowIndex::Hash(description));
    }
    if (count_ > kStoreLimit) return kNoRow;
    if (!ParentPath(description, separator_)) {
        AddRow(description, page, kRowCount, hash ? *hash : RowIndex::Hash(description));
        return kNoRow;
    }
    // Pagestack keeps the file's rows as they are: duplicates and empty descriptions too; a
    // path goes into its parent's block, with the parents it lacks (when there is room).
    FirstRows staged;
    const std::vector<TextView> parents = MissingParents(description, staged);
    if (count_ + static_cast<int>(parents.size()) + 1 > kRowCount) return kNoRow;
    int16_t k = 0;
    for (TextView parent : parents) StageRow(k++, Text(parent), Text(), std::string(), staged);
    StageRow(k++, description, page, std::string(), staged, RowIndex::Hash(description));
    LinkStagedRows(k, staged);
    return kNoRow;
}

// Older versions, and Pagestack, ignore the root tag's order: a tag with attributes is none
// they read. The table is empty when the root tag is read.
void Entry::AdoptFileSettings(TextView rootTag) {
    if (!levelsChosen_) {
        try {
            if (Text levels = RecordedLevels(rootTag); !levels.empty()) {
                separator_.swap(levels);
                RefreshKeys();
            }
        } catch (const AutomationError&) {
            // A separator that cannot be read: no levels, as in a new object.
        }
    }
    const Text recorded = RecordedOrder(rootTag);
    if (!edition_.sorted || orderChosen_ || recorded.empty()) return;
    try {
        UseOrder(TextOrderNamed(recorded));
    } catch (const AutomationError&) {
        // An order this machine cannot apply (a locale it does not know): the file loads in
        // ordinal order, as it would in a new object.
    }
}
