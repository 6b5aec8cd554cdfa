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
    char16_t* const end = digits + sizeof digits / sizeof *digits;
    char16_t* first = end;
    // The magnitude unsigned, so that the most negative value has one too; in 32 bits where it
    // fits (page numbers, counts), which divide by ten more cheaply.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    for (; magnitude > UINT32_MAX; magnitude /= 10) *--first = static_cast<char16_t>(u'0' + magnitude % 10);
    uint32_t small = static_cast<uint32_t>(magnitude);
    do {
        *--first = static_cast<char16_t>(u'0' + small % 10);
        small /= 10;
    } while (small != 0);
    if (value < 0) *--first = u'-';
    out.append(first, static_cast<size_t>(end - first));
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
