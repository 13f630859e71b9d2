// Conversion of decoded 4:2:0 Y'CbCr video frames into 32-bit BGRX texture rows.
//
// Every pixel follows one integer formula, with Y' = 74 × (Y − 16), Cb' = Cb − 128 and
// Cr' = Cr − 128 in 16-bit saturating arithmetic and each result shifted right by 6 and
// saturated to 0 … 255:
//
//     blue  = (Y' + 129 × Cb') >> 6
//     green = (Y' − 25 × Cb' − 52 × Cr') >> 6
//     red   = (Y' + 102 × Cr') >> 6
//
// (the Rec. 601 coefficients scaled by 64). Each chroma sample serves a 2 × 2 block of pixels.
// The fourth byte of every pixel is 0xFF, so a frame stays opaque in whatever format its texture
// is kept or restored.
#pragma once

#include <cstdint>

// The three planes of one decoded frame. Row r of a plane starts at its pointer + r × its stride,
// row 0 being the top row of the picture whatever the sign of the stride.
struct YuvPlanes {
    const uint8_t* y = nullptr;
    const uint8_t* cb = nullptr;
    const uint8_t* cr = nullptr;
    int yStride = 0;
    int chromaStride = 0;
    int width = 0; // of the luma plane
    int height = 0;
    int chromaWidth = 0;
    int chromaHeight = 0;
};

// Where the pixels go: `rows` rows of `columns` pixels, row r at bits + r × pitch.
struct BgrxTarget {
    uint8_t* bits = nullptr;
    int pitch = 0;
    int columns = 0;
    int rows = 0;
};

// The fourth byte of every converted pixel.
constexpr uint8_t kOpaqueByte = 0xFF;

// One pixel by the formula above, as the value a little-endian uint32 load of its four bytes gives
// (0xFF000000 | red << 16 | green << 8 | blue).
uint32_t ConvertYuvPixel(int y, int cb, int cr);

// Converts the top-left part of the frame that both the planes and the target hold: at most
// `target.columns` × `target.rows` pixels, and no more than the luma plane and twice the chroma
// planes cover, so a frame that does not fit the texture is cut rather than written past it.
// With `copy`, the same pixels go there too (a texture and its system-memory copy), and only
// what both targets hold is written. Two rows and sixteen pixels at a time with SSE2; the rest
// pixel by pixel.
void ConvertYuvToBgrx(const YuvPlanes& planes, const BgrxTarget& target,
                      const BgrxTarget* copy = nullptr);

// The same, pixel by pixel only: the reference the vectorised conversion must match exactly.
void ConvertYuvToBgrxScalar(const YuvPlanes& planes, const BgrxTarget& target,
                            const BgrxTarget* copy = nullptr);
