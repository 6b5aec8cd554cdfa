#include "info/common_ufl.h"

#include "core/identity.h"
#include "core/per_thread.h"
#include "info/common_file.h"
#include "platform/files.h"

namespace {

struct LibraryIdentity {
    Text applicationName;
    Text developerName;
};

LibraryIdentity& Identity() { return PerThread<LibraryIdentity, ThreadSlot::kLibraryIdentity>(); }
// Nothing in the library writes to the log yet: "startlog" empties it, "savelog" writes it.
Text& LogText() { return PerThread<Text, ThreadSlot::kLogText>(); }

}  // namespace

void SetLibraryIdentity(const Text& applicationName, const Text& developerName) {
    LibraryIdentity& identity = Identity();
    identity.applicationName = applicationName;
    identity.developerName = developerName;
}

Text GetApplicationName() { return Identity().applicationName; }

Text GetDeveloperName() {
    const LibraryIdentity& identity = Identity();
    return identity.developerName.empty() ? Text(u"" FOLIO_DEFAULT_DEVELOPER) : identity.developerName;
}

void StartLog() { LogText().clear(); }

void SaveLog() {
    const Text folder = platform::LibraryVersion().installedFolder;
    WriteTextFile(folder + platform::kDirectorySeparator + u"UFL.log", LogText());
}
