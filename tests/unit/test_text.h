// Helpers for tests on 16-bit text: readable failure messages and short literals.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "core/error.h"
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

// The automation error number that `call` raised, or 0 when it raised none.
inline int32_t ErrorNumberOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const AutomationError& e) {
        return e.Number();
    }
    return 0;
}
