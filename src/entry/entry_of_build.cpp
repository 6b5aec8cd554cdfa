// A table of the deliverable this code is built as: compiled with each deliverable's build,
// where `Build` names it.
#include "automation/build.h"
#include "entry/entry.h"

Entry::Entry() : Entry(kBuildEdition) {}
