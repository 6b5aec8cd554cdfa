#include "platform/decimal_number.h"

#include <limits>

#include "core/error.h"
#include "platform/platform.h"

namespace platform {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::optional<size_t> ReadDecimal(TextView text, size_t pos, char16_t decimalPoint,
                                  char16_t groupSeparator, DecimalNumber& out) {
    out.digits.clear();
    out.exponent = 0;
    bool anyDigit = false;
    size_t i = pos;
    while (i < text.size() &&
           (IsDigit(text[i]) || (anyDigit && groupSeparator != 0 && text[i] == groupSeparator))) {
        if (IsDigit(text[i])) {
            out.digits.push_back(static_cast<char>(text[i]));
            anyDigit = true;
        }
        ++i;
    }
    if (i < text.size() && text[i] == decimalPoint) {
        size_t j = i + 1;
        while (j < text.size() && IsDigit(text[j])) {
            out.digits.push_back(static_cast<char>(text[j]));
            --out.exponent;
            anyDigit = true;
            ++j;
        }
        if (anyDigit) i = j;
    }
    if (!anyDigit) return std::nullopt;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        size_t j = i + 1;
        bool negativeExp = false;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
            negativeExp = text[j] == u'-';
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            int64_t exp = 0;
            while (j < text.size() && IsDigit(text[j])) {
                if (exp < 1000000000) exp = exp * 10 + (text[j] - u'0');  // saturates harmlessly
                ++j;
            }
            out.exponent += negativeExp ? -exp : exp;
            i = j;
        }
    }
    return i;
}

std::optional<int64_t> RoundHalfEven(const DecimalNumber& number, int64_t minValue,
                                     int64_t maxValue) {
    const std::string& d = number.digits;
    size_t first = d.find_first_not_of('0');
    if (first == std::string::npos) return int64_t{0};
    const int64_t significant = static_cast<int64_t>(d.size() - first);
    // Count of digits before the decimal point (may be negative or beyond the digits held).
    const int64_t intCount = significant + number.exponent;
    if (intCount > 19) return std::nullopt;  // far beyond any 64-bit range we are asked for
    if (intCount < 0) return int64_t{0};     // below 0.1: rounds to zero, however many zeros

    uint64_t magnitude = 0;
    for (int64_t k = 0; k < intCount; ++k) {
        const int64_t idx = static_cast<int64_t>(first) + k;
        const int digit = idx < static_cast<int64_t>(d.size()) ? d[idx] - '0' : 0;
        if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) return std::nullopt;
        magnitude = magnitude * 10 + static_cast<uint64_t>(digit);
    }
    // The fraction: its first digit and whether anything non-zero follows.
    int firstFraction = 0;
    bool restNonZero = false;
    for (int64_t k = intCount; k < significant; ++k) {
        const int digit = k < 0 ? 0 : d[first + k] - '0';
        if (k == intCount) firstFraction = digit;
        else if (digit != 0) restNonZero = true;
    }
    const bool roundUp =
        firstFraction > 5 || (firstFraction == 5 && (restNonZero || (magnitude & 1u) != 0));
    if (roundUp) ++magnitude;

    if (number.negative) {
        if (magnitude > static_cast<uint64_t>(-(minValue + 1)) + 1) return std::nullopt;
        return magnitude == 0 ? 0 : -static_cast<int64_t>(magnitude - 1) - 1;
    }
    if (magnitude > static_cast<uint64_t>(maxValue)) return std::nullopt;
    return static_cast<int64_t>(magnitude);
}

int32_t ReadLeadingNumber(TextView text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n')) ++i;
    DecimalNumber number;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        number.negative = text[i] == u'-';
        ++i;
    }
    if (!ReadDecimal(text, i, u'.', 0, number)) return 0;
    auto value = RoundHalfEven(number, std::numeric_limits<int32_t>::min(),
                               std::numeric_limits<int32_t>::max());
    if (!value) throw OverflowError();
    return static_cast<int32_t>(*value);
}

Text FormatCode0000(int32_t value) {
    std::string digits = std::to_string(value < 0 ? -static_cast<int64_t>(value) : value);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    if (value < 0) digits.insert(0, 1, '-');
    return AsciiToText(digits);
}

}  // namespace platform
