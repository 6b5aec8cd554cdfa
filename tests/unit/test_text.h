// Helpers for tests on 16-bit text: readable failure messages and short literals.
#pragma once

#include <ostream>
#include <string>

#include "core/text.h"

// GoogleTest prints u16strings as code units; this shows them as text where it can.
inline void PrintTo(const Text& text, std::ostream* os) {
    *os << '"';
    for (char16_t c : text) {
        if (c >= 32 && c < 127) *os << static_cast<char>(c);
        else *os << "\\u{" << std::hex << static_cast<int>(c) << std::dec << '}';
    }
    *os << '"';
}
