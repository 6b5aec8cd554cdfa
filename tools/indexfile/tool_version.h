// Whose files the tool writes: each index file's header names the library that wrote it, and
// a file the tool merges must be the file that library's AppendPages and Save would write.
#pragma once

#include "core/build_traits.h"

// From now on, files are written as the deliverable of `edition` writes them (platform::
// LibraryVersion answers its identity). Keystack until a command says otherwise.
void WriteFilesAs(const Edition& edition);
