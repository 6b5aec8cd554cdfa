// The one compile-time choice between the deliverables: the build system defines
// FOLIO_BUILD_KEYSTACK or FOLIO_BUILD_PAGESTACK, and the core uses `Build`.
#pragma once

#include "automation/build_traits.h"

#if defined(FOLIO_BUILD_KEYSTACK) == defined(FOLIO_BUILD_PAGESTACK)
#error "define exactly one of FOLIO_BUILD_KEYSTACK and FOLIO_BUILD_PAGESTACK"
#elif defined(FOLIO_BUILD_KEYSTACK)
using Build = KeystackBuild;
#else
using Build = PagestackBuild;
#endif
