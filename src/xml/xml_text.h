// XMLCode text functions: escaping values, character-data sections, unescaping, and reading
// the value of the one element on a line. They keep no state and touch no file.
#pragma once

#include <string>

#include "core/text.h"

// Makes text safe to stand between an element's tags: the five markup characters become
// entities, CR LF and a lone CR become references, characters above 126 become "&#0233;"
// style references of their ANSI code. Throws the overflow error beyond 32767 characters.
Text XmlEscape(TextView text);

// The most characters XmlEscape makes of one: "&#0233;" (a CR LF pair makes fourteen of two).
inline constexpr size_t kMaxEscapedUnitLength = 7;

// XmlEscape's text appended to `out` in the ANSI code page, for writing a file without an
// escaped copy of each value. Returns the escaped text's length in characters; throws the
// overflow error, and appends nothing, when that length would exceed `maxLength`.
size_t AppendXmlEscapedAnsi(std::string& out, TextView text, size_t maxLength);

// Wraps text in a character-data section when it holds "<" (CR LF then written as references)
// or "~"; other text comes back unchanged.
Text XmlCData(TextView text);

// Turns the escapes of XmlEscape (and the "[[--CRLF--]]" marker) back into characters, and
// hexadecimal references ("&#xE9;") into the Unicode characters they name. Throws the overflow
// error for a reference found beyond position 32767 or a decimal number beyond 32 bits, and
// the invalid-argument error for a decimal number that is no ANSI character code or a
// hexadecimal one that is no character.
Text XmlUnescape(TextView text);
// XmlUnescape's text in `out` (its content replaced, its room reused), for a reader that
// unescapes line after line into one buffer. `text` must not view `out`.
void XmlUnescapeInto(TextView text, Text& out);

// The unescaped value of the element on one line: the text between the line's first ">" and
// the first "</" after it, with a character-data wrapper removed. Markup is found in the line
// as written, so escaped text is never taken for markup.
Text XmlElementValue(TextView line);
// XmlElementValue's text in `value` (its content replaced, its room reused), with its errors;
// after an error `value` holds anything. `line` must not view `value`.
void ReadXmlElementValue(TextView line, Text& value);
// The same for a caller that has found the line's first ">" already (at `firstClose`, or npos).
void ReadXmlElementValue(TextView line, size_t firstClose, Text& value);
