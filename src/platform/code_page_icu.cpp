// Code page tables from ICU's converters (see code_page_table.h).
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <string>
#include <vector>

#include "platform/code_page_table.h"

namespace platform {
namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Converters that stop at a character they cannot convert, instead of substituting one.
Converter OpenStrict(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status) || !converter) return nullptr;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFallback(converter.get(), false);  // no look-alikes, as the Windows seam asks
    return U_FAILURE(status) ? nullptr : std::move(converter);
}

// "1250" names Windows code page 1250, which ICU knows as "windows-1250" or "cp1250".
Converter OpenNamed(std::string_view name) {
    const std::string given(name);
    if (!given.empty() && given.find_first_not_of("0123456789") == std::string::npos) {
        for (const char* prefix : {"windows-", "cp", "ibm-"})
            if (Converter converter = OpenStrict(prefix + given)) return converter;
        return nullptr;
    }
    return OpenStrict(given);
}

// The character of `bytes`, kNone when they form none, or u'\0' with `truncated` set when they
// only begin one.
char16_t Decode(UConverter* converter, const char* bytes, int32_t length, bool& truncated) {
    UChar out[4];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(converter, out, 4, bytes, length, &status);
    truncated = status == U_TRUNCATED_CHAR_FOUND;
    if (U_FAILURE(status) || n != 1) return CodePageTable::kNone;
    return static_cast<char16_t>(out[0]);
}

}  // namespace

std::unique_ptr<CodePageTable> MakeCodePageTable(std::string_view name, Text& why, bool& isWindows1252) {
    const Converter converter = OpenNamed(name);
    const Text shown = u"\"" + AsciiToText(std::string(name)) + u"\"";
    if (!converter) {
        why = u"unknown code page " + shown;
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    const Converter windows1252(ucnv_open("windows-1252", &status));
    isWindows1252 = windows1252 &&
                    std::string_view(ucnv_getName(converter.get(), &status)) ==
                        std::string_view(ucnv_getName(windows1252.get(), &status));
    const UConverterType type = ucnv_getType(converter.get());
    const bool plain = type == UCNV_SBCS || type == UCNV_DBCS || type == UCNV_MBCS || type == UCNV_LATIN_1 ||
                       type == UCNV_US_ASCII;
    const int8_t maxBytes = ucnv_getMaxCharSize(converter.get());
    if (!plain || maxBytes > 2) {
        why = u"code page " + shown + u" is not a single- or double-byte code page of Windows";
        return nullptr;
    }

    auto table = std::make_unique<CodePageTable>();
    table->singleByte = maxBytes == 1;
    UConverter* const c = converter.get();
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        bool truncated = false;
        table->byteChar[b] = Decode(c, &byte, 1, truncated);
        table->leadByte[b] = !table->singleByte && truncated;
    }
    // ICU's table of 932 swaps three controls (1A, 1C, 7F) as IBM's code pages do; in Windows'
    // code pages every control byte is the control of its own code.
    std::vector<int> ownControls;
    const auto isControl = [](char16_t c) { return c < 0x20 || c == 0x7F; };
    for (int b = 0; b < 0x80; ++b) {
        if (isControl(static_cast<char16_t>(b)) && table->byteChar[b] != b && isControl(table->byteChar[b])) {
            table->byteChar[b] = static_cast<char16_t>(b);
            ownControls.push_back(b);
        }
    }
    // The file's markup must read as ASCII: the tags, references, blanks and line ends.
    for (char16_t ch : Text(u"<>/&#;!?=\"' \t\r\n0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")) {
        if (table->byteChar[ch] != ch) {
            why = u"code page " + shown + u" does not write markup as ASCII does";
            return nullptr;
        }
    }
    if (!table->singleByte) {
        table->pairChar.assign(65536, CodePageTable::kNone);
        for (int lead = 0; lead < 256; ++lead) {
            if (!table->leadByte[lead]) continue;
            for (int trail = 0; trail < 256; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                bool truncated = false;
                table->pairChar[lead << 8 | trail] = Decode(c, pair, 2, truncated);
            }
        }
    }
    table->codeLength.assign(65536, 0);
    table->code.assign(65536, 0);
    for (uint32_t unit = 0; unit < 65536; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;  // half a character: never one of the code page
        const UChar ch = static_cast<UChar>(unit);
        char bytes[8];
        status = U_ZERO_ERROR;
        const int32_t n = ucnv_fromUChars(c, bytes, sizeof bytes, &ch, 1, &status);
        if (U_FAILURE(status) || n < 1 || n > 2) continue;
        // Only codes that read back as the same character: a one-way mapping is a look-alike.
        const bool roundTrip = n == 1 ? table->byteChar[static_cast<unsigned char>(bytes[0])] == ch
                                       : table->pairChar[static_cast<unsigned char>(bytes[0]) << 8 |
                                                         static_cast<unsigned char>(bytes[1])] == ch;
        if (!roundTrip) continue;
        table->codeLength[unit] = static_cast<uint8_t>(n);
        table->code[unit] = n == 1 ? static_cast<unsigned char>(bytes[0])
                                   : static_cast<uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                                           static_cast<unsigned char>(bytes[1]));
    }
    for (int b : ownControls) {
        table->codeLength[b] = 1;
        table->code[b] = static_cast<uint16_t>(b);
    }
    table->asciiAsIs = true;
    for (int b = 0; b < 0x80; ++b)
        if (table->leadByte[b] || table->byteChar[b] != static_cast<char16_t>(b)) table->asciiAsIs = false;
    return table;
}

}  // namespace platform
