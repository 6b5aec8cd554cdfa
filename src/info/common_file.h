// CommonFile: the text file helpers the library shares.
#pragma once

#include "core/text.h"

// Replaces the file's content with the text and CR LF, in the ANSI code page, writing the file
// in place (created, or cut to length zero). Throws the file error when it cannot be opened;
// the old file then stays as it was.
void WriteTextFile(const Text& path, const Text& text);
