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

// Text in the encodings other tools write files in, without a byte-order mark. Surrogate
// pairs become one UTF-8 sequence; the text must hold no unpaired surrogate.
inline std::string Utf8Of(TextView text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

inline std::string Utf16Of(TextView text, bool bigEndian) {
    std::string out;
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}
