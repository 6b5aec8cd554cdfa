// The tool's platform::LibraryVersion: in place of the version block of a library, the
// identity of the deliverable whose file it writes, as that deliverable's version block
// holds it (executable name, product name, version numbers).
#include "platform/build_version.h"
#include "platform/files.h"
#include "tool_version.h"

namespace {
const BuildIdentity* writingAs = &kKeystackEdition.identity;
}  // namespace

void WriteFilesAs(const Edition& edition) { writingAs = &edition.identity; }

namespace platform {

VersionInfo LibraryVersion() {
    VersionInfo info;
    info.executableName = Text(writingAs->libraryName);
    FillFromIdentity(info, *writingAs);
    info.installedFolder = u".";  // the tool keeps no log of its own
    return info;
}

}  // namespace platform
