// The searches of every line: the plain loop, and the eight-at-a-time loop where this build and
// this processor run it (in a 32-bit build, only after asking the processor), find the same unit.
#include <gtest/gtest.h>

#include "core/text_scan.h"

namespace {

// The first CR or LF at or after `from` by the masks of 32 units a reader takes.
size_t ByMasks(TextView text, size_t from, bool plain) {
    for (size_t at = from; at < text.size(); at += 32) {
        const uint32_t mask =
            plain ? text_scan::UnitMaskPlain(text, at, u'\r', u'\n') : UnitMaskOf(text, at, u'\r', u'\n');
        if (mask != 0) return at + static_cast<size_t>(__builtin_ctz(mask));
    }
    return text.size();
}

TEST(TextScan, BothLoopsStopAtTheFirstSoughtUnitWhereverItStands) {
    // Filler that a search does not stop at: letters, and units that differ from a sought one by
    // the sign bit or a single bit; for the escapes, ASCII up to the bound (126, "~").
    const Text filler = u"abc\u800D\u003D\u000Bxyz\u7EFF\u005F\u0126";
    const Text ascii = u"abc~=\u000B\u000Cxyz|_";
    struct Case {
        const char* search;
        const Text& filler;
        char16_t sought;
        size_t (*run)(TextView, size_t, bool plain);
    };
    const Case cases[] = {
        {"line ends, CR", filler, u'\r',
         [](TextView t, size_t from, bool plain) {
             return plain ? text_scan::FindUnitPlain<false>(t, from, 0, u'\r', u'\n') : FindUnitOf(t, from, u'\r', u'\n');
         }},
        {"line ends, LF", filler, u'\n',
         [](TextView t, size_t from, bool plain) {
             return plain ? text_scan::FindUnitPlain<false>(t, from, 0, u'\r', u'\n') : FindUnitOf(t, from, u'\r', u'\n');
         }},
        {"markup, ]", filler, u']',
         [](TextView t, size_t from, bool plain) {
             return plain ? text_scan::FindUnitPlain<false>(t, from, 0, u'<', u'&', u'[', u']')
                          : FindUnitOf(t, from, u'<', u'&', u'[', u']');
         }},
        // The reader's masks of line ends, searched mask after mask.
        {"line ends by masks, CR", filler, u'\r', [](TextView t, size_t from, bool plain) { return ByMasks(t, from, plain); }},
        {"line ends by masks, LF", filler, u'\n', [](TextView t, size_t from, bool plain) { return ByMasks(t, from, plain); }},
        {"escape, above 126", ascii, u'\u00E9',
         [](TextView t, size_t from, bool plain) {
             return plain ? text_scan::FindUnitPlain<true>(t, from, 0x7E, u'&', u'>', u'<', u'\'', u'"', u'\r')
                          : FindUnitAboveOrOf(t, from, 0x7E, u'&', u'>', u'<', u'\'', u'"', u'\r');
         }},
        {"escape, above 126 by the sign bit", ascii, u'\uFFFF',
         [](TextView t, size_t from, bool plain) {
             return plain ? text_scan::FindUnitPlain<true>(t, from, 0x7E, u'&', u'>', u'<', u'\'', u'"', u'\r')
                          : FindUnitAboveOrOf(t, from, 0x7E, u'&', u'>', u'<', u'\'', u'"', u'\r');
         }},
    };
    for (const Case& c : cases) {
        for (size_t length = 0; length <= 70; ++length) {  // past two masks
            // Where the sought unit stands (`length`: nowhere), and where the search starts.
            for (size_t at = 0; at <= length; ++at) {
                Text text;
                for (size_t i = 0; i < length; ++i) text += c.filler[i % c.filler.size()];
                if (at < length) text[at] = c.sought;
                for (size_t from : {size_t{0}, at, at + 1}) {
                    if (from > length) continue;
                    const size_t expected = at < length && from <= at ? at : length;
                    for (bool plain : {true, false}) {
                        SCOPED_TRACE(std::string(c.search) + (plain ? ", plain" : ", as built") + ": length " +
                                     std::to_string(length) + ", at " + std::to_string(at) + ", from " +
                                     std::to_string(from));
                        EXPECT_EQ(c.run(text, from, plain), expected);
                    }
                }
            }
        }
    }
}

TEST(TextScan, SameUnitsTellsTextsApartByAnyBitOfAnyUnit) {
    for (size_t length = 0; length <= 20; ++length) {  // past two words, and every tail
        const Text text(length, u'\u4E2D');
        EXPECT_TRUE(SameUnits(text, Text(text)));
        EXPECT_FALSE(SameUnits(text, text + u'\u4E2D'));
        for (size_t at = 0; at < length; ++at) {
            for (char16_t bit : {char16_t{1}, char16_t{0x100}, char16_t{0x8000}}) {
                Text other = text;
                other[at] ^= bit;
                EXPECT_FALSE(SameUnits(text, other)) << "length " << length << ", at " << at << ", bit " << bit;
            }
        }
    }
}

TEST(TextScan, BothWideningsGiveEachByteItsCharacterWhereverAByteAbove127Stands) {
    char16_t chars[256];
    for (int b = 0; b < 256; ++b) chars[b] = static_cast<char16_t>(b < 128 ? b : 0x2000 + b);
    for (size_t length = 0; length <= 40; ++length) {  // past two blocks, and every tail
        for (size_t at = 0; at <= length; ++at) {      // where the byte above 127 stands (`length`: nowhere)
            std::string bytes;
            for (size_t i = 0; i < length; ++i) bytes += static_cast<char>(i == at ? 0x80 + i : 0x20 + i);
            Text expected;
            for (unsigned char b : bytes) expected += chars[b];
            for (bool plain : {true, false}) {
                Text text(length, u'?');
                if (plain) {
                    text_scan::WidenBytesPlain(bytes, chars, text.data());
                } else {
                    WidenBytes(bytes, chars, text.data());
                }
                EXPECT_EQ(text, expected) << (plain ? "plain" : "as built") << ": length " << length << ", at " << at;
            }
        }
    }
}

}  // namespace
