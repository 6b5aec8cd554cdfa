// XMLCode's writer: XML files written line by line with a fixed header. One file at a time
// per thread; the state is shared by every object of that thread.
#pragma once

#include <string>

#include "core/text.h"
#include "platform/files.h"

// Starts a new file: the declaration, six header comments and the root start tag (left out
// when the root name is empty). Returns the empty text, or "Error Creating File: " and the
// reason (also for a failed allocation). A file already open on this thread is abandoned first.
Text OpenXmlFile(const Text& path, const Text& rootName, const Text& rootAttributes);

// Each returns the line it built, and writes it (with CR LF) only while a file is open.
Text WriteXmlOpenTag(const Text& tag, const Text& attributes);
Text WriteXmlElement(const Text& tag, const Text& value);
Text WriteXmlCDataElement(const Text& tag, const Text& value);
Text WriteXmlCloseTag(const Text& tag);

// For files of many elements: the open file, or null while no file is open. Lines appended to
// its Unwritten() bytes (in the ANSI code page, each with CR LF) go out with the rest of the
// file; a WriteIfFull() after each few lines keeps the memory a large file needs bounded.
platform::FileReplacement* XmlFileOutput();
// The bytes of the line WriteXmlOpenTag (without attributes) or WriteXmlCloseTag writes.
std::string XmlOpenTagLine(const Text& tag);
std::string XmlCloseTagLine(const Text& tag);
// The lines WriteXmlElement writes for one tag, built straight into a file's bytes: the tags
// are converted to the code page once, and each value is escaped into place.
class XmlElementLines {
public:
    explicit XmlElementLines(TextView tag);
    // Appends the bytes of the line for `value`; throws WriteXmlElement's overflow error, and
    // then appends nothing.
    void Append(std::string& out, TextView value) const;
    // Throws the overflow error that Append would throw for `value`; a value too short to reach
    // the limit however it escapes is not escaped to find out.
    void CheckFits(TextView value) const;

private:
    std::string startTag_, endTag_;  // "<tag>" and "</tag>" with CR LF
    size_t startTagLength_;          // in characters, for the 16-bit position limit
};

// Writes the root end tag and puts the file in place: "XML File closed", or
// "XML already closed" when no file was open. Throws the file error when a write fails.
// When the finished file cannot take the target's place (the target is held open by another
// program, or may not be replaced), the target keeps its old content, the writer closes and
// the result is kXmlFileNotPlaced.
Text CloseXmlFile();
inline constexpr TextView kXmlFileNotPlaced = u"XML File not placed";

// Drops the file being written after a failure: its target keeps its old content.
void AbandonXmlFile();
