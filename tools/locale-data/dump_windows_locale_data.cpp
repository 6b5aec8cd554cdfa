// Writes, as C++, what the portable text order takes from the system's own locale services,
// so that one index file sorts alike on Windows and elsewhere: how the system's comparison
// weighs the characters that ICU weighs otherwise (its order of punctuation and symbols, the
// characters it gives only a "special" weight, such as the hyphen and the apostrophe, which a
// word sort all but ignores, and those it ignores), and the names of the locales it knows.
// Run under Wine by scripts/make-windows-locale-data, which writes its output to
// src/platform/windows_locale_data.inc.
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

// The sort key of one character, as the text order asks for it.
std::string KeyOf(wchar_t c) {
    const DWORD flags = LCMAP_SORTKEY | LINGUISTIC_IGNORECASE | SORT_DIGITSASNUMBERS;
    unsigned char key[64];
    const int n = LCMapStringEx(L"en-US", flags, &c, 1, reinterpret_cast<LPWSTR>(key), sizeof key, nullptr, nullptr, 0);
    return n > 0 ? std::string(reinterpret_cast<char*>(key), static_cast<size_t>(n)) : std::string();
}

BOOL CALLBACK OnLocale(LPWSTR name, DWORD, LPARAM names) {
    reinterpret_cast<std::vector<std::wstring>*>(names)->emplace_back(name);
    return TRUE;
}

// A name as users' settings carry it: language, and optionally script and region, such as
// "ha-Latn-NG" (no sort suffixes such as "de-DE_phoneb", no private names).
bool IsPlainName(const std::wstring& name) {
    if (name.empty() || name.compare(0, 2, L"x-") == 0) return false;
    for (wchar_t c : name)
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-'))
            return false;
    return true;
}

}  // namespace

int wmain() {
    std::map<std::string, std::vector<unsigned>> symbols;  // by primary weight, in its order
    std::vector<std::pair<unsigned, unsigned>> specials;   // character and special weight
    std::vector<unsigned> ignored;
    for (unsigned c = 1; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::string key = KeyOf(static_cast<wchar_t>(c));
        const size_t primaryEnd = key.find('\x01');
        if (key.empty() || primaryEnd == std::string::npos) continue;
        const unsigned char group = static_cast<unsigned char>(key[0]);
        if (primaryEnd > 0 && group >= 0x07 && group <= 0x0C) {
            symbols[key.substr(0, primaryEnd)].push_back(c);
        } else if (primaryEnd == 0) {
            // No primary weight: the special section follows the four level separators.
            const std::string rest = key.substr(4);
            if (rest.size() >= 5 && static_cast<unsigned char>(rest[0]) == 0xFF) {
                specials.emplace_back(c, static_cast<unsigned char>(rest[2]));
            } else if (key == std::string("\x01\x01\x01\x01\x00", 5)) {
                ignored.push_back(c);
            }
        }
    }
    std::vector<std::pair<unsigned, unsigned>> ranks;
    unsigned rank = 0;
    for (const auto& [primary, characters] : symbols) {
        for (unsigned c : characters) ranks.emplace_back(c, rank);
        ++rank;
    }
    std::sort(ranks.begin(), ranks.end());
    std::printf("// Made by scripts/make-windows-locale-data from the system's own locale data: do not edit.\n");
    std::printf("// Punctuation and symbols: character, and the rank of its weight (equal ranks weigh alike).\n");
    std::printf("constexpr unsigned kSymbolRankCount = %u;\n", rank);
    std::printf("constexpr SymbolRank kSymbolRanks[] = {");
    for (size_t i = 0; i < ranks.size(); ++i)
        std::printf("%s{0x%04X, %u},", i % 7 == 0 ? "\n    " : " ", ranks[i].first, ranks[i].second);
    std::printf("\n};\n// Characters with a special weight only: character and weight.\n");
    std::printf("constexpr SpecialWeight kSpecialWeights[] = {");
    for (size_t i = 0; i < specials.size(); ++i)
        std::printf("%s{0x%04X, 0x%02X},", i % 7 == 0 ? "\n    " : " ", specials[i].first, specials[i].second);
    std::printf("\n};\n// Characters without any weight, as ranges of first and last.\n");
    std::printf("constexpr IgnoredRange kIgnoredRanges[] = {");
    size_t printed = 0;
    for (size_t i = 0; i < ignored.size();) {
        size_t j = i;
        while (j + 1 < ignored.size() && ignored[j + 1] == ignored[j] + 1) ++j;
        std::printf("%s{0x%04X, 0x%04X},", printed++ % 6 == 0 ? "\n    " : " ", ignored[i], ignored[j]);
        i = j + 1;
    }
    std::printf("\n};\n");
    std::vector<std::wstring> names;
    EnumSystemLocalesEx(OnLocale, LOCALE_ALL, reinterpret_cast<LPARAM>(&names), nullptr);
    std::sort(names.begin(), names.end());
    std::printf("// The locales the system knows, by name.\n");
    std::printf("constexpr const char* kLocaleNames[] = {");
    printed = 0;
    for (const std::wstring& name : names) {
        if (!IsPlainName(name)) continue;
        std::printf("%s\"%ls\",", printed++ % 9 == 0 ? "\n    " : " ", name.c_str());
    }
    std::printf("\n};\n");
    return 0;
}
