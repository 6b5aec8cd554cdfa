// The searches that reading an index file makes in every line, and the widening of its bytes
// in a single-byte code page: eight units (sixteen bytes) at a time where the
// processor has the instructions for it (SSE2), one at a time elsewhere. Every 64-bit x86 has
// SSE2, and the build says so; a 32-bit x86 build does not assume it (the DLLs load on any
// x86) but asks the processor once and takes the eight-at-a-time loop where it can. Each search
// answers as its plain loop would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/text.h"

#if defined(__SSE2__)
#define FOLIO_SCAN_SSE2 1
#elif defined(__i386__) && defined(__GNUC__)
#define FOLIO_SCAN_SSE2 1
#define FOLIO_SCAN_ASKS 1  // whether the processor has SSE2 is known when the library runs
#include <cpuid.h>
#endif

#if defined(FOLIO_SCAN_SSE2)
#include <emmintrin.h>
#endif

namespace text_scan {

// The plain loop: the position of the first unit at or after `from` that is one of `units`, or
// (with kAbove) above `highest`; the text's size when there is none.
template <bool kAbove, class... Units>
inline size_t FindUnitPlain(TextView text, size_t from, char16_t highest, Units... units) {
    const char16_t* const data = text.data();
    for (size_t i = from; i < text.size(); ++i) {
        const char16_t unit = data[i];
        if ((kAbove && unit > highest) || ((unit == units) || ...)) return i;
    }
    return text.size();
}

#if defined(FOLIO_SCAN_SSE2)
#if defined(FOLIO_SCAN_ASKS)
// Called only where the processor has SSE2; the stack is aligned for it on the way in, as
// Windows' 32-bit callers keep it to four bytes only.
#define FOLIO_SCAN_SSE2_FUNCTION __attribute__((target("sse2"), force_align_arg_pointer, noinline))
inline bool ProcessorHasSse2() {
    static const bool has = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        return __get_cpuid(1, &a, &b, &c, &d) != 0 && (d & bit_SSE2) != 0;
    }();
    return has;
}
#else
#define FOLIO_SCAN_SSE2_FUNCTION
inline bool ProcessorHasSse2() { return true; }
#endif

// FindUnitPlain eight units at a time.
template <bool kAbove, class... Units>
FOLIO_SCAN_SSE2_FUNCTION inline size_t FindUnitSse2(TextView text, size_t from, char16_t highest, Units... units) {
    const char16_t* const data = text.data();
    size_t i = from;
    // A unit is put in every lane as a 32-bit pair of it: a 16-bit broadcast compiles, in 32-bit
    // builds, to a store and a wider load that stalls on every call.
    const __m128i top = _mm_set1_epi32(static_cast<int>(0x10001u * highest));
    for (; i + 8 <= text.size(); i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        __m128i any = _mm_setzero_si128();
        ((any = _mm_or_si128(any, _mm_cmpeq_epi16(eight, _mm_set1_epi32(static_cast<int>(0x10001u * units))))), ...);
        int found = _mm_movemask_epi8(any);
        if constexpr (kAbove) {
            // Unsigned: a unit above `highest` leaves something after `highest` is taken away.
            const __m128i atMost = _mm_cmpeq_epi16(_mm_subs_epu16(eight, top), _mm_setzero_si128());
            found |= ~_mm_movemask_epi8(atMost) & 0xFFFF;
        }
        if (found != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(found))) / 2;
    }
    return FindUnitPlain<kAbove>(text, i, highest, units...);
}
#endif

// Which of the 32 units from `from` (at most the text's size) are `a` or `b`: bit k for the
// unit at from + k; units past the text's end are neither.
inline uint32_t UnitMaskPlain(TextView text, size_t from, char16_t a, char16_t b) {
    uint32_t mask = 0;
    const size_t count = text.size() - from < 32 ? text.size() - from : 32;
    for (size_t k = 0; k < count; ++k) {
        const char16_t unit = text[from + k];
        if (unit == a || unit == b) mask |= uint32_t{1} << k;
    }
    return mask;
}

#if defined(FOLIO_SCAN_SSE2)
// UnitMaskPlain, eight units to a comparison.
FOLIO_SCAN_SSE2_FUNCTION inline uint32_t UnitMaskSse2(TextView text, size_t from, char16_t a, char16_t b) {
    if (text.size() - from < 32) return UnitMaskPlain(text, from, a, b);
    const char16_t* const data = text.data() + from;
    const __m128i first = _mm_set1_epi32(static_cast<int>(0x10001u * a));
    const __m128i second = _mm_set1_epi32(static_cast<int>(0x10001u * b));
    // (No helper: in a 32-bit build only this function may use the instructions.)
    __m128i found[4];
    for (int k = 0; k < 4; ++k) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 8 * k));
        found[k] = _mm_or_si128(_mm_cmpeq_epi16(eight, first), _mm_cmpeq_epi16(eight, second));
    }
    // Each unit's 16-bit answer (all ones or none) narrowed to a byte: one bit a unit.
    const uint32_t low = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(found[0], found[1])));
    const uint32_t high = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(found[2], found[3])));
    return low | high << 16;
}
#endif

// The text of bytes of a single-byte code page, each byte's character from `chars` (its 256
// characters, each ASCII byte's its own), into `to`.
inline void WidenBytesPlain(std::string_view bytes, const char16_t* chars, char16_t* to) {
    const unsigned char* const from = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i < bytes.size(); ++i) to[i] = chars[from[i]];
}

#if defined(FOLIO_SCAN_SSE2)
// WidenBytesPlain sixteen bytes at a time where all are ASCII (most of a file).
FOLIO_SCAN_SSE2_FUNCTION inline void WidenBytesSse2(std::string_view bytes, const char16_t* chars, char16_t* to) {
    const unsigned char* const from = reinterpret_cast<const unsigned char*>(bytes.data());
    const __m128i zero = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 16 <= bytes.size(); i += 16) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        if (_mm_movemask_epi8(sixteen) != 0) {
            for (size_t k = i; k < i + 16; ++k) to[k] = chars[from[k]];
            continue;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_unpacklo_epi8(sixteen, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i + 8), _mm_unpackhi_epi8(sixteen, zero));
    }
    for (; i < bytes.size(); ++i) to[i] = chars[from[i]];
}
#endif

// The one search of every function below.
template <bool kAbove, class... Units>
inline size_t FindUnit(TextView text, size_t from, char16_t highest, Units... units) {
#if defined(FOLIO_SCAN_SSE2)
    if (ProcessorHasSse2()) return FindUnitSse2<kAbove>(text, from, highest, units...);
#endif
    return FindUnitPlain<kAbove>(text, from, highest, units...);
}

}  // namespace text_scan

// The text of bytes of a single-byte code page whose 256 characters are `chars` (each ASCII
// byte's its own), into `to`, which has room for a unit a byte.
inline void WidenBytes(std::string_view bytes, const char16_t* chars, char16_t* to) {
#if defined(FOLIO_SCAN_SSE2)
    if (text_scan::ProcessorHasSse2()) return text_scan::WidenBytesSse2(bytes, chars, to);
#endif
    text_scan::WidenBytesPlain(bytes, chars, to);
}

// Which of the 32 units from `from` (at most the text's size) are `a` or `b`: bit k for the
// unit at from + k. A reader that meets many short lines looks at 32 units once, not at each
// line's units in turn.
inline uint32_t UnitMaskOf(TextView text, size_t from, char16_t a, char16_t b) {
#if defined(FOLIO_SCAN_SSE2)
    if (text_scan::ProcessorHasSse2()) return text_scan::UnitMaskSse2(text, from, a, b);
#endif
    return text_scan::UnitMaskPlain(text, from, a, b);
}

// Whether two texts hold the same units, a word at a time, inline: the tags of every line and
// the keys of every lookup are compared so. (The library's memcmp is a call, and the C runtime
// that the 32-bit DLLs call under Wine compares a byte at a time.)
inline bool SameUnits(TextView a, TextView b) {
    if (a.size() != b.size()) return false;
    const char* x = reinterpret_cast<const char*>(a.data());
    const char* y = reinterpret_cast<const char*>(b.data());
    size_t left = a.size() * sizeof(char16_t);
    for (; left >= sizeof(size_t); x += sizeof(size_t), y += sizeof(size_t), left -= sizeof(size_t)) {
        size_t first, second;
        std::memcpy(&first, x, sizeof first);
        std::memcpy(&second, y, sizeof second);
        if (first != second) return false;
    }
    for (; left > 0; x += sizeof(char16_t), y += sizeof(char16_t), left -= sizeof(char16_t)) {
        char16_t first, second;
        std::memcpy(&first, x, sizeof first);
        std::memcpy(&second, y, sizeof second);
        if (first != second) return false;
    }
    return true;
}

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
