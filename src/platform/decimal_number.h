// Exact reading and rounding of decimal number text, shared by both platform implementations.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/text.h"

namespace platform {

// value = (negative ? -1 : 1) * digits * 10^exponent, held exactly.
struct DecimalNumber {
    bool negative = false;
    std::string digits;    // '0'..'9' only; may be empty (zero)
    int64_t exponent = 0;
};

// Reads "digits [. digits] [e|E [sign] digits]" (the sign is read by the caller) starting at
// `pos`; `groupSeparator` (0 for none) may stand between integer digits. Returns the position
// after the number, or nothing when no digit was read.
std::optional<size_t> ReadDecimal(TextView text, size_t pos, char16_t decimalPoint,
                                  char16_t groupSeparator, DecimalNumber& out);

// Rounds to the nearest integer, a half to the even neighbour. Returns nothing when the
// result lies outside [minValue, maxValue].
std::optional<int64_t> RoundHalfEven(const DecimalNumber& number, int64_t minValue,
                                     int64_t maxValue);

}  // namespace platform
