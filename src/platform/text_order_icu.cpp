// The text order of the portable build: an ICU collator at secondary strength (case ignored,
// accents counted after the letters) with numeric ordering, by BCP 47 locale name; with the
// system's own weights, where Windows weighs otherwise than ICU, for the characters that are
// not letters or digits (windows_locale_data.h), so that one file sorts alike everywhere.
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "platform/text_order.h"
#include "platform/windows_locale_data.h"

namespace platform {

namespace {

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};
using Collator = std::unique_ptr<UCollator, CollatorCloser>;

const UChar* Units(TextView text) { return reinterpret_cast<const UChar*>(text.data()); }
int32_t Length(TextView text) { return static_cast<int32_t>(text.size()); }

Collator OpenCollator(const std::string& locale, UColAttributeValue strength) {
    UErrorCode status = U_ZERO_ERROR;
    Collator collator(ucol_open(locale.c_str(), &status));
    if (U_FAILURE(status)) return nullptr;
    ucol_setAttribute(collator.get(), UCOL_STRENGTH, strength, &status);
    // Punctuation and symbols always weigh, as on Windows (Thai's data would make them ignored).
    ucol_setAttribute(collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);  // "e" + accent is "é"
    return U_SUCCESS(status) ? std::move(collator) : nullptr;
}

// The locales ICU has data for, by ICU name ("sv_SE", "sr_Latn_RS").
bool IcuHasDataFor(const std::string& id) {
    static const std::set<std::string> known = [] {
        std::set<std::string> names;
        for (int32_t i = 0; i < uloc_countAvailable(); ++i) names.insert(uloc_getAvailable(i));
        return names;
    }();
    return known.count(id) != 0;
}

// A name Windows knows (its spelling: "zh-CN", "ha-Latn-NG", "en-029").
bool WindowsKnows(const char* name) {
    const auto& names = windows_locale_data::kLocaleNames;
    return std::binary_search(std::begin(names), std::end(names), name,
                              [](const char* a, const char* b) { return std::strcmp(a, b) < 0; });
}

// The locale ICU resolves a name to by its likely script or region ("zh_CN" is "zh_Hans_CN").
std::string Maximized(const char* id) {
    char full[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_addLikelySubtags(id, full, sizeof full, &status);
    return U_SUCCESS(status) ? std::string(full) : std::string();
}

// Windows' weights of the characters that are not letters or digits, by character: punctuation
// and symbols in Windows' order (each as a character that ICU orders the same way among
// symbols), the characters that weigh only where texts are otherwise equal, and those that
// weigh nothing. Made once per process.
struct WindowsWeights {
    std::vector<char16_t> symbol = std::vector<char16_t>(0x10000);  // 0: not one
    std::vector<uint8_t> special = std::vector<uint8_t>(0x10000);
    std::vector<bool> ignored = std::vector<bool>(0x10000);
};

// Symbols that ICU weighs with one primary weight each, all different and below the digits,
// and nothing at the other levels, in ICU's order: they stand for Windows' symbol weights.
// (Arrows, mathematical and technical symbols, shapes and dingbats: no locale tailors them.)
std::vector<char16_t> IcuSymbolsInOrder() {
    UErrorCode status = U_ZERO_ERROR;
    Collator root(ucol_open("", &status));
    if (U_FAILURE(status)) return {};
    ucol_setAttribute(root.get(), UCOL_STRENGTH, UCOL_TERTIARY, &status);
    ucol_setAttribute(root.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    const auto keyOf = [&root](char16_t c) {
        uint8_t bytes[64];
        const int32_t n = ucol_getSortKey(root.get(), reinterpret_cast<const UChar*>(&c), 1, bytes, sizeof bytes);
        return std::string(reinterpret_cast<const char*>(bytes), n > 0 && n <= 64 ? static_cast<size_t>(n) : 0);
    };
    const std::string letter = keyOf(u'a'), digit = keyOf(u'0');
    const std::string plain = letter.substr(letter.find('\x01'));  // nothing beyond the primary weight
    const std::string digits = digit.substr(0, digit.find('\x01'));
    std::set<std::pair<std::string, char16_t>> symbols;
    std::set<std::string> seen;
    for (char16_t c = 0x2190; c < 0x2C00; ++c) {
        const std::string key = keyOf(c);
        const size_t end = key.find('\x01');
        if (end == 0 || end == std::string::npos || key.substr(end) != plain) continue;
        const std::string primary = key.substr(0, end);
        if (primary >= digits || !seen.insert(primary).second) continue;
        symbols.emplace(primary, c);
    }
    std::vector<char16_t> inOrder;
    for (const auto& symbol : symbols) inOrder.push_back(symbol.second);
    return inOrder;
}

const WindowsWeights& Weights() {
    static const WindowsWeights weights = [] {
        namespace data = windows_locale_data;
        WindowsWeights w;
        const std::vector<char16_t> stand = IcuSymbolsInOrder();
        if (stand.size() >= data::kSymbolRankCount)
            for (const data::SymbolRank& s : data::kSymbolRanks) w.symbol[s.character] = stand[s.rank];
        for (const data::SpecialWeight& s : data::kSpecialWeights) w.special[s.character] = s.weight;
        for (const data::IgnoredRange& r : data::kIgnoredRanges)
            for (unsigned c = r.first; c <= r.last; ++c) w.ignored[c] = true;
        return w;
    }();
    return weights;
}

Text Normalized(const UNormalizer2* form, TextView text) {
    UErrorCode status = U_ZERO_ERROR;
    Text out(text.size() * 4 + 4, u'\0');
    const int32_t n = unorm2_normalize(form, Units(text), Length(text), reinterpret_cast<UChar*>(out.data()),
                                       Length(out), &status);
    if (U_FAILURE(status)) return Text(text);
    out.resize(static_cast<size_t>(n));
    return out;
}

bool IsMark(char16_t unit) { return !U16_IS_SURROGATE(unit) && (U_GET_GC_MASK(unit) & U_GC_M_MASK); }
// A mark that only adds an accent: no weight of its own where the letters are weighed.
bool IsAccent(char16_t unit) {
    return !U16_IS_SURROGATE(unit) && (U_GET_GC_MASK(unit) & (U_GC_MN_MASK | U_GC_ME_MASK));
}

}  // namespace

struct TextOrder::Locale {
    std::string id;             // ICU's name of the locale
    Collator order;             // the table's order
    mutable Collator letters;   // primary strength, for headings; opened when first needed
};

TextOrder::TextOrder(Text name, std::unique_ptr<Locale> locale)
    : name_(std::move(name)), locale_(std::move(locale)) {}

TextOrder::~TextOrder() = default;

// A language, and optionally a script and a region, that ICU has data for: "sv", "sv-SE",
// "sr-Latn-RS". Variants and extensions are left out, as Windows' names have none.
std::unique_ptr<TextOrder> TextOrder::Open(TextView localeName) {
    if (localeName.empty() || localeName.size() > 84) return nullptr;
    std::string tag;
    for (char16_t unit : localeName) {
        const bool plain = (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
                           (unit >= u'0' && unit <= u'9') || unit == u'-';
        if (!plain) return nullptr;
        tag.push_back(static_cast<char>(unit));
    }
    char id[ULOC_FULLNAME_CAPACITY] = {};
    int32_t parsed = 0;
    UErrorCode status = U_ZERO_ERROR;
    uloc_forLanguageTag(tag.c_str(), id, sizeof id, &parsed, &status);
    if (U_FAILURE(status) || parsed != static_cast<int32_t>(tag.size())) return nullptr;
    char base[ULOC_FULLNAME_CAPACITY] = {}, variant[ULOC_FULLNAME_CAPACITY] = {};
    uloc_getBaseName(id, base, sizeof base, &status);
    uloc_getVariant(id, variant, sizeof variant, &status);
    if (U_FAILURE(status) || std::strcmp(id, base) != 0 || variant[0] != '\0') return nullptr;
    char full[ULOC_FULLNAME_CAPACITY] = {};
    uloc_toLanguageTag(base, full, sizeof full, true, &status);
    if (U_FAILURE(status)) return nullptr;
    // A locale ICU has data for, by its name or by the name its likely script or region make
    // ("zh-CN" is ICU's "zh_Hans_CN"), or one Windows knows: a file saved on a Windows of any
    // language opens here too, where ICU has nothing of the language's own, in ICU's root order.
    if (!IcuHasDataFor(base) && !IcuHasDataFor(Maximized(base)) && !WindowsKnows(full)) return nullptr;

    auto locale = std::make_unique<Locale>();
    locale->id = base;
    locale->order = OpenCollator(locale->id, UCOL_SECONDARY);
    if (!locale->order) return nullptr;
    return std::unique_ptr<TextOrder>(new TextOrder(AsciiToText(full), std::move(locale)));
}

int TextOrder::Compare(TextView a, TextView b) const {
    const int byKey = SortKey(a).compare(SortKey(b));
    return (byKey > 0) - (byKey < 0);
}

// ICU's key of the text as Windows weighs it: symbols stand in Windows' order, ignored
// characters go, and the hyphen, the apostrophe and their kin are left out of the text and
// weighed after it, by their place and weight, as a word sort does ("coop" < "co-op", and
// "coo-p" < "co-op", where the later place sorts first). ICU's key ends in a zero byte that no
// other byte of it is, so what follows it decides only between texts ICU finds equal; what
// follows holds no zero byte.
std::string TextOrder::SortKey(TextView text) const {
    const WindowsWeights& weights = Weights();
    Text weighed;
    weighed.reserve(text.size());
    std::string special;
    uint16_t place = 0;  // the weighed characters before
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (const uint8_t weight = weights.special[c]) {
            // The place, a later one first, in bytes without a zero (a key's parts end in one).
            const uint16_t sorted = static_cast<uint16_t>(0xFFFF - place);
            special += {static_cast<char>(0x80 | (sorted >> 14)), static_cast<char>(0x80 | ((sorted >> 7) & 0x7F)),
                        static_cast<char>(0x80 | (sorted & 0x7F)), static_cast<char>(weight)};
            continue;
        }
        if (weights.ignored[c]) continue;
        weighed.push_back(weights.symbol[c] ? weights.symbol[c] : c);
        if (!IsAccent(c) && !U16_IS_TRAIL(c) && place < 0xFFFF) ++place;
    }
    UCollator* const collator = locale_->order.get();
    uint8_t buffer[256];
    int32_t n = ucol_getSortKey(collator, Units(weighed), Length(weighed), buffer, sizeof buffer);
    std::string key;
    key.reserve(static_cast<size_t>(n) + special.size() + 1);  // the whole key, and no more
    if (n <= static_cast<int32_t>(sizeof buffer)) {
        key.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
    } else {
        key.resize(static_cast<size_t>(n));
        n = ucol_getSortKey(collator, Units(weighed), Length(weighed), reinterpret_cast<uint8_t*>(key.data()), n);
        key.resize(static_cast<size_t>(n));
    }
    if (!special.empty()) key += special + '\0';
    return key;
}

Text TextOrder::LetterGroup(TextView text) const {
    if (text.empty() || U16_IS_SURROGATE(text[0]) || !u_isalpha(text[0])) return {};
    size_t end = 1;
    while (end < text.size() && IsMark(text[end])) ++end;
    UErrorCode status = U_ZERO_ERROR;
    // The letter with the accents that compose with it into one character ("e" and an acute
    // accent are "é"); a mark that composes with nothing (a vowel sign) is no part of a heading.
    Text letter = Normalized(unorm2_getNFCInstance(&status), text.substr(0, end)).substr(0, 1);
    const Text base = Normalized(unorm2_getNFDInstance(&status), letter).substr(0, 1);
    if (base != letter) {
        if (!locale_->letters) locale_->letters = OpenCollator(locale_->id, UCOL_PRIMARY);
        if (locale_->letters && ucol_strcoll(locale_->letters.get(), Units(letter), Length(letter), Units(base),
                                             Length(base)) == UCOL_EQUAL)
            letter = base;
    }
    // The locale's upper case ("i" is "İ" in Turkish), one character for one, as Windows
    // maps it: "ß" stays "ß".
    Text upper(letter.size() * 3, u'\0');
    const int32_t n = u_strToUpper(reinterpret_cast<UChar*>(upper.data()), Length(upper), Units(letter),
                                   Length(letter), locale_->id.c_str(), &status);
    if (U_SUCCESS(status) && n == Length(letter)) {
        upper.resize(static_cast<size_t>(n));
        return upper;
    }
    for (char16_t& unit : letter) unit = static_cast<char16_t>(u_toupper(unit));
    return letter;
}

Text DefaultLocaleName() {
    std::string name;
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            name = value;
            break;
        }
    }
    name = name.substr(0, name.find_first_of(".@"));  // "sv_SE.UTF-8@euro"
    std::replace(name.begin(), name.end(), '_', '-');
    if (!name.empty() && name != "C" && name != "POSIX") {
        if (auto order = TextOrder::Open(AsciiToText(name))) return order->LocaleName();
    }
    return u"en-US";
}

}  // namespace platform
