// The text order of the portable build: an ICU collator at secondary strength (case ignored,
// accents counted after the letters) with numeric ordering, by BCP 47 locale name.
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

#include "platform/text_order.h"

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
    if (U_FAILURE(status) || std::strcmp(id, base) != 0 || variant[0] != '\0' || !IcuHasDataFor(base)) return nullptr;
    char full[ULOC_FULLNAME_CAPACITY] = {};
    uloc_toLanguageTag(base, full, sizeof full, true, &status);
    if (U_FAILURE(status)) return nullptr;

    auto locale = std::make_unique<Locale>();
    locale->id = base;
    locale->order = OpenCollator(locale->id, UCOL_SECONDARY);
    if (!locale->order) return nullptr;
    return std::unique_ptr<TextOrder>(new TextOrder(AsciiToText(full), std::move(locale)));
}

int TextOrder::Compare(TextView a, TextView b) const {
    return ucol_strcoll(locale_->order.get(), Units(a), Length(a), Units(b), Length(b));
}

std::string TextOrder::SortKey(TextView text) const {
    std::string key(text.size() * 3 + 16, '\0');
    for (;;) {
        const int32_t n = ucol_getSortKey(locale_->order.get(), Units(text), Length(text),
                                          reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
        if (n <= static_cast<int32_t>(key.size())) {
            key.resize(static_cast<size_t>(n));
            return key;
        }
        key.resize(static_cast<size_t>(n));
    }
}

Text TextOrder::LetterGroup(TextView text) const {
    if (text.empty() || U16_IS_SURROGATE(text[0]) || !u_isalpha(text[0])) return {};
    size_t end = 1;
    while (end < text.size() && IsMark(text[end])) ++end;
    UErrorCode status = U_ZERO_ERROR;
    Text letter = Normalized(unorm2_getNFCInstance(&status), text.substr(0, end));
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
