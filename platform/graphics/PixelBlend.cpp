// Source-over blending, one pixel at a time and four at a time.
#include "platform/graphics/PixelBlend.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace platform {
namespace {

inline uint32_t BlendPixel(uint32_t source, uint32_t target) {
    const uint32_t alpha = source >> 24;
    if (alpha == 0)
        return target;
    if (alpha == 255)
        return source;
    const uint32_t keep = 255 - alpha;
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t s = source >> shift & 0xFF, t = target >> shift & 0xFF;
        const uint32_t weight = shift == 24 ? 255 : alpha;
        result |= ((s * weight >> 8) + (t * keep >> 8)) << shift;
    }
    return result;
}

} // namespace

void BlendOverOneByOne(const uint32_t* source, uint32_t* target, int count) {
    for (int i = 0; i < count; ++i)
        target[i] = BlendPixel(source[i], target[i]);
}

void BlendOver(const uint32_t* source, uint32_t* target, int count) {
    int i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i full = _mm_set1_epi16(255);
    // The alpha channel's 16-bit lanes (the fourth of each pixel), weighted 255 on the source.
    const __m128i alphaLanes = _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0);
    for (; i + 4 <= count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i alpha = _mm_and_si128(s, alphaBits);
        const __m128i clear = _mm_cmpeq_epi32(alpha, zero);
        const __m128i opaque = _mm_cmpeq_epi32(alpha, alphaBits);
        if (_mm_movemask_epi8(clear) == 0xFFFF)
            continue;
        __m128i* to = reinterpret_cast<__m128i*>(target + i);
        if (_mm_movemask_epi8(opaque) == 0xFFFF) {
            _mm_storeu_si128(to, s);
            continue;
        }
        const __m128i t = _mm_loadu_si128(to);
        // Each pixel's alpha in all four of its 16-bit lanes.
        const __m128i a32 = _mm_srli_epi32(s, 24);
        const __m128i a16 = _mm_or_si128(a32, _mm_slli_epi32(a32, 16));
        const __m128i aLow = _mm_unpacklo_epi32(a16, a16);
        const __m128i aHigh = _mm_unpackhi_epi32(a16, a16);
        // Products stay within 255 × 255, below 2^16: the unsigned shift is exact.
        auto half = [&](__m128i sPart, __m128i tPart, __m128i a) {
            const __m128i weight = _mm_or_si128(a, alphaLanes);
            const __m128i keep = _mm_xor_si128(a, full);
            return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(sPart, weight), 8),
                                 _mm_srli_epi16(_mm_mullo_epi16(tPart, keep), 8));
        };
        const __m128i low = half(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(t, zero), aLow);
        const __m128i high = half(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(t, zero), aHigh);
        const __m128i blended = _mm_packus_epi16(low, high);
        const __m128i either = _mm_or_si128(clear, opaque);
        _mm_storeu_si128(to, _mm_or_si128(_mm_andnot_si128(either, blended),
                                          _mm_or_si128(_mm_and_si128(opaque, s),
                                                       _mm_and_si128(clear, t))));
    }
#endif
    BlendOverOneByOne(source + i, target + i, count - i);
}

void CopyOpaque(const uint32_t* source, uint32_t* target, int count) {
    for (int i = 0; i < count; ++i)
        target[i] = source[i] | 0xFF000000u;
}

} // namespace platform
