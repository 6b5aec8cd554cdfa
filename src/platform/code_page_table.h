// The portable seam's code pages other than Windows-1252: a single- or double-byte code page
// as lookup tables, made once from ICU's converter of that name, so that every conversion
// after that is a plain look-up (and needs no converter, which is not safe to share).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace platform {

struct CodePageTable {
    static constexpr char16_t kNone = u'\uFFFF';  // no character: no code page maps to U+FFFF

    bool singleByte = true;
    // Each byte alone: its character, or kNone; a lead byte of a double-byte character.
    char16_t byteChar[256];
    bool leadByte[256];
    // Double-byte code pages: the character of lead * 256 + trail, or kNone.
    std::vector<char16_t> pairChar;
    // Each 16-bit unit's code: 0 bytes (the code page cannot show it), 1 or 2 (lead, trail).
    std::vector<uint8_t> codeLength;
    std::vector<uint16_t> code;
    // Every byte below 128 is the character of its code (as in the code pages of Windows), so
    // that a run of them converts sixteen at a time.
    bool asciiAsIs = false;
};

// The tables of the code page ICU knows by `name`; a name of digits alone ("1250", "932") is
// a Windows code page number. Nothing, with the reason in `why`, for a name ICU does not know
// or a code page the index files cannot be in: one of more than two bytes a character
// (UTF-8), one that changes state (ISO-2022), or one whose markup characters are not ASCII's.
// `isWindows1252` tells the caller that the name is the default code page's.
std::unique_ptr<CodePageTable> MakeCodePageTable(std::string_view name, Text& why, bool& isWindows1252);

}  // namespace platform
