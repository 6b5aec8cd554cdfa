#include "info/common_ufl.h"

#include "automation/identity.h"
#include "info/common_file.h"
#include "platform/files.h"

namespace {

struct LibraryIdentity {
    Text applicationName;
    Text developerName;
};

thread_local LibraryIdentity identity;
// Nothing in the library writes to the log yet: "startlog" empties it, "savelog" writes it.
thread_local Text logText;

}  // namespace

void SetLibraryIdentity(const Text& applicationName, const Text& developerName) {
    identity.applicationName = applicationName;
    identity.developerName = developerName;
}

Text GetApplicationName() { return identity.applicationName; }

Text GetDeveloperName() {
    return identity.developerName.empty() ? Text(u"" FOLIO_DEFAULT_DEVELOPER) : identity.developerName;
}

void StartLog() { logText.clear(); }

void SaveLog() {
    const Text folder = platform::LibraryVersion().installedFolder;
    WriteTextFile(folder + platform::kDirectorySeparator + u"UFL.log", logText);
}
