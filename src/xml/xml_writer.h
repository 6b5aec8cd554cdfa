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

// What WriteXmlElement writes before the end tag: "<", tag, ">" and the escaped value.
// Throws the overflow error when the end tag would start beyond position 32767: a reader
// finds it by a 16-bit position, so such a line could be written but never read back.
Text XmlElementLineStart(const Text& tag, TextView value);

// Writes the root end tag and puts the file in place: "XML File closed", or
// "XML already closed" when no file was open. Throws the file error when that fails.
Text CloseXmlFile();

// Drops the file being written after a failure: its target keeps its old content.
void AbandonXmlFile();
