// A page list: the pages on which one index term appears, as one page text ("3, 7-9, iv").
// Pages are separated by ", ". Numeric pages (the plain decimal digits of 0 to 32767) come
// first, ascending and each once, with runs of three or more written "first-last"; every
// other page text follows, each once, in the order first added.
#pragma once

#include <optional>

#include "core/text.h"

// The list `list` with `page` merged in. Both are any page text, read as a list: pieces
// separated by ", ", where a range "a-b" of two numbers with a < b stands for its pages and an
// empty piece is no page. So a `page` that holds ", " adds the pages it lists, and every page
// stands in a list once. The result is always written in the list's own form. With an
// `offset`, the pages of `page` are moved first, as ShiftPageList moves them (and with its
// overflow error): one reading of each text where a shift and a merge would read `page` twice.
Text MergePageList(TextView list, TextView page, int offset = 0);

// The page text `page` moved by `offset` pages, for a report printed as one part of a book: every
// number it lists gains `offset` (a single page, each number of a list, both ends of a range),
// other texts stay, and the result is written in the list's own form ("12-14, 40, iv" moved by
// 120 is "132-134, 160, iv"). Nothing when nothing moves: `offset` is 0, or the text lists no
// number, and then it stays exactly as it is. Throws the overflow error when a number would
// leave 0 to 32767.
std::optional<Text> ShiftPageList(TextView page, int offset);
