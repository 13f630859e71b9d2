// The Y'CbCr → BGRX conversion: a pixel-by-pixel reference and the SSE2 loop the video frames
// go through, which must give the same bytes.
#include "media/YuvConversion.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define ZEL_YUV_SSE2 1
#endif

namespace {

int Saturate16(int value) {
    return std::clamp(value, -32768, 32767);
}

uint32_t ToByte(int value) {
    return static_cast<uint32_t>(std::clamp(value >> 6, 0, 255));
}

// The part of the frame that is converted.
struct Extent {
    int columns = 0;
    int rows = 0;
};

Extent ConvertedExtent(const YuvPlanes& planes, const BgrxTarget& target, const BgrxTarget* copy) {
    if (!planes.y || !planes.cb || !planes.cr || !target.bits || (copy && !copy->bits))
        return {};
    Extent extent;
    extent.columns = std::min({target.columns, planes.width, 2 * planes.chromaWidth});
    extent.rows = std::min({target.rows, planes.height, 2 * planes.chromaHeight});
    if (copy) {
        extent.columns = std::min(extent.columns, copy->columns);
        extent.rows = std::min(extent.rows, copy->rows);
    }
    if (extent.columns <= 0 || extent.rows <= 0)
        return {};
    return extent;
}

const uint8_t* Row(const uint8_t* plane, int stride, int row) {
    return plane + static_cast<ptrdiff_t>(row) * stride;
}

uint8_t* Row(uint8_t* bits, int pitch, int row) {
    return bits + static_cast<ptrdiff_t>(row) * pitch;
}

// Columns first … columns − 1 of one row, pixel by pixel, into the target and the copy if any.
void ConvertRowScalar(const YuvPlanes& planes, const BgrxTarget& target, const BgrxTarget* copy,
                      int row, int first, int columns) {
    const uint8_t* y = Row(planes.y, planes.yStride, row);
    const uint8_t* cb = Row(planes.cb, planes.chromaStride, row / 2);
    const uint8_t* cr = Row(planes.cr, planes.chromaStride, row / 2);
    uint8_t* out = Row(target.bits, target.pitch, row);
    uint8_t* copied = copy ? Row(copy->bits, copy->pitch, row) : nullptr;
    for (int x = first; x < columns; ++x) {
        const uint32_t pixel = ConvertYuvPixel(y[x], cb[x / 2], cr[x / 2]);
        std::memcpy(out + 4 * static_cast<size_t>(x), &pixel, 4);
        if (copied)
            std::memcpy(copied + 4 * static_cast<size_t>(x), &pixel, 4);
    }
}

#if ZEL_YUV_SSE2

// Nothing reads a converted frame soon: the view shows the texture it writes only at the next
// frame, and the copy only after a device loss. So where a row allows, the stores bypass the
// cache, which keeps the decoder's reference frames there.
[[gnu::always_inline]] inline void Store(__m128i* to, __m128i pixels, bool aligned) {
    if (aligned)
        _mm_stream_si128(to, pixels);
    else
        _mm_storeu_si128(to, pixels);
}

// Sixteen pixels of one row from the luma bytes and the chroma terms of their eight samples, each
// term already doubled up so that lane i serves pixel i, into `out` and `copy` when not null. The
// terms carry the luma offset too: Y' + t = 74 × Y + (t − 74 × 16), the same sum, so the
// saturating additions saturate alike.
[[gnu::always_inline]] inline void ConvertSixteen(const uint8_t* luma, __m128i blueLow,
                                                  __m128i blueHigh, __m128i greenLow,
                                                  __m128i greenHigh, __m128i redLow,
                                                  __m128i redHigh, uint8_t* out, bool outAligned,
                                                  uint8_t* copy, bool copyAligned) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lumaScale = _mm_set1_epi16(74);
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(kOpaqueByte));

    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma));
    // 74 × Y lies within 0 … 18870: no 16-bit overflow.
    const __m128i low = _mm_mullo_epi16(_mm_unpacklo_epi8(bytes, zero), lumaScale);
    const __m128i high = _mm_mullo_epi16(_mm_unpackhi_epi8(bytes, zero), lumaScale);

    // The arithmetic shift keeps the sign, so negative sums pack to 0 and sums beyond 255 × 64
    // pack to 255.
    const __m128i blue = _mm_packus_epi16(_mm_srai_epi16(_mm_adds_epi16(low, blueLow), 6),
                                          _mm_srai_epi16(_mm_adds_epi16(high, blueHigh), 6));
    const __m128i green = _mm_packus_epi16(_mm_srai_epi16(_mm_subs_epi16(low, greenLow), 6),
                                           _mm_srai_epi16(_mm_subs_epi16(high, greenHigh), 6));
    const __m128i red = _mm_packus_epi16(_mm_srai_epi16(_mm_adds_epi16(low, redLow), 6),
                                         _mm_srai_epi16(_mm_adds_epi16(high, redHigh), 6));

    const __m128i blueGreenLow = _mm_unpacklo_epi8(blue, green);
    const __m128i blueGreenHigh = _mm_unpackhi_epi8(blue, green);
    const __m128i redOpaqueLow = _mm_unpacklo_epi8(red, opaque);
    const __m128i redOpaqueHigh = _mm_unpackhi_epi8(red, opaque);
    const __m128i p0 = _mm_unpacklo_epi16(blueGreenLow, redOpaqueLow);
    const __m128i p1 = _mm_unpackhi_epi16(blueGreenLow, redOpaqueLow);
    const __m128i p2 = _mm_unpacklo_epi16(blueGreenHigh, redOpaqueHigh);
    const __m128i p3 = _mm_unpackhi_epi16(blueGreenHigh, redOpaqueHigh);

    auto* to = reinterpret_cast<__m128i*>(out);
    Store(to + 0, p0, outAligned);
    Store(to + 1, p1, outAligned);
    Store(to + 2, p2, outAligned);
    Store(to + 3, p3, outAligned);
    if (copy) {
        auto* copied = reinterpret_cast<__m128i*>(copy);
        Store(copied + 0, p0, copyAligned);
        Store(copied + 1, p1, copyAligned);
        Store(copied + 2, p2, copyAligned);
        Store(copied + 3, p3, copyAligned);
    }
}

bool IsAligned(const uint8_t* address) {
    return (reinterpret_cast<uintptr_t>(address) & 15) == 0;
}

// Rows `row` and `row` + 1, which share one chroma row; returns the first column left undone.
int ConvertRowPairSse2(const YuvPlanes& planes, const BgrxTarget& target, const BgrxTarget* copy,
                       int row, int columns) {
    const uint8_t* y0 = Row(planes.y, planes.yStride, row);
    const uint8_t* y1 = Row(planes.y, planes.yStride, row + 1);
    const uint8_t* cb = Row(planes.cb, planes.chromaStride, row / 2);
    const uint8_t* cr = Row(planes.cr, planes.chromaStride, row / 2);
    uint8_t* out0 = Row(target.bits, target.pitch, row);
    uint8_t* out1 = Row(target.bits, target.pitch, row + 1);
    uint8_t* copy0 = copy ? Row(copy->bits, copy->pitch, row) : nullptr;
    uint8_t* copy1 = copy ? Row(copy->bits, copy->pitch, row + 1) : nullptr;
    const bool outAligned = IsAligned(out0) && IsAligned(out1);
    const bool copyAligned = copy && IsAligned(copy0) && IsAligned(copy1);

    const __m128i zero = _mm_setzero_si128();
    const __m128i neutral = _mm_set1_epi16(128);
    const __m128i lumaOffset = _mm_set1_epi16(74 * 16);
    int x = 0;
    for (; x + 16 <= columns; x += 16) {
        const __m128i blueDifference = _mm_sub_epi16(
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + x / 2)), zero),
            neutral);
        const __m128i redDifference = _mm_sub_epi16(
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr + x / 2)), zero),
            neutral);
        // With the luma offset taken in, the blue term lies within −17696 … 15199, the green
        // one (25 × Cb' + 52 × Cr' + 74 × 16, subtracted) within −8672 … 10963 and the red one
        // within −14240 … 11770: none overflows. The green difference never reaches the 16-bit
        // limits either, so subtracting its parts in one step gives what saturating steps give.
        const __m128i blueTerm =
            _mm_sub_epi16(_mm_mullo_epi16(blueDifference, _mm_set1_epi16(129)), lumaOffset);
        const __m128i greenTerm =
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(blueDifference, _mm_set1_epi16(25)),
                                        _mm_mullo_epi16(redDifference, _mm_set1_epi16(52))),
                          lumaOffset);
        const __m128i redTerm =
            _mm_sub_epi16(_mm_mullo_epi16(redDifference, _mm_set1_epi16(102)), lumaOffset);

        const __m128i blueLow = _mm_unpacklo_epi16(blueTerm, blueTerm);
        const __m128i blueHigh = _mm_unpackhi_epi16(blueTerm, blueTerm);
        const __m128i greenLow = _mm_unpacklo_epi16(greenTerm, greenTerm);
        const __m128i greenHigh = _mm_unpackhi_epi16(greenTerm, greenTerm);
        const __m128i redLow = _mm_unpacklo_epi16(redTerm, redTerm);
        const __m128i redHigh = _mm_unpackhi_epi16(redTerm, redTerm);

        const size_t offset = 4 * static_cast<size_t>(x);
        ConvertSixteen(y0 + x, blueLow, blueHigh, greenLow, greenHigh, redLow, redHigh,
                       out0 + offset, outAligned, copy ? copy0 + offset : nullptr, copyAligned);
        ConvertSixteen(y1 + x, blueLow, blueHigh, greenLow, greenHigh, redLow, redHigh,
                       out1 + offset, outAligned, copy ? copy1 + offset : nullptr, copyAligned);
    }
    return x;
}

#endif

} // namespace

uint32_t ConvertYuvPixel(int y, int cb, int cr) {
    const int luma = Saturate16(74 * (y - 16));
    const int blueDifference = cb - 128;
    const int redDifference = cr - 128;
    const int blue = Saturate16(luma + Saturate16(129 * blueDifference));
    const int green = Saturate16(Saturate16(luma - Saturate16(25 * blueDifference)) -
                                 Saturate16(52 * redDifference));
    const int red = Saturate16(luma + Saturate16(102 * redDifference));
    return uint32_t{kOpaqueByte} << 24 | ToByte(red) << 16 | ToByte(green) << 8 | ToByte(blue);
}

void ConvertYuvToBgrxScalar(const YuvPlanes& planes, const BgrxTarget& target,
                            const BgrxTarget* copy) {
    const Extent extent = ConvertedExtent(planes, target, copy);
    for (int row = 0; row < extent.rows; ++row)
        ConvertRowScalar(planes, target, copy, row, 0, extent.columns);
}

void ConvertYuvToBgrx(const YuvPlanes& planes, const BgrxTarget& target, const BgrxTarget* copy) {
#if ZEL_YUV_SSE2
    const Extent extent = ConvertedExtent(planes, target, copy);
    int row = 0;
    for (; row + 1 < extent.rows; row += 2) {
        const int done = ConvertRowPairSse2(planes, target, copy, row, extent.columns);
        ConvertRowScalar(planes, target, copy, row, done, extent.columns);
        ConvertRowScalar(planes, target, copy, row + 1, done, extent.columns);
    }
    if (row < extent.rows)
        ConvertRowScalar(planes, target, copy, row, 0, extent.columns);
    // The streaming stores are ordered with whatever reads the pixels next.
    _mm_sfence();
#else
    ConvertYuvToBgrxScalar(planes, target, copy);
#endif
}
