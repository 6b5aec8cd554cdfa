#include "core/text.h"

Text AsciiToText(std::string_view ascii) {
    Text out;
    out.reserve(ascii.size());
    for (unsigned char c : ascii) out.push_back(static_cast<char16_t>(c));
    return out;
}

std::string TextToAscii(TextView text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
    return out;
}

Text DecimalText(int64_t value) {
    return AsciiToText(std::to_string(value));
}
