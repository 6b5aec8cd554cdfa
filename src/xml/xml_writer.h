// XMLCode's writer: XML files written line by line with a fixed header. One file at a time
// per thread; the state is shared by every object of that thread.
#pragma once

#include "core/text.h"

// Starts a new file: the declaration, six header comments and the root start tag (left out
// when the root name is empty). Returns the empty text, or "Error Creating File: " and the
// reason. A file already open on this thread is abandoned first.
Text OpenXmlFile(const Text& path, const Text& rootName, const Text& rootAttributes);

// Each returns the line it built, and writes it (with CR LF) only while a file is open.
Text WriteXmlOpenTag(const Text& tag, const Text& attributes);
Text WriteXmlElement(const Text& tag, const Text& value);
Text WriteXmlCDataElement(const Text& tag, const Text& value);
Text WriteXmlCloseTag(const Text& tag);

// Writes the root end tag and puts the file in place: "XML File closed", or
// "XML already closed" when no file was open. Throws the file error when a write fails.
// When the finished file cannot take the target's place (the target is held open by another
// program, or may not be replaced), the target keeps its old content, the writer closes and
// the result is kXmlFileNotPlaced.
Text CloseXmlFile();
inline constexpr TextView kXmlFileNotPlaced = u"XML File not placed";

// Drops the file being written after a failure: its target keeps its old content.
void AbandonXmlFile();
