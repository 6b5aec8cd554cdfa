// The version values of the deliverable this code is compiled as: what a program without a
// version block of its own (the native build, a test program) reports.
#pragma once

#include "automation/build.h"
#include "platform/files.h"

namespace platform {

inline void FillFromBuildIdentity(VersionInfo& info) {
    info.productName = u"" FOLIO_PRODUCT_NAME;
    info.fileDescription = u"" FOLIO_FILE_DESCRIPTION;
    info.companyName = Text(Build::kIdentity.companyName);
    info.major = Build::kIdentity.major;
    info.minor = Build::kIdentity.minor;
    info.revision = Build::kIdentity.revision;
}

}  // namespace platform
