// The portable seam for the native build: code page Windows-1252 (or another single- or
// double-byte code page that a program chooses with UseAnsiCodePage), '.' as decimal
// separator, ',' as group separator, English month names.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/error.h"
#include "core/text_scan.h"
#include "platform/code_page_table.h"
#include "platform/decimal_number.h"
#include "platform/platform.h"

namespace platform {
namespace {

// Windows-1252 bytes 0x80..0x9F; the five unassigned bytes map to the same code point, as
// Windows' own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t ByteToChar(unsigned char b) {
    return (b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
}

// Every byte's character, so that a file converts by one look-up a byte.
struct Cp1252Chars {
    char16_t of[256];
    constexpr Cp1252Chars() : of() {
        for (int b = 0; b < 256; ++b) of[b] = ByteToChar(static_cast<unsigned char>(b));
    }
    constexpr char16_t operator[](unsigned char b) const { return of[b]; }
};
constexpr Cp1252Chars kCp1252Chars;

int CharToByte(char16_t ch) {  // -1 when not in the code page
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return ch;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == ch) return 0x80 + i;
    return -1;
}

// The code page a program chose in place of Windows-1252, or none: Windows-1252, by the
// tables above. Chosen once, before any text is converted, as a system's code page is.
std::unique_ptr<const CodePageTable> chosenCodePage;
const CodePageTable* CodePage() { return chosenCodePage.get(); }

// A surrogate pair is one character, which no ANSI code page holds: one "?", as Windows writes.
bool StartsPair(TextView text, size_t i) {
    return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
           text[i + 1] <= 0xDFFF;
}

void AppendInCodePage(const CodePageTable& page, std::string& out, TextView text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i];
        if (StartsPair(text, i)) {
            out.push_back('?');
            ++i;
            continue;
        }
        switch (page.codeLength[ch]) {
            case 0: out.push_back('?'); break;
            case 1: out.push_back(static_cast<char>(page.code[ch])); break;
            default:
                out.push_back(static_cast<char>(page.code[ch] >> 8));
                out.push_back(static_cast<char>(page.code[ch] & 0xFF));
        }
    }
}

// Bytes that form no character become U+FFFD, each on its own, so that a lead byte without
// its trail never takes the byte after it (a CR, a "<") along.
size_t WidenCodePage(const CodePageTable& page, std::string_view bytes, char16_t* to) {
    size_t n = 0;  // at most one character a byte
    for (size_t i = 0; i < bytes.size(); ++i) {
#if defined(__SSE2__)
        // Markup, digits and Latin letters, most of a file: sixteen bytes at a time where all are ASCII.
        // Sixteen are widened even when some are not ASCII (there is room: never more characters
        // than bytes); only the ASCII ones before the first other byte are taken.
        if (page.asciiAsIs) {
            while (i + 16 <= bytes.size()) {
                const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(to + n), _mm_unpacklo_epi8(sixteen, _mm_setzero_si128()));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(to + n + 8), _mm_unpackhi_epi8(sixteen, _mm_setzero_si128()));
                const int high = _mm_movemask_epi8(sixteen);
                const size_t ascii = high == 0 ? 16 : static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(high)));
                i += ascii;
                n += ascii;
                if (ascii < 16) break;
            }
            if (i == bytes.size()) break;
        }
#endif
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (page.leadByte[b] && i + 1 < bytes.size()) {
            const char16_t ch = page.pairChar[b << 8 | static_cast<unsigned char>(bytes[i + 1])];
            if (ch != CodePageTable::kNone) {
                to[n++] = ch;
                ++i;
                continue;
            }
        }
        const char16_t ch = page.byteChar[b];
        to[n++] = ch == CodePageTable::kNone || page.leadByte[b] ? u'\uFFFD' : ch;
    }
    return n;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::optional<int16_t> ParseRadix(TextView digits, int radix) {
    if (digits.empty()) return std::nullopt;
    uint32_t value = 0;
    for (char16_t c : digits) {
        int d = (c >= u'0' && c <= u'9') ? c - u'0'
              : (c >= u'a' && c <= u'f') ? c - u'a' + 10
              : (c >= u'A' && c <= u'F') ? c - u'A' + 10 : 99;
        if (d >= radix) return std::nullopt;
        value = value * radix + d;
        if (value > 0xFFFF) throw OverflowError();
    }
    return static_cast<int16_t>(value);  // &HFFFF is -1, as a 16-bit literal
}

}  // namespace

Text UseAnsiCodePage(std::string_view name) {
    Text why;
    bool isWindows1252 = false;
    std::unique_ptr<CodePageTable> table = MakeCodePageTable(name, why, isWindows1252);
    if (isWindows1252) {
        chosenCodePage.reset();  // the default, by its own tables
        return Text();
    }
    if (!table) return why;
    chosenCodePage = std::move(table);
    return Text();
}

std::string ToAnsi(TextView text) {
    std::string out;
    out.reserve(text.size());
    AppendAnsi(out, text);
    return out;
}

void AppendAnsi(std::string& out, TextView text) {
    if (const CodePageTable* page = CodePage()) return AppendInCodePage(*page, out, text);
    for (size_t i = 0; i < text.size(); ++i) {
        const int b = CharToByte(text[i]);
        out.push_back(static_cast<char>(b < 0 ? '?' : b));
        if (StartsPair(text, i)) ++i;
    }
}

size_t WidenAnsi(std::string_view bytes, char16_t* to) {
    if (const CodePageTable* page = CodePage()) return WidenCodePage(*page, bytes, to);
    WidenBytes(bytes, kCp1252Chars.of, to);
    return bytes.size();
}

int16_t AnsiCodeOf(char16_t ch) {
    if (const CodePageTable* page = CodePage()) {
        // A double-byte character: lead * 256 + trail as a 16-bit signed number, as on Windows.
        return page->codeLength[ch] == 0 ? int16_t{'?'} : static_cast<int16_t>(page->code[ch]);
    }
    int b = CharToByte(ch);
    return static_cast<int16_t>(b < 0 ? '?' : b);
}

bool AnsiCodePageIsSingleByte() {
    const CodePageTable* page = CodePage();
    return !page || page->singleByte;
}

Text CharFromAnsiCode(int32_t code) {
    const CodePageTable* page = CodePage();
    if (!page) {
        if (code < 0 || code > 255) throw InvalidArgumentError();
        return Text(1, ByteToChar(static_cast<unsigned char>(code)));
    }
    char16_t ch = CodePageTable::kNone;
    if (code >= 0 && code <= 255) {
        if (!page->leadByte[code]) ch = page->byteChar[code];
    } else if (code >= -32768 && code <= 65535 && !page->singleByte) {
        ch = page->pairChar[static_cast<uint16_t>(code)];  // a negative code is lead * 256 + trail
    }
    if (ch == CodePageTable::kNone) throw InvalidArgumentError();
    return Text(1, ch);
}

std::optional<int16_t> ParseInt16(TextView text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    TextView t = text.substr(begin, end - begin);
    if (t.size() > 2 && t[0] == u'&' && (t[1] == u'H' || t[1] == u'h')) return ParseRadix(t.substr(2), 16);
    if (t.size() > 2 && t[0] == u'&' && (t[1] == u'O' || t[1] == u'o')) return ParseRadix(t.substr(2), 8);

    DecimalNumber number;
    size_t i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        number.negative = t[i] == u'-';
        ++i;
    }
    auto next = ReadDecimal(t, i, u'.', u',', number);
    if (!next || *next != t.size()) return std::nullopt;
    auto value = RoundHalfEven(number, std::numeric_limits<int16_t>::min(),
                               std::numeric_limits<int16_t>::max());
    if (!value) throw OverflowError();
    return static_cast<int16_t>(*value);
}

namespace {
// Latin Extended-A pairs each capital with the small letter right after it.
char16_t LowerLatinExtendedA(char16_t c) {
    if (c == 0x178) return 0xFF;
    const bool capital = (c >= 0x100 && c <= 0x137 && c % 2 == 0 && c != 0x130) ||
                         (c >= 0x139 && c <= 0x148 && c % 2 == 1) ||
                         (c >= 0x14A && c <= 0x177 && c % 2 == 0) ||
                         (c >= 0x179 && c <= 0x17E && c % 2 == 1);
    return capital ? static_cast<char16_t>(c + 1) : c;
}
}  // namespace

// Lower-cases ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic capitals.
Text ToLower(TextView text) {
    Text out(text);
    for (char16_t& c : out) {
        if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
            (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
            c = static_cast<char16_t>(c + 0x20);
        } else if (c >= 0x400 && c <= 0x40F) {
            c = static_cast<char16_t>(c + 0x50);
        } else {
            c = LowerLatinExtendedA(c);
        }
    }
    return out;
}

namespace {
std::tm LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm;
}
}  // namespace

Text CurrentYear() {
    return DecimalText(LocalNow().tm_year + 1900);
}

Text CurrentDateDdMmmYyyy() {
    static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm = LocalNow();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d-%s-%04d", tm.tm_mday, kMonths[tm.tm_mon],
                  tm.tm_year + 1900);
    return AsciiToText(buf);
}

Text SystemErrorText(uint32_t code) {
    // The texts Windows gives for the codes the portable file services report.
    switch (code) {
        case 2: return u"The system cannot find the file specified.";
        case 3: return u"The system cannot find the path specified.";
        case 5: return u"Access is denied.";
        case 19: return u"The media is write protected.";
        case 32: return u"The process cannot access the file because it is being used by another process.";
        case 39: case 112: return u"There is not enough space on the disk.";
        case 80: return u"The file exists.";
        case 87: return u"The parameter is incorrect.";
        case 123: return u"The filename, directory name, or volume label syntax is incorrect.";
        case 206: return u"The filename or extension is too long.";
        default: return u"Unspecified error " + DecimalText(code) + u".";
    }
}

}  // namespace platform
