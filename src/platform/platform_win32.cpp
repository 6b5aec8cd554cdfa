// The Win32 seam: the system ANSI code page, the user's default locale and the system's
// own error texts.
#include <windows.h>
#include <oleauto.h>

#include <limits>

#include "core/error.h"
#include "core/text_scan.h"
#include "platform/platform.h"

namespace platform {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are 16-bit units");

const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
const wchar_t* Wide(TextView text) { return reinterpret_cast<const wchar_t*>(text.data()); }
wchar_t* Wide(Text& text) { return reinterpret_cast<wchar_t*>(text.data()); }

bool CodePageIsDoubleByte() {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
}

// No best-fit mapping: a character the code page lacks becomes its default character, never a
// look-alike ("Ł" is not "L", and a full-width "＜" must not become markup).
int ToAnsiBytes(const wchar_t* text, int length, char* out, int outSize, BOOL* usedDefault) {
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, out, outSize,
                                      nullptr, usedDefault);
    // Code pages such as UTF-8 take no flags; they have no best fit either.
    if (n == 0 && GetLastError() == ERROR_INVALID_FLAGS)
        return WideCharToMultiByte(CP_ACP, 0, text, length, out, outSize, nullptr, nullptr);
    return n;
}

// A surrogate pair is one character, which only the UTF-8 code page holds: elsewhere it becomes
// one default character, as Windows converts it (Wine's conversion gives one for each half). Its
// second half goes, and the first, alone, converts to the default character.
bool HoldsPairs(TextView text) {
    if (GetACP() == CP_UTF8) return false;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) return true;
    return false;
}

Text OneUnitPerPair(TextView text) {
    Text out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out.push_back(text[i]);
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
    }
    return out;
}

}  // namespace

std::string ToAnsi(TextView text) {
    if (HoldsPairs(text)) return ToAnsi(OneUnitPerPair(text));
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int n = ToAnsiBytes(Wide(text), length, nullptr, 0, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ToAnsiBytes(Wide(text), length, out.data(), n, nullptr);
    return out;
}

void AppendAnsi(std::string& out, TextView text) {
    if (HoldsPairs(text)) return AppendAnsi(out, OneUnitPerPair(text));
    if (text.empty()) return;
    const int size = static_cast<int>(text.size());
    // Code pages without best-fit tables (UTF-8, for one) refuse the flag: convert plainly there.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(CP_ACP, flags, Wide(text), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        flags = 0;
        n = WideCharToMultiByte(CP_ACP, flags, Wide(text), size, nullptr, 0, nullptr, nullptr);
    }
    if (n <= 0) throw FileError(GetLastError());
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    WideCharToMultiByte(CP_ACP, flags, Wide(text), size, out.data() + at, n, nullptr, nullptr);
}

namespace {

// The characters of the 256 bytes of the ANSI code page, where it is a single-byte one whose
// ASCII bytes are the ASCII characters (as every Windows ANSI code page of one byte is); none
// elsewhere. A byte's character is then its own, whatever bytes stand beside it. The code page
// is the process's: the table is made once.
const char16_t* SingleByteChars() {
    struct Table {
        bool usable = false;
        char16_t chars[256] = {};
    };
    static const Table table = [] {
        Table made;
        if (!AnsiCodePageIsSingleByte()) return made;
        char bytes[256];
        for (int b = 0; b < 256; ++b) bytes[b] = static_cast<char>(b);
        if (MultiByteToWideChar(CP_ACP, 0, bytes, 256, reinterpret_cast<wchar_t*>(made.chars), 256) != 256) return made;
        for (int b = 0; b < 128; ++b) {
            if (made.chars[b] != b) return made;
        }
        made.usable = true;
        return made;
    }();
    return table.usable ? table.chars : nullptr;
}

}  // namespace

size_t WidenAnsi(std::string_view bytes, char16_t* to) {
    if (bytes.empty()) return 0;
    if (const char16_t* chars = SingleByteChars()) {
        // A character a byte: widened here, the ASCII sixteen bytes at a time (a file's piece
        // through the system's conversion took several times as long under Wine).
        WidenBytes(bytes, chars, to);
        return bytes.size();
    }
    const int size = static_cast<int>(bytes.size());
    const int room = size > std::numeric_limits<int>::max() / 2 ? std::numeric_limits<int>::max() : 2 * size;
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(to), room);
    return static_cast<size_t>(n > 0 ? n : 0);
}

int16_t AnsiCodeOf(char16_t ch) {
    const wchar_t w = static_cast<wchar_t>(ch);
    unsigned char bytes[4] = {};
    BOOL usedDefault = FALSE;
    const int n = ToAnsiBytes(&w, 1, reinterpret_cast<char*>(bytes), sizeof bytes, &usedDefault);
    if (n <= 0 || usedDefault) return '?';
    if (n == 1) return bytes[0];
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] << 8 | bytes[1]));
}

bool AnsiCodePageIsSingleByte() {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

Text CharFromAnsiCode(int32_t code) {
    char bytes[2];
    int n;
    if (code >= 0 && code <= 255) {
        bytes[0] = static_cast<char>(code);
        n = 1;
    } else if (code >= -32768 && code <= 65535 && CodePageIsDoubleByte()) {
        const uint16_t unit = static_cast<uint16_t>(code);
        bytes[0] = static_cast<char>(unit >> 8);
        bytes[1] = static_cast<char>(unit & 0xFF);
        n = 2;
    } else {
        throw InvalidArgumentError();
    }
    wchar_t out[4];
    const int m = MultiByteToWideChar(CP_ACP, 0, bytes, n, out, 4);
    if (m <= 0) throw InvalidArgumentError();
    return Text(reinterpret_cast<const char16_t*>(out), 1);
}

std::optional<int16_t> ParseInt16(TextView text) {
    const Text copy(text);  // VarI2FromStr reads up to a terminating zero
    SHORT value = 0;
    const HRESULT hr = VarI2FromStr(const_cast<LPOLESTR>(Wide(copy)), LOCALE_USER_DEFAULT, 0,
                                    &value);
    if (hr == DISP_E_OVERFLOW) throw OverflowError();
    if (FAILED(hr)) return std::nullopt;
    return static_cast<int16_t>(value);
}

Text ToLower(TextView text) {
    Text out(text);
    if (!out.empty()) CharLowerBuffW(Wide(out), static_cast<DWORD>(out.size()));
    return out;
}

namespace {
Text FormatToday(const wchar_t* pattern) {
    wchar_t buf[64];
    const int n = GetDateFormatW(LOCALE_USER_DEFAULT, 0, nullptr, pattern, buf, 64);
    return n > 0 ? Text(reinterpret_cast<const char16_t*>(buf), static_cast<size_t>(n - 1)) : Text();
}
}  // namespace

Text CurrentYear() { return FormatToday(L"yyyy"); }
Text CurrentDateDdMmmYyyy() { return FormatToday(L"dd-MMM-yyyy"); }

Text SystemErrorText(uint32_t code) {
    wchar_t* buf = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    Text text;
    if (n > 0 && buf) text.assign(reinterpret_cast<const char16_t*>(buf), n);
    if (buf) LocalFree(buf);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
        text.pop_back();
    if (text.empty()) text = u"Unspecified error " + DecimalText(code) + u".";
    return text;
}

}  // namespace platform
