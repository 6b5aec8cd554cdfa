#include "console_text.h"

#include "entry/index_file_reader.h"
#include "platform/console.h"

std::string Utf8Of(TextView text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | code >> 6));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | code >> 12));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | code >> 18));
            out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

// UTF-8 as the index file reader decodes it (bytes that form no character become U+FFFD).
Text TextOfUtf8(std::string_view utf8) { return DecodeIndexFile("\xEF\xBB\xBF" + std::string(utf8)).text; }

namespace {
bool g_outputFailed = false;
}  // namespace

void Output::Flush() {
    if (!bytes_.empty() && !platform::WriteStandard(platform::StandardStream::kOutput, bytes_)) g_outputFailed = true;
    bytes_.clear();
}

bool StandardOutputFailed() { return g_outputFailed; }

void PrintError(TextView message) {
    std::string line = "indexfile: " + Utf8Of(message);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line += '\n';
    platform::WriteStandard(platform::StandardStream::kError, line);
}
