// The index file: Save writes the table as XML, one element per line; NewFile and AppendFile
// read such a file back line by line. Only Description and Page lines carry data, so each
// deliverable reads the other's files.
#include "automation/build.h"
#include "automation/identity.h"
#include "core/error.h"
#include "entry/entry.h"
#include "entry/index_file_reader.h"
#include "info/common_ufl.h"
#include "platform/files.h"
#include "xml/xml_text.h"
#include "xml/xml_writer.h"

namespace {

constexpr TextView kDescriptionTag = u"Description";
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
        // A text order is recorded on the root element; an ordinal table writes the file as ever.
        const Text rootAttributes = textOrder_ ? u"order=\"" + Order() + u"\"" : Text();
        if (!OpenXmlFile(sFile, Text(Build::kRootElement), rootAttributes).empty()) return CouldNotSave(sFile);
        if (platform::FileReplacement* out = XmlFileOutput()) WriteEntries(*out);
        // The file that was there keeps its content when the new one cannot take its place.
        if (CloseXmlFile() == kXmlFileNotPlaced) return CouldNotSave(sFile);
        if (!platform::FileIsPresent(sFile)) return CouldNotSave(sFile);
        return Text(Build::kSavedText) + sFile + u" (" + DecimalText(count_) + u" lines) ";
    } catch (...) {
        AbandonXmlFile();
        return CurrentErrorDescription();
    }
}

// Four lines per entry with a description, escaped straight into the file's bytes, which go
// out a bounded piece at a time: a Save needs no more memory for 8000 long rows than for ten.
void Entry::WriteEntries(platform::FileReplacement& out) const {
    const Text entryElement(Build::kEntryElement);
    const std::string openTag = XmlOpenTagLine(entryElement);
    const std::string closeTag = XmlCloseTagLine(entryElement);
    const XmlElementLines descriptionLines(kDescriptionTag), pageLines(kPageTag);
    std::string& bytes = out.Unwritten();
    // Room for a full buffer and the rows that pass it, so that it is never copied to grow.
    if (count_ > 0) bytes.reserve(platform::FileReplacement::kBufferSize * 5 / 4);
    for (int16_t i = 0; i < count_; ++i) {
        const Row& row = RowAt(i);
        if (row.description.empty()) continue;
        bytes += openTag;
        descriptionLines.Append(bytes, row.description);
        pageLines.Append(bytes, row.page);
        bytes += closeTag;
        out.WriteIfFull();
    }
}

// The same bytes Save would write for the page's line, and its overflow error.
void Entry::CheckPageFitsLine(const Text& page) {
    XmlElementLines(kPageTag).CheckFits(page);
}

Text Entry::NewFile(const Text& sFile) {
    ReleaseRows();  // first, so the table is empty even when nothing can be read
    if (sFile.empty()) return Text(Build::kNoFileNameText);
    if constexpr (Build::kNewFileReturnsErrors) {
        try {
            return LoadFile(sFile, u"Load ", true);
        } catch (const AutomationError& e) {
            return u"ERROR: " + e.Description();
        }
    } else {
        return LoadFile(sFile, u"Load ", true);
    }
}

Text Entry::AppendFile(const Text& sFile) {
    if (sFile.empty()) return Text();
    return LoadFile(sFile, u"Append ", false);
}

Text Entry::LoadFile(const Text& sFile, TextView verb, bool newFile) {
    if (!platform::FileIsPresent(sFile)) return u"UFL Error: Cannot find file=" + sFile;
    // Keystack, until SetOrder chooses: a file read by NewFile brings its order, ordinal
    // unless its root start tag records one this machine can apply. AppendFile keeps the order.
    awaitingRootTag_ = Build::kSorted && newFile && !orderChosen_;
    if (awaitingRootTag_) UseOrder(nullptr);
    if constexpr (Build::kLoadClearsPendingDescription) pendingDescription_.clear();
    ReadIndexFileLines(sFile, [this](TextView line, size_t) { LoadIndexFile(line); });
    return Text(verb) + DecimalText(count_) + Text(Build::kLoadedText);
}

void Entry::LoadIndexFile(TextView line) {
    const std::optional<TaggedLine> tagged = ReadTaggedLine(line);
    if (!tagged) return;  // a comment, text, or no tag
    const TextView tag = tagged->tag;
    // The value is read for every tag, so a line with a bad value ends the load whatever it is.
    Text value = XmlElementValue(tagged->element);

    if (awaitingRootTag_ && tag.substr(0, 1) != u"?") {  // the first tag after the declaration
        awaitingRootTag_ = false;
        AdoptFileOrder(tag);
    }
    if (tag == kDescriptionTag) {
        pendingDescription_ = std::move(value);
    } else if (tag == kPageTag) {
        if constexpr (Build::kSorted) {
            // Loading sorts and merges as Store does; a full table refuses without a word.
            if (!pendingDescription_.empty() && count_ <= kStoreLimit) Store(pendingDescription_, value);
        } else if (count_ <= kStoreLimit) {
            // Pagestack keeps the file's rows as they are: duplicates and empty descriptions too.
            AppendRow(pendingDescription_, std::move(value));
        }
        pendingDescription_.clear();
    }
}

// The order="..." attribute of the root start tag, as Save writes it. Older versions, and
// Pagestack, ignore the whole line: a tag with attributes is none they read.
void Entry::AdoptFileOrder(TextView rootTag) {
    constexpr TextView kAttribute = u" order=\"";
    const size_t start = rootTag.find(kAttribute);
    if (start == TextView::npos) return;
    const size_t begin = start + kAttribute.size();
    const size_t end = rootTag.find(u'"', begin);
    if (end == TextView::npos) return;
    try {
        UseOrder(TextOrderNamed(Text(rootTag.substr(begin, end - begin))));
    } catch (const AutomationError&) {
        // An order this machine cannot apply (a locale it does not know): the file loads in
        // ordinal order, as it would in a new object.
    }
}
