// The text order on Windows: CompareStringEx and its sort keys (LCMapStringEx) with case
// ignored and digits as numbers, by locale name.
#include <windows.h>

#include "platform/text_order.h"

namespace platform {

struct TextOrder::Locale {
    std::wstring name;  // the full name, as the system functions take it
};

namespace {

// Case ignored, accents and everything else counted; digits read as numbers.
constexpr DWORD kOrderFlags = LINGUISTIC_IGNORECASE | SORT_DIGITSASNUMBERS;
// Letters alone: is an accented letter a form of its base letter in this locale?
constexpr DWORD kLetterFlags = LINGUISTIC_IGNORECASE | LINGUISTIC_IGNOREDIACRITIC;

const wchar_t* Wide(TextView text) { return reinterpret_cast<const wchar_t*>(text.data()); }
int Length(TextView text) { return static_cast<int>(text.size()); }

Text FromWide(const wchar_t* text, int length) {
    return Text(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length));
}

WORD TypeOf(DWORD kind, char16_t unit) {
    const wchar_t ch = static_cast<wchar_t>(unit);
    WORD type = 0;
    return GetStringTypeW(kind, &ch, 1, &type) ? type : 0;
}

bool IsLetter(char16_t unit) {
    return (unit < 0xD800 || unit > 0xDFFF) && (TypeOf(CT_CTYPE1, unit) & C1_ALPHA);
}

// A mark that belongs to the letter before it (an accent written apart, a vowel sign).
bool IsMark(char16_t unit) {
    return !(TypeOf(CT_CTYPE1, unit) & C1_ALPHA) &&
           (TypeOf(CT_CTYPE3, unit) & (C3_NONSPACING | C3_DIACRITIC | C3_VOWELMARK));
}

// FoldStringW: MAP_PRECOMPOSED joins a letter and its accents where one character holds
// both, MAP_COMPOSITE splits them.
Text Folded(DWORD how, TextView text) {
    const int n = FoldStringW(how, Wide(text), Length(text), nullptr, 0);
    if (n <= 0) return Text(text);
    std::wstring out(static_cast<size_t>(n), L'\0');
    const int written = FoldStringW(how, Wide(text), Length(text), out.data(), n);
    return written > 0 ? FromWide(out.data(), written) : Text(text);
}

}  // namespace

TextOrder::TextOrder(Text name, std::unique_ptr<Locale> locale)
    : name_(std::move(name)), locale_(std::move(locale)) {}

TextOrder::~TextOrder() = default;

std::unique_ptr<TextOrder> TextOrder::Open(TextView localeName) {
    // The empty name is the invariant locale, and the functions read names up to a zero.
    if (localeName.empty() || localeName.size() >= LOCALE_NAME_MAX_LENGTH ||
        localeName.find(u'\0') != TextView::npos)
        return nullptr;
    const std::wstring asked(Wide(localeName), localeName.size());
    if (!IsValidLocaleName(asked.c_str())) return nullptr;
    wchar_t full[LOCALE_NAME_MAX_LENGTH];
    const int n = GetLocaleInfoEx(asked.c_str(), LOCALE_SNAME, full, LOCALE_NAME_MAX_LENGTH);
    if (n <= 1) return nullptr;
    auto locale = std::make_unique<Locale>();
    locale->name.assign(full, static_cast<size_t>(n - 1));
    Text name = FromWide(full, n - 1);
    return std::unique_ptr<TextOrder>(new TextOrder(std::move(name), std::move(locale)));
}

int TextOrder::Compare(TextView a, TextView b) const {
    const int result = CompareStringEx(locale_->name.c_str(), kOrderFlags, Wide(a), Length(a), Wide(b), Length(b),
                                       nullptr, nullptr, 0);
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

std::string TextOrder::SortKey(TextView text) const {
    if (text.empty()) return {};  // LCMapStringEx refuses an empty source
    const int n = LCMapStringEx(locale_->name.c_str(), LCMAP_SORTKEY | kOrderFlags, Wide(text), Length(text),
                                nullptr, 0, nullptr, nullptr, 0);
    if (n <= 0) return {};
    std::string key(static_cast<size_t>(n), '\0');
    // For sort keys the destination is counted in bytes.
    const int written = LCMapStringEx(locale_->name.c_str(), LCMAP_SORTKEY | kOrderFlags, Wide(text), Length(text),
                                      reinterpret_cast<LPWSTR>(key.data()), n, nullptr, nullptr, 0);
    key.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return key;
}

Text TextOrder::LetterGroup(TextView text) const {
    if (text.empty() || !IsLetter(text[0])) return {};
    size_t end = 1;
    while (end < text.size() && IsMark(text[end])) ++end;
    // The letter with the accents that compose with it into one character ("e" and an acute
    // accent are "é"); a mark that composes with nothing (a vowel sign) is no part of a heading.
    Text letter = Folded(MAP_PRECOMPOSED, text.substr(0, end)).substr(0, 1);
    // The base letter is what stands first once the accents are split off.
    const Text base = Folded(MAP_COMPOSITE, letter).substr(0, 1);
    if (base != letter && CompareStringEx(locale_->name.c_str(), kLetterFlags, Wide(letter), Length(letter),
                                          Wide(base), Length(base), nullptr, nullptr, 0) == CSTR_EQUAL)
        letter = base;
    constexpr DWORD kUpper = LCMAP_UPPERCASE | LCMAP_LINGUISTIC_CASING;
    const int n = LCMapStringEx(locale_->name.c_str(), kUpper, Wide(letter), Length(letter), nullptr, 0, nullptr,
                                nullptr, 0);
    if (n <= 0) return letter;
    std::wstring upper(static_cast<size_t>(n), L'\0');
    const int written = LCMapStringEx(locale_->name.c_str(), kUpper, Wide(letter), Length(letter), upper.data(), n,
                                      nullptr, nullptr, 0);
    return written > 0 ? FromWide(upper.data(), written) : letter;
}

Text DefaultLocaleName() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    const int n = GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    if (n > 1) {
        if (auto order = TextOrder::Open(FromWide(name, n - 1))) return order->LocaleName();
    }
    return u"en-US";
}

}  // namespace platform
