// The native build has no version block: it reports the identity of the deliverable it was
// compiled as, and the folder of the running program.
#include <unistd.h>

#include <filesystem>

#include "core/build.h"
#include "platform/build_version.h"

namespace platform {

VersionInfo LibraryVersion() {
    VersionInfo info;
    info.executableName = Text(Build::kIdentity.libraryName);
    FillFromIdentity(info, Build::kIdentity);
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    info.installedFolder = ec ? Text(u".") : self.parent_path().u16string();
    return info;
}

}  // namespace platform
