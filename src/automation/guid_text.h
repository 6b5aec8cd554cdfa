// GUIDs from their registry text ("DD590397-ABDE-..."), at compile time, so that C++ reads
// the identifiers from identity.h like the IDL and the resource script do.
#pragma once

#include <guiddef.h>

#include <cstdint>
#include <stdexcept>

namespace folio_com {
namespace detail {

constexpr uint32_t HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
    throw std::invalid_argument("not a hexadecimal digit");  // a compile error in constant evaluation
}

constexpr uint32_t HexValue(const char* text, int digits) {
    uint32_t value = 0;
    for (int i = 0; i < digits; ++i) value = value << 4 | HexDigit(text[i]);
    return value;
}

}  // namespace detail

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", without braces.
constexpr GUID GuidFromText(const char (&text)[37]) {
    using detail::HexValue;
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        throw std::invalid_argument("not a GUID");
    GUID guid{};
    guid.Data1 = HexValue(text, 8);
    guid.Data2 = static_cast<unsigned short>(HexValue(text + 9, 4));
    guid.Data3 = static_cast<unsigned short>(HexValue(text + 14, 4));
    guid.Data4[0] = static_cast<unsigned char>(HexValue(text + 19, 2));
    guid.Data4[1] = static_cast<unsigned char>(HexValue(text + 21, 2));
    for (int i = 0; i < 6; ++i)
        guid.Data4[2 + i] = static_cast<unsigned char>(HexValue(text + 24 + 2 * i, 2));
    return guid;
}

}  // namespace folio_com
