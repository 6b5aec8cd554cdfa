// The version values of a deliverable as its version block holds them: what a program without
// a version block of its own reports (the native build, a test program, and the indexfile tool,
// which writes each file as the deliverable of its kind would).
#pragma once

#include "core/build_traits.h"
#include "platform/files.h"

namespace platform {

inline void FillFromIdentity(VersionInfo& info, const BuildIdentity& identity) {
    info.productName = u"" FOLIO_PRODUCT_NAME;
    info.fileDescription = u"" FOLIO_FILE_DESCRIPTION;
    info.companyName = Text(identity.companyName);
    info.major = identity.major;
    info.minor = identity.minor;
    info.revision = identity.revision;
}

}  // namespace platform
