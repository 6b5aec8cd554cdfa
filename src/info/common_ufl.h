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
// Writes the log text to "UFL.log" in the installed folder, replacing that file.
// Throws the file error when it cannot be written; the old file then stays as it was.
void SaveLog();
