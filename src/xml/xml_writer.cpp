#include "xml/xml_writer.h"

#include <memory>

#include "automation/identity.h"
#include "core/error.h"
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

thread_local XmlWriterState state;

void WriteLine(const Text& line) {
    if (!state.isOpen) return;
    std::string bytes = platform::ToAnsi(line);
    bytes += "\r\n";
    state.file->Write(bytes);
}

}  // namespace

Text OpenXmlFile(const Text& path, const Text& rootName, const Text& rootAttributes) {
    AbandonXmlFile();
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
    } catch (const AutomationError& e) {
        AbandonXmlFile();
        return u"Error Creating File: " + e.Description();
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

Text XmlElementLineStart(const Text& tag, TextView value) {
    Text line = u"<" + tag + u">" + XmlEscape(value);
    if (line.size() + 1 > 32767) throw OverflowError();
    return line;
}

Text WriteXmlElement(const Text& tag, const Text& value) {
    Text line = XmlElementLineStart(tag, value);
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

Text CloseXmlFile() {
    if (!state.isOpen) return u"XML already closed";
    if (!state.rootName.empty()) WriteLine(u"</" + state.rootName + u">");
    state.file->Commit();  // on failure the file stays open, as a failed write leaves it
    state.file.reset();
    state.isOpen = false;
    return u"XML File closed";
}

void AbandonXmlFile() {
    state.file.reset();
    state.isOpen = false;
}
