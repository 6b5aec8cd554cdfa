// Text as the library sees it: 16-bit units end to end, as automation strings carry them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using Text = std::u16string;
using TextView = std::u16string_view;

// Widens plain ASCII (file names, messages); every byte becomes one unit.
Text AsciiToText(std::string_view ascii);

// Narrows text to ASCII for diagnostics; units above 127 become '?'.
std::string TextToAscii(TextView text);

// Decimal digits with a minus sign when negative, no blanks or leading zeros.
Text DecimalText(int64_t value);
// The same digits appended to `out`.
void AppendDecimal(Text& out, int64_t value);

// A caller's text inside a message: in double quotes, cut short after `shown` units (with
// "..."), its CR, LF and tab shown as \r, \n and \t, so that a message stays on its line.
Text Quoted(TextView text, size_t shown);
