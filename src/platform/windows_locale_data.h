// What the portable text order takes from the system's own locale services, so that an index
// file sorts alike on Windows and elsewhere: the weights the system's comparison gives
// punctuation and symbols, the hyphen, the apostrophe and their kin, and the characters it
// ignores; and the names of the locales it knows. The data is made by
// scripts/make-windows-locale-data.
#pragma once

#include <cstdint>

namespace platform::windows_locale_data {

// A punctuation or symbol character and the rank of its weight among theirs, all of which
// sort before digits and letters (equal ranks weigh alike).
struct SymbolRank {
    char16_t character;
    uint16_t rank;
};
// A character that weighs only where texts are otherwise equal (a word sort keeps "co-op" with
// "coop"), and its weight there.
struct SpecialWeight {
    char16_t character;
    uint8_t weight;
};
// Characters without any weight.
struct IgnoredRange {
    char16_t first, last;
};

#include "platform/windows_locale_data.inc"

}  // namespace platform::windows_locale_data
