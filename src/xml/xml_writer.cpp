#include "xml/xml_writer.h"

#include <memory>

#include "core/identity.h"
#include "core/error.h"
#include "core/per_thread.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "xml/xml_text.h"

namespace {

// The writer's state, once per thread. The file is written beside its target and put in
// place on close, so an existing file is never lost to a write that does not finish.
struct XmlWriterState {
    bool isOpen = false;
    Text rootName;
    std::unique_ptr<platform::FileReplacement> file;
};

XmlWriterState& State() { return PerThread<XmlWriterState, ThreadSlot::kXmlWriter>(); }

void WriteLine(const Text& line) {
    XmlWriterState& state = State();
    if (!state.isOpen) return;
    std::string bytes = platform::ToAnsi(line);
    bytes += "\r\n";
    state.file->Write(bytes);
}

}  // namespace

Text OpenXmlFile(const Text& path, const Text& rootName, const Text& rootAttributes) {
    AbandonXmlFile();
    XmlWriterState& state = State();
    state.rootName = rootName;
    Text rootTag;
    if (!rootName.empty()) {
        rootTag = u"<" + rootName;
        if (!rootAttributes.empty()) rootTag += u" " + rootAttributes;
        rootTag += u">";
    }
    try {
        const platform::VersionInfo version = platform::LibraryVersion();
        state.file = platform::FileReplacement::Begin(path);
        state.isOpen = true;
        WriteLine(u"<?xml version=\"1.0\" encoding=\"utf-8\"?>");
        WriteLine(u"<!-- XML File Created by " + version.executableName + u" -->");
        WriteLine(u"<!-- Developed by " FOLIO_MAKER_NAME " -->");
        WriteLine(u"<!-- Copyright (c) " + platform::CurrentYear() + u" " FOLIO_MAKER_NAME " -->");
        WriteLine(u"<!-- " + version.productName + u" version " + version.Numbers() + u" -->");
        WriteLine(u"<!-- " FOLIO_MAKER_WEB_ADDRESS " for further details -->");
        WriteLine(u"<!-- File " + path + u" Created " + platform::CurrentDateDdMmmYyyy() + u"-->");
        if (!rootTag.empty()) WriteLine(rootTag);
    } catch (...) {
        AbandonXmlFile();
        return u"Error Creating File: " + CurrentErrorDescription();
    }
    return Text();
}

Text WriteXmlOpenTag(const Text& tag, const Text& attributes) {
    Text line = u"<" + tag;
    if (!attributes.empty()) line += u" " + attributes;
    line += u">";
    WriteLine(line);
    return line;
}

// The reader finds the end tag by a 16-bit position: a line whose end tag starts beyond
// 32767 could be written but never read back, so it is not written.
constexpr size_t kMaxEndTagPosition = 32767;

Text WriteXmlElement(const Text& tag, const Text& value) {
    Text line = u"<" + tag + u">" + XmlEscape(value);
    if (line.size() + 1 > kMaxEndTagPosition) throw OverflowError();
    line += u"</" + tag + u">";
    WriteLine(line);
    return line;
}

Text WriteXmlCDataElement(const Text& tag, const Text& value) {
    Text line = u"<" + tag + u">" + XmlCData(value) + u"</" + tag + u">";
    WriteLine(line);
    return line;
}

Text WriteXmlCloseTag(const Text& tag) {
    Text line = u"</" + tag + u">";
    WriteLine(line);
    return line;
}

platform::FileReplacement* XmlFileOutput() {
    XmlWriterState& state = State();
    return state.isOpen ? state.file.get() : nullptr;
}

std::string XmlOpenTagLine(const Text& tag) {
    return platform::ToAnsi(u"<" + tag + u">") + "\r\n";
}

std::string XmlCloseTagLine(const Text& tag) {
    return platform::ToAnsi(u"</" + tag + u">") + "\r\n";
}

XmlElementLines::XmlElementLines(TextView tag)
    : startTag_("<" + platform::ToAnsi(tag) + ">"),
      endTag_("</" + platform::ToAnsi(tag) + ">\r\n"),
      startTagLength_(tag.size() + 2) {}

void XmlElementLines::Append(std::string& out, TextView value) const {
    // The same limit as WriteXmlElement's: the end tag's "<" stands at most at 32767.
    if (startTagLength_ + 1 > kMaxEndTagPosition) throw OverflowError();
    const size_t start = out.size();
    out += startTag_;
    try {
        AppendXmlEscapedAnsi(out, value, kMaxEndTagPosition - 1 - startTagLength_);
    } catch (...) {
        out.resize(start);
        throw;
    }
    out += endTag_;
}

void XmlElementLines::CheckFits(TextView value) const {
    if (startTagLength_ + value.size() * kMaxEscapedUnitLength + 1 <= kMaxEndTagPosition) return;
    std::string line;
    Append(line, value);
}

Text CloseXmlFile() {
    XmlWriterState& state = State();
    if (!state.isOpen) return u"XML already closed";
    if (!state.rootName.empty()) WriteLine(u"</" + state.rootName + u">");
    // A failed write throws here and leaves the file open, as a failed write does anywhere.
    const bool placed = state.file->Commit();
    state.file.reset();
    state.isOpen = false;
    return Text(placed ? u"XML File closed" : kXmlFileNotPlaced);
}

void AbandonXmlFile() {
    XmlWriterState& state = State();
    state.file.reset();
    state.isOpen = false;
}
