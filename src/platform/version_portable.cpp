// The native build has no version block: it reports the identity of the deliverable it was
// compiled as, and the folder of the running program.
#include <unistd.h>

#include <filesystem>

#include "automation/build.h"
#include "platform/files.h"

namespace platform {

VersionInfo LibraryVersion() {
    VersionInfo info;
    info.executableName = Text(Build::kIdentity.libraryName);
    info.productName = u"" FOLIO_PRODUCT_NAME;
    info.fileDescription = u"" FOLIO_FILE_DESCRIPTION;
    info.companyName = Text(Build::kIdentity.companyName);
    info.major = Build::kIdentity.major;
    info.minor = Build::kIdentity.minor;
    info.revision = Build::kIdentity.revision;
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    info.installedFolder = ec ? Text(u".") : self.parent_path().u16string();
    return info;
}

}  // namespace platform
