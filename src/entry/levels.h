// Levels: with a separator (SetLevels), a description is a path whose levels are the texts
// between occurrences of the separator ("lake>oxbow" is "oxbow" under "lake" with ">"), and
// every level above a row is a row of its own. With no separator (levels off), and for a
// description with an empty level (">oxbow", "lake>", "lake>>oxbow", which Store refuses as
// it refuses a blank one), a description is one level, as it stands.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/text.h"

// A description of one or more levels, none of them empty. With an empty separator: any
// description that is not empty.
bool IsPath(TextView description, TextView separator);

// The levels of a description, from the top (one level for a description that is no path).
std::vector<TextView> LevelsOf(TextView description, TextView separator);

// The path of the row directly above, or nothing at the top (and for one level).
std::optional<TextView> ParentPath(TextView description, TextView separator);

// The row's own level ("oxbow" for "lake>oxbow").
TextView LabelOf(TextView description, TextView separator);

// 1 at the top, 2 for the rows under it, and so on.
int16_t LevelOf(TextView description, TextView separator);

// The top level of a description ("lake" for "lake>oxbow").
TextView TopLevelOf(TextView description, TextView separator);

// A path read with one separator and stored with another ("lake>oxbow" read with ">" is
// "lake/oxbow" with "/"). Unchanged where either separator is empty, and for a description
// that is no path under `from`.
Text WithSeparator(TextView description, TextView from, TextView to);
