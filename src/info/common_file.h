// CommonFile: the text file helpers the library shares.
#pragma once

#include <functional>

#include "core/text.h"

// Replaces the file's content with the text and CR LF, in the ANSI code page, writing the file
// in place (created, or cut to length zero). Throws the file error when it cannot be opened;
// the old file then stays as it was.
void WriteTextFile(const Text& path, const Text& text);

// Reads a text file in the ANSI code page and hands each line, without its line end, to
// `onLine` in order. A line ends at CR; an LF right after the CR is skipped. Throws the file
// error when the file cannot be read.
void ReadTextLines(const Text& path, const std::function<void(TextView)>& onLine);
