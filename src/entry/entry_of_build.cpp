// A table of the deliverable this code is built as: compiled with each deliverable's build,
// where `Build` names it.
#include "core/build.h"
#include "entry/entry.h"

Entry::Entry() : Entry(kBuildEdition) {}
