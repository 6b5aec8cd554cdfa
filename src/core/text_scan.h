// The searches that reading an index file makes in every line: eight units at a time where the
// processor has the instructions for it (SSE2, which every 64-bit x86 has), one at a time
// elsewhere. Each answers as its plain loop would.
#pragma once

#include <cstddef>

#include "core/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The position of the first unit at or after `from` that is `a` or `b`, or the text's size.
inline size_t FindUnitOf(TextView text, size_t from, char16_t a, char16_t b) {
    const char16_t* const units = text.data();
    size_t i = from;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(static_cast<short>(a)), vb = _mm_set1_epi16(static_cast<short>(b));
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(eight, va), _mm_cmpeq_epi16(eight, vb)));
        if (found != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(found))) / 2;
    }
#endif
    for (; i < text.size(); ++i)
        if (units[i] == a || units[i] == b) return i;
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

// The position of the first unit at or after `from` that is above `highest` or is `a`, `b`,
// `c`, `d`, `e` or `f`, or the text's size: where escaping a text for a file has work to do.
inline size_t FindUnitAboveOrOf(TextView text, size_t from, char16_t highest, char16_t a, char16_t b, char16_t c,
                                char16_t d, char16_t e, char16_t f) {
    const char16_t* const units = text.data();
    size_t i = from;
#if defined(__SSE2__)
    const __m128i top = _mm_set1_epi16(static_cast<short>(highest));
    const __m128i va = _mm_set1_epi16(static_cast<short>(a)), vb = _mm_set1_epi16(static_cast<short>(b));
    const __m128i vc = _mm_set1_epi16(static_cast<short>(c)), vd = _mm_set1_epi16(static_cast<short>(d));
    const __m128i ve = _mm_set1_epi16(static_cast<short>(e)), vf = _mm_set1_epi16(static_cast<short>(f));
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        // Unsigned: a unit above `highest` leaves something after `highest` is taken away.
        const __m128i above = _mm_cmpeq_epi16(_mm_subs_epu16(eight, top), _mm_setzero_si128());
        const __m128i any = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(eight, va), _mm_cmpeq_epi16(eight, vb)),
                         _mm_or_si128(_mm_cmpeq_epi16(eight, vc), _mm_cmpeq_epi16(eight, vd))),
            _mm_or_si128(_mm_cmpeq_epi16(eight, ve), _mm_cmpeq_epi16(eight, vf)));
        const int found = _mm_movemask_epi8(any) | (~_mm_movemask_epi8(above) & 0xFFFF);
        if (found != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(found))) / 2;
    }
#endif
    for (; i < text.size(); ++i) {
        const char16_t unit = units[i];
        if (unit > highest || unit == a || unit == b || unit == c || unit == d || unit == e || unit == f) return i;
    }
    return text.size();
}
