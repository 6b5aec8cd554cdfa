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
    Text out;
    AppendDecimal(out, value);
    return out;
}

// Digits written from the last, into room on the stack: page lists write thousands of numbers.
void AppendDecimal(Text& out, int64_t value) {
    char16_t digits[20];
    size_t n = 0;
    // The magnitude unsigned, so that the most negative value has one too.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[sizeof digits / sizeof *digits - ++n] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) out.push_back(u'-');
    out.append(digits + sizeof digits / sizeof *digits - n, n);
}

Text Quoted(TextView text, size_t shown) {
    Text out = u"\"";
    for (size_t i = 0; i < text.size() && i < shown; ++i) {
        switch (text[i]) {
            case u'\r': out += u"\\r"; break;
            case u'\n': out += u"\\n"; break;
            case u'\t': out += u"\\t"; break;
            default: out += text[i];
        }
    }
    return out + (text.size() > shown ? u"...\"" : u"\"");
}
