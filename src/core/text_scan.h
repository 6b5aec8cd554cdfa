// The searches that reading an index file makes in every line: eight units at a time where the
// processor has the instructions for it (SSE2, which every 64-bit x86 has), one or four at a
// time elsewhere. Each answers as its plain loop would.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The position of the first unit at or after `from` below `limit`, or the text's size.
inline size_t FindUnitBelow(TextView text, size_t from, char16_t limit) {
    const char16_t* const units = text.data();
    size_t i = from;
#if defined(__SSE2__)
    // A unit is below `limit` when taking `limit` - 1 from it leaves nothing (unsigned, saturated).
    const __m128i highest = _mm_set1_epi16(static_cast<short>(limit - 1));
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const int below = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(eight, highest), _mm_setzero_si128()));
        if (below != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(below))) / 2;
    }
#else
    // Four at a time: a borrow out of a 16-bit lane marks a unit below `limit` (for limits up
    // to 0x8000).
    if (limit <= 0x8000) {
        const uint64_t lanes = 0x0001000100010001u;
        for (uint64_t four; i + 4 <= text.size(); i += 4) {
            std::memcpy(&four, units + i, sizeof four);
            if (((four - lanes * limit) & ~four & lanes * 0x8000u) != 0) break;
        }
    }
#endif
    for (; i < text.size(); ++i)
        if (units[i] < limit) return i;
    return text.size();
}

// The position of the first unit at or after `from` that is `a`, `b`, `c` or `d`, or the text's size.
inline size_t FindUnitOf(TextView text, size_t from, char16_t a, char16_t b, char16_t c, char16_t d) {
    const char16_t* const units = text.data();
    size_t i = from;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(static_cast<short>(a)), vb = _mm_set1_epi16(static_cast<short>(b));
    const __m128i vc = _mm_set1_epi16(static_cast<short>(c)), vd = _mm_set1_epi16(static_cast<short>(d));
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i any = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(eight, va), _mm_cmpeq_epi16(eight, vb)),
                                         _mm_or_si128(_mm_cmpeq_epi16(eight, vc), _mm_cmpeq_epi16(eight, vd)));
        const int found = _mm_movemask_epi8(any);
        if (found != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(found))) / 2;
    }
#endif
    for (; i < text.size(); ++i) {
        const char16_t unit = units[i];
        if (unit == a || unit == b || unit == c || unit == d) return i;
    }
    return text.size();
}
