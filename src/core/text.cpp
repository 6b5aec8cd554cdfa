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
