#include "xml/xml_text.h"

#include <algorithm>
#include <utility>

#include "core/error.h"
#include "core/text_scan.h"
#include "platform/platform.h"

namespace {

// Positions are 16-bit in the file format's tradition: texts stay within 32767 characters.
constexpr size_t kMaxPosition = 32767;

void CheckPosition(size_t zeroBased) {
    if (zeroBased + 1 > kMaxPosition) throw OverflowError();
}

Text ReplaceAll(TextView text, TextView from, TextView to) {
    Text out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t hit; (hit = text.find(from, pos)) != TextView::npos; pos = hit + from.size()) {
        out.append(text.substr(pos, hit - pos));
        out.append(to);
    }
    out.append(text.substr(pos));
    return out;
}

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';
constexpr TextView kCrLfReference = u"&#0013;&#0010;";
constexpr TextView kCDataStart = u"<![CDATA[";
constexpr TextView kCDataEnd = u"]]>";

// The character a reference stands for, from the text between "&#" and ";". "x" and hex
// digits name a Unicode character, as XML reads them; a reference to no character (0, a
// surrogate, beyond U+10FFFF) or without hex digits throws the invalid-argument error. Any
// other text is read as a decimal number: the character's code in the ANSI code page.
Text CharacterOfReference(TextView number) {
    // Save writes four digits or more ("&#0233;"): a plain run of digits is its number as it
    // stands, which the general reading of a number would give too.
    if (!number.empty() && number.size() <= 9 &&
        std::all_of(number.begin(), number.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
        int32_t code = 0;
        for (const char16_t c : number) code = code * 10 + (c - u'0');
        return platform::CharFromAnsiCode(code);
    }
    if (number.empty() || number[0] != u'x')
        return platform::CharFromAnsiCode(platform::ReadLeadingNumber(number));
    const TextView digits = number.substr(1);
    if (digits.empty()) throw InvalidArgumentError();
    uint32_t code = 0;
    for (const char16_t c : digits) {
        uint32_t digit;
        if (c >= u'0' && c <= u'9') digit = c - u'0';
        else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
        else throw InvalidArgumentError();
        code = std::min<uint32_t>(code * 16 + digit, 0x110000);  // held there: no run of digits wraps round
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) throw InvalidArgumentError();
    if (code <= 0xFFFF) return Text(1, static_cast<char16_t>(code));
    code -= 0x10000;
    return Text{static_cast<char16_t>(0xD800 + (code >> 10)), static_cast<char16_t>(0xDC00 + (code & 0x3FF))};
}

// Decodes the numeric references ("&#" number ";") the way a rescan from the start after each
// replacement would, in one left-to-right pass: everything already emitted holds no "&#",
// so the next reference either straddles the end of the output (a decoded "&" or "#") or
// lies further on in the input.
void DecodeNumericReferences(TextView in, Text& out) {
    out.clear();
    size_t i = 0;  // the current text is out + in[i..]
    for (;;) {
        size_t start;         // position of the reference's "&" in the current text
        size_t digitsBegin;   // index in `in` where the reference's number starts
        const size_t outSize = out.size();
        if (outSize >= 2 && out[outSize - 2] == u'&' && out[outSize - 1] == u'#') {
            start = outSize - 2;
            digitsBegin = i;
        } else if (outSize >= 1 && out[outSize - 1] == u'&' && i < in.size() && in[i] == u'#') {
            start = outSize - 1;
            digitsBegin = i + 1;
        } else {
            const size_t k = in.find(u"&#", i);
            if (k == TextView::npos) break;
            start = outSize + (k - i);
            digitsBegin = k + 2;
        }
        CheckPosition(start);
        const size_t semicolon = in.find(u';', digitsBegin);
        if (semicolon == TextView::npos) break;  // an unterminated "&#" stays, with the rest
        CheckPosition(outSize + (semicolon - i));

        const Text decoded = CharacterOfReference(in.substr(digitsBegin, semicolon - digitsBegin));
        if (start >= outSize) {
            out.append(in.substr(i, start - outSize));  // plain text before the reference
        } else {
            out.resize(start);  // the reference began with decoded characters
        }
        out.append(decoded);
        i = semicolon + 1;
    }
    out.append(in.substr(i));
}

constexpr std::pair<TextView, char16_t> kEntities[] = {
    {u"&gt;", u'>'}, {u"&lt;", u'<'}, {u"&apos;", u'\''}, {u"&quot;", u'"'}, {u"&amp;", u'&'}};

// The five entities, in one pass where XmlUnescape once replaced each in turn ("&gt;", "&lt;",
// "&apos;", "&quot;", then "&amp;"): the same text, as every entity starts with the only "&"
// it holds, and no replacement but the last pass's "&" can form part of another. In place:
// a character is never longer than its entity.
void DecodeEntities(Text& text) {
    const TextView in(text);
    size_t amp = in.find(u'&');
    if (amp == TextView::npos) return;
    size_t written = amp;
    for (size_t read = amp; read < in.size();) {
        if (in[read] != u'&') {
            text[written++] = in[read++];
            continue;
        }
        char16_t decoded = u'&';
        size_t length = 1;
        for (const auto& [entity, character] : kEntities) {
            if (in.compare(read, entity.size(), entity) == 0) {
                decoded = character;
                length = entity.size();
                break;
            }
        }
        text[written++] = decoded;
        read += length;
    }
    text.resize(written);
}

// XmlEscape's rules, once for both of its outputs. `out` receives, in order, the runs of
// characters that stay as they are, the markup that stands for "&", ">", "<", "'", the double
// quote, CR LF and a lone CR, and the reference ("&#0233;") of each character whose ANSI code
// is above 126. A lone CR is written as a reference too: raw, it would end the line when the
// file is read back and cut the value.
template <class Out>
void EscapeInto(TextView text, Out& out) {
    size_t run = 0;  // where the characters not yet handed over begin
    // Most characters need nothing: the search goes from one that may to the next.
    for (size_t i = 0; (i = FindUnitAboveOrOf(text, i, 126, u'&', u'>', u'<', u'\'', u'"', kCR)) < text.size(); ++i) {
        const char16_t c = text[i];
        std::string_view markup;
        switch (c) {
            case u'&': markup = "&amp;"; break;
            case u'>': markup = "&gt;"; break;
            case u'<': markup = "&lt;"; break;
            case u'\'': markup = "&apos;"; break;
            case u'"': markup = "&quot;"; break;
            case kCR:
                if (i + 1 < text.size() && text[i + 1] == kLF) {
                    markup = "&#0013;&#0010;";
                    out.Kept(text.substr(run, i - run));
                    out.Markup(markup);
                    run = ++i + 1;
                    continue;
                }
                markup = "&#0013;";
                break;
            default: {
                if (c < 127) continue;
                const int16_t code = platform::AnsiCodeOf(c);
                // A double-byte character (negative) or one outside the code page ('?') stays.
                if (code <= 126) continue;
                out.Kept(text.substr(run, i - run));
                out.Reference(code);
                run = i + 1;
                continue;
            }
        }
        out.Kept(text.substr(run, i - run));
        out.Markup(markup);
        run = i + 1;
    }
    out.Kept(text.substr(run));
}

// XmlEscape's output: text.
struct TextEscapes {
    Text text;
    void Kept(TextView run) { text.append(run); }
    void Markup(std::string_view markup) { text.append(markup.begin(), markup.end()); }
    void Reference(int16_t code) {
        text.append(u"&#");
        text.append(platform::FormatCode0000(code));
        text.push_back(u';');
    }
};

// The same escaped text in the ANSI code page, appended to a file's bytes; `length` counts
// the escaped text's characters, which the 16-bit positions limit.
struct AnsiEscapes {
    std::string& bytes;
    size_t length;

    void Kept(TextView run) {
        length += run.size();
        // ASCII is the same byte in every ANSI code page; the rest goes through the code page
        // as one piece, so that a surrogate pair stays together.
        const size_t at = bytes.size();
        bytes.resize(at + run.size());
        char* const to = bytes.data() + at;
        size_t i = 0;
#if defined(__SSE2__)
        for (; i + 8 <= run.size(); i += 8) {  // eight ASCII characters at a time
            const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(run.data() + i));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(eight, _mm_set1_epi16(0x7F)), _mm_setzero_si128())) != 0xFFFF)
                break;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(to + i), _mm_packus_epi16(eight, eight));
        }
#endif
        for (; i < run.size() && run[i] < 0x80; ++i) to[i] = static_cast<char>(run[i]);
        if (i < run.size()) {
            bytes.resize(at + i);
            platform::AppendAnsi(bytes, run.substr(i));
        }
    }
    void Markup(std::string_view markup) {
        length += markup.size();
        bytes.append(markup);
    }
    // "&#", at least four digits, ";": only codes above 126 come here.
    void Reference(int16_t code) {
        char digits[8];
        int n = 0;
        for (int v = code; v > 0 || n < 4; v /= 10) digits[n++] = static_cast<char>('0' + v % 10);
        length += 3 + static_cast<size_t>(n);
        bytes.append("&#");
        while (n > 0) bytes.push_back(digits[--n]);
        bytes.push_back(';');
    }
};

}  // namespace

Text XmlEscape(TextView text) {
    TextEscapes out;
    out.text.reserve(text.size() + text.size() / 8);
    EscapeInto(text, out);
    if (out.text.size() > kMaxPosition) throw OverflowError();
    return std::move(out.text);
}

size_t AppendXmlEscapedAnsi(std::string& out, TextView text, size_t maxLength) {
    // Escaping never shortens a text: one too long already fails before any work.
    if (text.size() > maxLength) throw OverflowError();
    AnsiEscapes escapes{out, 0};
    const size_t start = out.size();
    EscapeInto(text, escapes);
    if (escapes.length > maxLength) {
        out.resize(start);
        throw OverflowError();
    }
    return escapes.length;
}

Text XmlCData(TextView text) {
    if (text.find(u'<') != TextView::npos)
        return Text(kCDataStart) + ReplaceAll(text, u"\r\n", kCrLfReference) + Text(kCDataEnd);
    if (text.find(u'~') != TextView::npos)
        return Text(kCDataStart) + Text(text) + Text(kCDataEnd);
    return Text(text);
}

Text XmlUnescape(TextView text) {
    Text out;
    XmlUnescapeInto(text, out);
    return out;
}

namespace {

// The escapes Save writes (the five entities, and references of decimal digits), decoded in one
// pass into `out`, as the passes of XmlUnescapeInto decode them; false, `out` holding anything,
// for a text in any other form, which those passes read: a "&" that starts neither, a reference
// to "&" or "#" (which may start another), to CR or LF (read in pairs), a text too long for
// positions. Its errors are theirs: the first reference read is theirs as well.
bool UnescapeSaved(TextView text, Text& out) {
    if (text.size() > kMaxPosition) return false;
    out.clear();
    size_t run = 0;  // where the text not yet copied begins
    for (size_t i = text.find(u'&'); i != TextView::npos; i = text.find(u'&', run)) {
        out.append(text.substr(run, i - run));
        const TextView rest = text.substr(i);
        if (rest.size() > 2 && rest[1] == u'#') {
            size_t k = 2;
            int32_t code = 0;
            for (; k < rest.size() && k < 2 + 9 && rest[k] >= u'0' && rest[k] <= u'9'; ++k) code = code * 10 + (rest[k] - u'0');
            if (k == 2 || k == rest.size() || rest[k] != u';' || code == 10 || code == 13) return false;
            const Text character = platform::CharFromAnsiCode(code);
            if (character.find_first_of(u"&#") != Text::npos) return false;
            out.append(character);
            run = i + k + 1;
            continue;
        }
        const auto entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                         [rest](const auto& e) { return rest.substr(0, e.first.size()) == e.first; });
        if (entity == std::end(kEntities)) return false;
        out.push_back(entity->second);
        run = i + entity->first.size();
    }
    out.append(text.substr(run));
    return true;
}

}  // namespace

void XmlUnescapeInto(TextView text, Text& out) {
    // Every escape starts with "&" or "[": most values hold neither and come back as they are.
    bool bracket = false, ampersand = false, reference = false;
    for (size_t i = FindUnitOf(text, 0, u'&', u'['); i < text.size(); i = FindUnitOf(text, i + 1, u'&', u'[')) {
        if (text[i] == u'[') {
            bracket = true;
            continue;
        }
        ampersand = true;
        reference = reference || (i + 1 < text.size() && text[i + 1] == u'#');
    }
    if (!bracket && !ampersand) {
        out.assign(text);
        return;
    }
    if (!bracket && UnescapeSaved(text, out)) return;
    // The markers and references in turn, each pass only where its form occurs (a pass that
    // finds nothing leaves the text as it was), then the entities.
    Text work;
    TextView s = text;
    if (bracket && s.find(u"[[--CRLF--]]") != TextView::npos) s = work = ReplaceAll(s, u"[[--CRLF--]]", u"\r\n");
    if (reference && s.find(kCrLfReference) != TextView::npos) s = work = ReplaceAll(s, kCrLfReference, u"\r\n");
    if (reference) {
        DecodeNumericReferences(s, out);
    } else {
        out.assign(s);
    }
    DecodeEntities(out);
}

void ReadXmlElementValue(TextView line, Text& value) { ReadXmlElementValue(line, line.find(u'>'), value); }

void ReadXmlElementValue(TextView line, size_t firstClose, Text& value) {
    const size_t g = firstClose;
    if (g == TextView::npos) {
        value.clear();
        return;
    }
    CheckPosition(g);
    // Most values hold no escape and no markup: one look at each character finds the end tag
    // and tells that the text between the tags is the value as it stands.
    bool plain = true;
    bool opens = false, closes = false;  // a "<" or a "]" in the value: it may hold a section's markers
    size_t e = g + 1;
    for (;; ++e) {
        e = FindUnitOf(line, e, u'<', u'&', u'[', u']');
        if (e == line.size() || (line[e] == u'<' && e + 1 < line.size() && line[e + 1] == u'/')) break;
        plain = false;
        opens = opens || line[e] == u'<';
        closes = closes || line[e] == u']';
    }
    if (e == line.size()) {
        if (!plain) return XmlUnescapeInto(line.substr(g + 1), value);
        // An element without its end tag: a start tag alone ("<Index>") has the empty value.
        if (g + 1 == e) {
            value.clear();
        } else {
            value.assign(line.substr(g + 1));
        }
        return;
    }
    CheckPosition(e);

    const TextView v = line.substr(g + 1, e - g - 1);
    if (plain) {
        value.assign(v);
        return;
    }
    const size_t c = opens ? v.find(kCDataStart) : TextView::npos;
    const size_t d = closes ? v.find(kCDataEnd) : TextView::npos;
    if (c != TextView::npos) CheckPosition(c);
    if (d != TextView::npos) CheckPosition(d);
    if (c == TextView::npos || d == TextView::npos) return XmlUnescapeInto(v, value);
    if (d < c + kCDataStart.size()) throw InvalidArgumentError();
    XmlUnescapeInto(v.substr(c + kCDataStart.size(), d - c - kCDataStart.size()), value);
}

Text XmlElementValue(TextView line) {
    Text value;
    ReadXmlElementValue(line, value);
    return value;
}
