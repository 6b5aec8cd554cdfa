// XMLCode's text functions: escaping, character data, unescaping, element values.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/error.h"
#include "platform/platform.h"
#include "test_text.h"
#include "xml/xml_text.h"

namespace {

const Text kCrLf = u"\r\n";


}  // namespace

TEST(XmlEscape, WorkedExamples) {
    EXPECT_EQ(XmlEscape(u"a<b & \"c\""), u"a&lt;b &amp; &quot;c&quot;");
    EXPECT_EQ(XmlEscape(u"AT&T"), u"AT&amp;T");
    EXPECT_EQ(XmlEscape(u"it's"), u"it&apos;s");
    EXPECT_EQ(XmlEscape(u"5 > 3"), u"5 &gt; 3");
    EXPECT_EQ(XmlEscape(u"x" + kCrLf + u"y"), u"x&#0013;&#0010;y");
    EXPECT_EQ(XmlEscape(u"caf\u00E9"), u"caf&#0233;");
    EXPECT_EQ(XmlEscape(u"\u20AC100"), u"&#0128;100");
    EXPECT_EQ(XmlEscape(u""), u"");
    EXPECT_EQ(XmlEscape(u"\u00E9"), u"&#0233;");
    EXPECT_EQ(XmlEscape(u"\x7F~"), u"&#0127;~");
    EXPECT_EQ(XmlEscape(u"\u4E2D"), u"\u4E2D");  // not in the code page: left for the file's '?'
}

// Long texts are searched several characters at a time: each escape at every place of one.
TEST(XmlEscape, EveryEscapeAtEveryPlaceOfALongText) {
    const std::pair<TextView, std::string_view> cases[] = {
        {u"&", "&amp;"}, {u">", "&gt;"}, {u"<", "&lt;"}, {u"'", "&apos;"}, {u"\"", "&quot;"},
        {u"\r", "&#0013;"}, {u"\r\n", "&#0013;&#0010;"}, {u"\x7F", "&#0127;"}, {u"\u00E9", "&#0233;"},
        {u"\u20AC", "&#0128;"}, {u"\u4E2D", "?"}, {u"~\n", "~\n"}};
    for (const auto& [character, escaped] : cases) {
        for (size_t k = 0; k < 20; ++k) {
            const Text text = Text(k, u'a') + Text(character) + Text(19 - k, u'b');
            const std::string expected = std::string(k, 'a') + std::string(escaped) + std::string(19 - k, 'b');
            std::string bytes = "<";
            EXPECT_EQ(AppendXmlEscapedAnsi(bytes, text, 100), expected.size()) << k;
            EXPECT_EQ(bytes, "<" + expected) << k;
            if (character != u"\u4E2D") {
                EXPECT_EQ(XmlEscape(text), AsciiToText(expected)) << k;
            }
        }
    }
}

TEST(XmlEscape, LineBreaksStayOnTheLine) {
    EXPECT_EQ(XmlEscape(u"a\nb\tc"), u"a\nb\tc");       // a lone LF is written as it is
    EXPECT_EQ(XmlEscape(u"a\rb"), u"a&#0013;b");         // a lone CR would end the line
    EXPECT_EQ(XmlEscape(u"a\r\r\nb\n\r"), u"a&#0013;&#0013;&#0010;b\n&#0013;");
    EXPECT_EQ(XmlUnescape(XmlEscape(u"a\r\r\nb\n\r")), u"a\r\r\nb\n\r");
}

TEST(XmlEscape, OverflowBeyond32767Characters) {
    EXPECT_EQ(XmlEscape(Text(32767, u'a')).size(), 32767u);
    EXPECT_EQ(ErrorNumberOf([] { XmlEscape(Text(32768, u'a')); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([] { XmlEscape(Text(6554, u'&')); }), kErrorOverflow);  // 32770 after step 1
    EXPECT_EQ(ErrorNumberOf([] { XmlEscape(Text(32761, u'a') + u"\u00E9"); }), kErrorOverflow);
    EXPECT_EQ(XmlEscape(Text(32760, u'a') + u"\u00E9").size(), 32767u);
}

// The bytes a file gets: the escaped text in the code page, for every 16-bit unit. A unit
// that XmlEscape leaves as it is and the code page lacks reaches the file as '?'.
TEST(XmlEscape, AnsiBytesAreTheEscapedTextInTheCodePage) {
    for (uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const Text c(1, static_cast<char16_t>(unit));
        const Text escaped = XmlEscape(c);
        const bool kept = escaped == c && platform::FromAnsi(platform::ToAnsi(c)) != c;
        const std::string expected = "a" + (kept ? std::string("?") : platform::ToAnsi(escaped)) + "b";
        std::string out = "x";
        EXPECT_EQ(AppendXmlEscapedAnsi(out, u"a" + c + u"b", 32767), escaped.size() + 2) << unit;
        ASSERT_EQ(out, "x" + expected) << unit;
    }
    const Text mixed = u"AT&T \r\n\r\r\n\n caf\u00E9 \u4E2D \xD83D\xDE00 <'\">\x7F\u20AC";
    std::string out;
    EXPECT_EQ(AppendXmlEscapedAnsi(out, mixed, 32767), XmlEscape(mixed).size());
    EXPECT_EQ(out, platform::ToAnsi(XmlEscape(mixed)));

    // The limit counts escaped characters; beyond it nothing is appended.
    const Text atLimit = Text(32760, u'a') + u"\u00E9";
    out = "kept";
    EXPECT_EQ(AppendXmlEscapedAnsi(out, atLimit, 32767), 32767u);
    EXPECT_EQ(out, "kept" + std::string(32760, 'a') + "&#0233;");
    out = "kept";
    EXPECT_EQ(ErrorNumberOf([&] { AppendXmlEscapedAnsi(out, u"a" + atLimit, 32767); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([&] { AppendXmlEscapedAnsi(out, Text(10, u'&'), 49); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([&] { AppendXmlEscapedAnsi(out, Text(11, u'a'), 10); }), kErrorOverflow);
    EXPECT_EQ(out, "kept");
    EXPECT_EQ(AppendXmlEscapedAnsi(out, Text(10, u'&'), 50), 50u);
}

TEST(XmlCData, WrapsOnlyMarkupAndTilde) {
    EXPECT_EQ(XmlCData(u"a<b"), u"<![CDATA[a<b]]>");
    EXPECT_EQ(XmlCData(u"x" + kCrLf + u"<y"), u"<![CDATA[x&#0013;&#0010;<y]]>");
    EXPECT_EQ(XmlCData(u"x" + kCrLf + u"~y"), u"<![CDATA[x" + kCrLf + u"~y]]>");
    EXPECT_EQ(XmlCData(u"a&b" + kCrLf), u"a&b" + kCrLf);
    EXPECT_EQ(XmlCData(u"a]]>b<c"), u"<![CDATA[a]]>b<c]]>");
}

TEST(XmlUnescape, WorkedExamples) {
    EXPECT_EQ(XmlUnescape(u"a&lt;b &amp; &quot;c&quot;"), u"a<b & \"c\"");
    EXPECT_EQ(XmlUnescape(u"&amp;lt;"), u"&lt;");
    EXPECT_EQ(XmlUnescape(u"caf&#0233;"), u"caf\u00E9");
    EXPECT_EQ(XmlUnescape(u"x[[--CRLF--]]y"), u"x\r\ny");
    EXPECT_EQ(XmlUnescape(u"&#66.5;"), u"B");
    EXPECT_EQ(XmlUnescape(u"&#x41;"), u"A");  // hexadecimal: the Unicode character
    EXPECT_EQ(XmlUnescape(u"&#;"), Text(1, u'\0'));
    EXPECT_EQ(XmlUnescape(u"&apos;&gt;"), u"'>");
    EXPECT_EQ(XmlUnescape(u"&#128;&#65"), u"\u20AC&#65");  // the reader takes any number of digits
}

TEST(XmlUnescape, ReferencesFormedByDecodingAreDecodedInTurn) {
    EXPECT_EQ(XmlUnescape(u"&#38;#65;"), u"A");      // a decoded "&" before "#"
    EXPECT_EQ(XmlUnescape(u"&&#35;65;"), u"A");      // a "&" just before a decoded "#"
    EXPECT_EQ(XmlUnescape(u"&amp;#65;"), u"&#65;");  // entities come after references: one level
    EXPECT_EQ(XmlUnescape(u"&#38;&#35;66;x"), u"Bx");
    EXPECT_EQ(XmlUnescape(u"&#38;#38;#38;#67;"), u"C");
    EXPECT_EQ(XmlUnescape(u"&&#&#59;"), Text(u"&") + Text(1, u'\0'));  // the first ";" ends it
    EXPECT_EQ(XmlUnescape(u"&l&#0116;;"), u"<");                           // a decoded character ends an entity
    EXPECT_EQ(XmlUnescape(u"&#0038;lt; &#0233;"), u"< \u00E9");             // a decoded "&" starts one
}

TEST(XmlUnescape, UnterminatedReferenceStaysWithTheRest) {
    EXPECT_EQ(XmlUnescape(u"a&#65"), u"a&#65");
    EXPECT_EQ(XmlUnescape(u"&#65;b&#66 &lt"), u"Ab&#66 &lt");
    EXPECT_EQ(XmlUnescape(u"&#65;b&#66 &lt;"), u"AbB");  // any later ";" ends a reference
    EXPECT_EQ(XmlUnescape(u"&#38;#12"), u"&#12");
}

// "&#x" hex digits ";" names a Unicode character, as other XML tools write them; the decimal
// references keep naming ANSI codes.
TEST(XmlUnescape, HexadecimalReferencesNameUnicodeCharacters) {
    EXPECT_EQ(XmlUnescape(u"Caf&#xE9; &#xe9;&#x20AC;"), u"Caf\u00E9 \u00E9\u20AC");
    EXPECT_EQ(XmlUnescape(u"&#x4E2D;"), u"\u4E2D");  // kept, though the code page lacks it
    EXPECT_EQ(XmlUnescape(u"&#x1F600;&#x10FFFF;"), u"\xD83D\xDE00\xDBFF\xDFFF");
    EXPECT_EQ(XmlUnescape(u"&#x000000041;&#xFFFF;&#x9;"), u"A\uFFFF\t");
    EXPECT_EQ(XmlUnescape(u"&#x26;#x42;"), u"B");     // a decoded "&" forms a reference in turn
    EXPECT_EQ(XmlUnescape(u"&#38;#x43;&#x26;#68;"), u"CD");
    EXPECT_EQ(XmlUnescape(u"&#x26;lt;&amp;#x41;"), u"<&#x41;");
    EXPECT_EQ(XmlUnescape(u"&#x41"), u"&#x41");        // unterminated: stays
    EXPECT_EQ(XmlUnescape(u"&#X41;"), Text(1, u'\0')); // XML's marker is "x": read as decimal
    // A reference to no character, or without hex digits, is refused like a bad decimal one.
    for (const Text& bad : {Text(u"&#x0;"), Text(u"&#x;"), Text(u"&#xD800;"), Text(u"&#xDFFF;"),
                            Text(u"&#x110000;"), Text(u"&#x100000041;"), Text(u"&#xFFFFFFFFFFFFFFFF41;"),
                            Text(u"&#xG;"), Text(u"&#x41 ;"), Text(u"&#x 41;"), Text(u"&#x-41;"),
                            Text(u"ok&#x41;&#x;")})
        EXPECT_EQ(ErrorNumberOf([&] { XmlUnescape(bad); }), kErrorInvalidArgument) << TextToAscii(bad);
    // The same 16-bit positions as decimal references.
    EXPECT_EQ(XmlUnescape(Text(32761, u'a') + u"&#x41;").back(), u'A');
    EXPECT_EQ(ErrorNumberOf([] { XmlUnescape(Text(32762, u'a') + u"&#x41;"); }), kErrorOverflow);
}

TEST(XmlUnescape, ErrorsForBadCodesAndFarPositions) {
    EXPECT_EQ(ErrorNumberOf([] { XmlUnescape(u"&#256;"); }), kErrorInvalidArgument);
    EXPECT_EQ(ErrorNumberOf([] { XmlUnescape(u"&#-1;"); }), kErrorInvalidArgument);
    EXPECT_EQ(ErrorNumberOf([] { XmlUnescape(u"&#99999999999;"); }), kErrorOverflow);
    // A reference whose ";" stands at position 32767 is read; one further on is an overflow,
    // whether its ";" or its "&#" lies beyond.
    EXPECT_EQ(XmlUnescape(Text(32762, u'a') + u"&#65;").back(), u'A');
    EXPECT_EQ(ErrorNumberOf([] { XmlUnescape(Text(32763, u'a') + u"&#65;"); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([] { XmlUnescape(Text(32767, u'a') + u"&#65"); }), kErrorOverflow);
    // Beyond the limit, text without references is no error.
    EXPECT_EQ(XmlUnescape(Text(40000, u'a') + u"&amp;").size(), 40001u);
}

TEST(XmlUnescape, TakesLinearTimeOnLinesFullOfReferences) {
    // 32,760 characters of references: a rescan from the start after each one would take
    // billions of steps; this must finish at once.
    Text line;
    while (line.size() + 7 <= 32760) line += u"&#0233;";
    const Text decoded = XmlUnescape(line);
    EXPECT_EQ(decoded, Text(line.size() / 7, u'\u00E9'));
    Text chain;
    for (int i = 0; i < 4000; ++i) chain += u"&#38;";
    EXPECT_EQ(XmlUnescape(chain + u"#65;"), Text(3999, u'&') + u"A");
}

TEST(XmlUnescape, RoundTripsEveryCodePageCharacter) {
    const Text sample = u"AT&T <tag> \"q\" 'a' \r\n \r \n caf\u00E9 \u20AC \u0178 ~ &#65; [[x]]";
    EXPECT_EQ(XmlUnescape(XmlEscape(sample)), sample);
    for (char16_t c = 0xA0; c <= 0xFF; ++c) EXPECT_EQ(XmlUnescape(XmlEscape(Text(1, c))), Text(1, c));
}

TEST(XmlElementValue, WorkedExamples) {
    EXPECT_EQ(XmlElementValue(u"<Description>AT&amp;T</Description>"), u"AT&T");
    EXPECT_EQ(XmlElementValue(u"<Page>12</Page>"), u"12");
    EXPECT_EQ(XmlElementValue(u"<Description>caf&#0233;</Description>"), u"caf\u00E9");
    EXPECT_EQ(XmlElementValue(u"<Description>x&#0013;&#0010;y</Description>"), u"x\r\ny");
    EXPECT_EQ(XmlElementValue(u"<Description><![CDATA[a<b]]></Description>"), u"a<b");
    EXPECT_EQ(XmlElementValue(u"<Description> <![CDATA[abc]]></Description>"), u"abc");
    EXPECT_EQ(XmlElementValue(u"<Index id=\"1\">v</Index>"), u"v");
    EXPECT_EQ(XmlElementValue(u"<Page></Page>"), u"");
    EXPECT_EQ(XmlElementValue(u"<IndexDoc>"), u"");
    EXPECT_EQ(XmlElementValue(u"</IndexDoc>"), u"");
    EXPECT_EQ(XmlElementValue(u"<!-- Developed by Tessaryn Ltd -->"), u"");
    EXPECT_EQ(XmlElementValue(u"<?xml version=\"1.0\" encoding=\"utf-8\"?>"), u"");
    EXPECT_EQ(XmlElementValue(u"<Page>12"), u"12");
    EXPECT_EQ(XmlElementValue(u"no markup here"), u"");
    EXPECT_EQ(XmlElementValue(u"<Description><![CDATA[a&amp;b]]></Description>"), u"a&b");
    EXPECT_EQ(XmlElementValue(u"<Description><![CDATA[a]]>b<c]]></Description>"), u"a");
}

TEST(XmlElementValue, EscapedMarkupIsNeverTakenForMarkup) {
    EXPECT_EQ(XmlElementValue(u"<Description>a&lt;/b</Description>"), u"a</b");
    for (const Text& value : {Text(u"a</b"), Text(u"<![CDATA[x]]>"), Text(u"x]]>y<![CDATA[z"),
                             Text(u"<Page>1</Page>"), Text(u"&lt;&#65;")}) {
        EXPECT_EQ(XmlElementValue(u"<Description>" + XmlEscape(value) + u"</Description>"), value);
    }
}

TEST(XmlElementValue, ErrorsForFarMarkupAndMisorderedCData) {
    EXPECT_EQ(ErrorNumberOf([] { XmlElementValue(u"<D>]]>x<![CDATA[y</D>"); }), kErrorInvalidArgument);
    EXPECT_EQ(ErrorNumberOf([] { XmlElementValue(u"<D>&#300;</D>"); }), kErrorInvalidArgument);
    EXPECT_EQ(ErrorNumberOf([] { XmlElementValue(u"<" + Text(32767, u'D') + u">v</D>"); }), kErrorOverflow);
    EXPECT_EQ(ErrorNumberOf([] { XmlElementValue(u"<D>" + Text(32764, u'v') + u"</D>"); }), kErrorOverflow);
    EXPECT_EQ(XmlElementValue(u"<D>" + Text(32763, u'v') + u"</D>").size(), 32763u);
    // Markup is found in the line as written: references in the value do not move it.
    EXPECT_EQ(XmlElementValue(u"<D>" + Text(32000, u'v') + u"&amp;</D>").size(), 32001u);
}

// Run again in a double-byte code page under Wine (see tests/CMakeLists.txt).
TEST(XmlUnescapeInAnyCodePage, HexadecimalReferencesDoNotDependOnTheCodePage) {
    EXPECT_EQ(XmlUnescape(u"&#xE9;&#x4E2D;&#x1F600;&#65;"), u"\u00E9\u4E2D\xD83D\xDE00" u"A");
    EXPECT_EQ(XmlElementValue(u"<Description>&#x3042;&amp;&#x71FF;</Description>"), u"\u3042&\u71FF");
}
