// The platform seam: every service the core takes from the operating system.
// One implementation calls Win32 (the DLLs, and the unit tests under Wine); the portable one
// serves the native build with code page Windows-1252 and '.' as the decimal separator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/text.h"

namespace platform {

// --- The system ANSI code page ---

// Text to ANSI bytes; a character the code page cannot represent becomes its default, '?'.
std::string ToAnsi(TextView text);
// The same bytes appended to `out`, for writers that gather a whole file in one buffer. No
// best-fit look-alikes: a character the code page cannot represent becomes '?'.
void AppendAnsi(std::string& out, TextView text);
// The text of ANSI bytes written at `to`, for a reader that converts a file a piece at a time
// into one buffer: `to` has room for two units a byte (no byte starts more than one character,
// whose units are at most two); the units written. A piece should end where a character ends
// (after a CR or an LF, say): a character cut in two is read as two bytes that form none.
size_t WidenAnsi(std::string_view bytes, char16_t* to);
// ANSI bytes to text.
inline Text FromAnsi(std::string_view bytes) {
    Text text(2 * bytes.size(), u'\0');
    text.resize(WidenAnsi(bytes, text.data()));
    return text;
}
// The character's code in the ANSI code page: a single byte gives 0..255; a double-byte
// character gives lead * 256 + trail as a 16-bit signed number (negative); a character
// the code page cannot represent gives the code of '?' (63).
int16_t AnsiCodeOf(char16_t ch);
// True when every character of the ANSI code page is one byte (Windows-1252 and the like);
// false for double-byte code pages (932, 936, 949, 950) and for UTF-8 as the code page.
bool AnsiCodePageIsSingleByte();
// The character whose ANSI code is `code` (the inverse of AnsiCodeOf).
// Throws the invalid-argument error for a number that is no character code of the code page.
Text CharFromAnsiCode(int32_t code);

#ifndef _WIN32
// The portable seam only: the code page the functions above use in place of Windows-1252, by a
// name ICU knows ("windows-1250", "ibm-943", "shift_jis") or a Windows code page number
// ("1250", "932"), for a program that reads files written on a Windows of another code page.
// Single- and double-byte code pages whose markup characters are ASCII's, as the ANSI code
// pages of Windows are. Returns the empty text, or why the name cannot serve (and nothing
// changes). Chosen before any text is converted; not meant to change while text is converted.
Text UseAnsiCodePage(std::string_view name);
#endif

// --- Locale numbers and text ---

// Locale-aware numeric test and conversion to a 16-bit integer, rounding half to even.
// Returns nothing for text that is not numeric; throws the overflow error for a numeric
// value outside -32768..32767.
std::optional<int16_t> ParseInt16(TextView text);
// Reads a leading decimal number as Val does: leading blanks, tabs and line feeds are
// skipped, then an optional sign, digits, a decimal point and an exponent, up to the first
// character that cannot continue the number (no number reads as 0). Rounds half to even
// to a 32-bit integer; throws the overflow error beyond that range. The same everywhere.
int32_t ReadLeadingNumber(TextView text);
// The number with at least four digits, zero-padded ("0000"); a minus sign stands first.
Text FormatCode0000(int32_t value);
// Locale-aware lower-casing of the whole text.
Text ToLower(TextView text);

// --- Dates (the current local date) ---

Text CurrentYear();          // "yyyy"
Text CurrentDateDdMmmYyyy(); // "dd-MMM-yyyy", e.g. "05-Mar-2024"

// --- Errors ---

// The platform's one-line description of a Win32 error code.
Text SystemErrorText(uint32_t code);

}  // namespace platform
