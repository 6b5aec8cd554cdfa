// The index file: Save writes the table as XML, one element per line; NewFile and AppendFile
// read such a file back line by line. Only Description and Page lines carry data, so each
// deliverable reads the other's files.
#include "automation/build.h"
#include "automation/identity.h"
#include "core/error.h"
#include "entry/entry.h"
#include "info/common_file.h"
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
    SetLibraryIdentity(u"" FOLIO_APPLICATION_NAME, u"" FOLIO_DEVELOPER_NAME);
    try {
        // A file that cannot be created is reported as not saved, even when an older file of
        // that name is still there: that file is not what the caller asked to save.
        // A text order is recorded on the root element; an ordinal table writes the file as ever.
        const Text rootAttributes = textOrder_ ? u"order=\"" + Order() + u"\"" : Text();
        if (!OpenXmlFile(sFile, Text(Build::kRootElement), rootAttributes).empty()) return CouldNotSave(sFile);
        if (std::string* out = XmlFileBuffer()) WriteEntries(*out);
        // The file that was there keeps its content when the new one cannot take its place.
        if (CloseXmlFile() == kXmlFileNotPlaced) return CouldNotSave(sFile);
    } catch (const AutomationError& e) {
        // The half-written file goes; the file that was there keeps its content.
        AbandonXmlFile();
        return e.Description();
    }
    if (!platform::FileIsPresent(sFile)) return CouldNotSave(sFile);
    return Text(Build::kSavedText) + sFile + u" (" + DecimalText(count_) + u" lines) ";
}

// Four lines per entry with a description, escaped straight into the file's bytes, which
// then go out in one write.
void Entry::WriteEntries(std::string& out) const {
    const Text entryElement(Build::kEntryElement);
    const std::string openTag = XmlOpenTagLine(entryElement);
    const std::string closeTag = XmlCloseTagLine(entryElement);
    const XmlElementLines descriptionLines(kDescriptionTag), pageLines(kPageTag);
    // Room for the usual case, where few characters need escaping.
    size_t estimate = 0;
    for (int16_t i = 0; i < count_; ++i) {
        const Row& row = RowAt(i);
        estimate += openTag.size() + closeTag.size() + 48 + row.description.size() + row.page.size();
    }
    out.reserve(out.size() + estimate + estimate / 8);
    for (int16_t i = 0; i < count_; ++i) {
        const Row& row = RowAt(i);
        if (row.description.empty()) continue;
        out += openTag;
        descriptionLines.Append(out, row.description);
        pageLines.Append(out, row.page);
        out += closeTag;
    }
}

// The same bytes Save would write for the page's line, and its overflow error.
void Entry::CheckPageFitsLine(const Text& page) {
    std::string line;
    XmlElementLines(kPageTag).Append(line, page);
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
    ReadTextLines(sFile, [this](TextView line) { LoadIndexFile(line); });
    return Text(verb) + DecimalText(count_) + Text(Build::kLoadedText);
}

void Entry::LoadIndexFile(TextView line) {
    if (line.substr(0, 2) == u"<!") return;  // a comment
    if (line.empty() || line[0] != u'<') return;
    const size_t close = line.find(u'>');
    if (close == TextView::npos) return;
    if (close + 1 > 32767) throw OverflowError();  // positions are 16-bit
    const TextView tag = line.substr(1, close - 1);
    // The value is read for every tag, so a line with a bad value ends the load whatever it is.
    Text value = XmlElementValue(line);

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
