// CommonUFL: the library-wide identity that Help reports and Save records, and the log.
// Both exist once per thread, shared by every object of that thread.
#pragma once

#include "core/text.h"

void SetLibraryIdentity(const Text& applicationName, const Text& developerName);
// The stored application name, also when it is empty.
Text GetApplicationName();
// The stored developer name, or the maker's name while none is stored.
Text GetDeveloperName();

// Empties the log text.
void StartLog();
// Writes the log text to "UFL.log" in the installed folder, in place: an administrator may
// prepare a writable UFL.log in a folder that takes no new files. Throws the file error when
// it cannot be opened; the old file then stays as it was.
void SaveLog();
