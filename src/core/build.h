// The one compile-time choice between the deliverables: the build system defines
// FOLIO_BUILD_KEYSTACK or FOLIO_BUILD_PAGESTACK, and the deliverable's code uses `Build` (and its
// tables the same values as `kBuildEdition`).
#pragma once

#include "core/build_traits.h"

#if defined(FOLIO_BUILD_KEYSTACK) == defined(FOLIO_BUILD_PAGESTACK)
#error "define exactly one of FOLIO_BUILD_KEYSTACK and FOLIO_BUILD_PAGESTACK"
#elif defined(FOLIO_BUILD_KEYSTACK)
using Build = KeystackBuild;
inline constexpr const Edition& kBuildEdition = kKeystackEdition;
#else
using Build = PagestackBuild;
inline constexpr const Edition& kBuildEdition = kPagestackEdition;
#endif
