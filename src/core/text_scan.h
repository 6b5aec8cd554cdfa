// The searches that reading an index file makes in every line: eight units at a time where the
// processor has the instructions for it (SSE2, which every 64-bit x86 has), one at a time
// elsewhere. Each answers as its plain loop would.
#pragma once

#include <cstddef>

#include "core/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text_scan {

// The position of the first unit at or after `from` that is one of `units`, or (with kAbove)
// above `highest`; the text's size when there is none. The one loop of every search below.
template <bool kAbove, class... Units>
inline size_t FindUnit(TextView text, size_t from, char16_t highest, Units... units) {
    const char16_t* const data = text.data();
    size_t i = from;
#if defined(__SSE2__)
    const __m128i top = _mm_set1_epi16(static_cast<short>(highest));
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        __m128i any = _mm_setzero_si128();
        ((any = _mm_or_si128(any, _mm_cmpeq_epi16(eight, _mm_set1_epi16(static_cast<short>(units))))), ...);
        int found = _mm_movemask_epi8(any);
        if constexpr (kAbove) {
            // Unsigned: a unit above `highest` leaves something after `highest` is taken away.
            const __m128i atMost = _mm_cmpeq_epi16(_mm_subs_epu16(eight, top), _mm_setzero_si128());
            found |= ~_mm_movemask_epi8(atMost) & 0xFFFF;
        }
        if (found != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(found))) / 2;
    }
#endif
    for (; i < text.size(); ++i) {
        const char16_t unit = data[i];
        if ((kAbove && unit > highest) || ((unit == units) || ...)) return i;
    }
    return text.size();
}

}  // namespace text_scan

// The position of the first unit at or after `from` that is `a` or `b`, or the text's size.
inline size_t FindUnitOf(TextView text, size_t from, char16_t a, char16_t b) {
    return text_scan::FindUnit<false>(text, from, 0, a, b);
}

// The position of the first unit at or after `from` that is `a`, `b`, `c` or `d`, or the text's size.
inline size_t FindUnitOf(TextView text, size_t from, char16_t a, char16_t b, char16_t c, char16_t d) {
    return text_scan::FindUnit<false>(text, from, 0, a, b, c, d);
}

// The position of the first unit at or after `from` that is above `highest` or is `a`, `b`,
// `c`, `d`, `e` or `f`, or the text's size: where escaping a text for a file has work to do.
inline size_t FindUnitAboveOrOf(TextView text, size_t from, char16_t highest, char16_t a, char16_t b, char16_t c,
                                char16_t d, char16_t e, char16_t f) {
    return text_scan::FindUnit<true>(text, from, highest, a, b, c, d, e, f);
}
