// A page list: the pages on which one index term appears, as one page text ("3, 7-9, iv").
// Pages are separated by ", ". Numeric pages (the plain decimal digits of 0 to 32767) come
// first, ascending and each once, with runs of three or more written "first-last"; every
// other page text follows, each once, in the order first added.
#pragma once

#include "core/text.h"

// The list `list` with `page` merged in. Both are any page text, read as a list: pieces
// separated by ", ", where a range "a-b" of two numbers with a < b stands for its pages and an
// empty piece is no page. So a `page` that holds ", " adds the pages it lists, and every page
// stands in a list once. The result is always written in the list's own form.
Text MergePageList(TextView list, TextView page);
