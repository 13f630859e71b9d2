// The Y'CbCr → BGRX conversion: the formula's values, the vectorised loop against the
// pixel-by-pixel one over every input, the edges of frames that are no multiple of its step,
// strides of either sign, and frames larger than their target.
#include "media/YuvConversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A frame with its planes in vectors, top row first, rows `padding` bytes longer than needed.
struct Frame {
    int width;
    int height;
    int padding;
    std::vector<uint8_t> y, cb, cr;

    Frame(int w, int h, int pad = 0)
        : width(w), height(h), padding(pad), y(static_cast<size_t>(w + pad) * h),
          cb(static_cast<size_t>((w + 1) / 2 + pad) * ((h + 1) / 2)),
          cr(static_cast<size_t>((w + 1) / 2 + pad) * ((h + 1) / 2)) {}

    int YStride() const { return width + padding; }
    int ChromaStride() const { return (width + 1) / 2 + padding; }
    uint8_t& Y(int x, int row) { return y[static_cast<size_t>(row) * YStride() + x]; }
    uint8_t& Cb(int x, int row) { return cb[static_cast<size_t>(row) * ChromaStride() + x]; }
    uint8_t& Cr(int x, int row) { return cr[static_cast<size_t>(row) * ChromaStride() + x]; }

    YuvPlanes Planes() const {
        return YuvPlanes{.y = y.data(),
                         .cb = cb.data(),
                         .cr = cr.data(),
                         .yStride = YStride(),
                         .chromaStride = ChromaStride(),
                         .width = width,
                         .height = height,
                         .chromaWidth = (width + 1) / 2,
                         .chromaHeight = (height + 1) / 2};
    }
};

struct Pixels {
    int columns;
    int rows;
    int pitch;
    std::vector<uint8_t> bytes;

    // Filled with a marker byte, so that pixels left alone can be told.
    Pixels(int c, int r, int extraBytes = 0)
        : columns(c), rows(r), pitch(4 * c + extraBytes),
          bytes(static_cast<size_t>(pitch) * r, 0xAB) {}

    BgrxTarget Target() { return BgrxTarget{bytes.data(), pitch, columns, rows}; }
    const uint8_t* At(int x, int row) const {
        return bytes.data() + static_cast<size_t>(row) * pitch + 4 * x;
    }
};

// The formula in plain int arithmetic: the 16-bit saturation of the sums only ever matters beyond
// what the final saturation to 0 … 255 cuts off anyway.
uint8_t Plain(int value) {
    return static_cast<uint8_t>(std::clamp(value >> 6, 0, 255));
}

TEST(YuvConversionTest, GivesTheFormulasValuesOnPixels) {
    struct Case {
        int y, cb, cr;
        uint8_t blue, green, red;
    };
    const Case cases[] = {
        {16, 128, 128, 0, 0, 0},        // black
        {235, 128, 128, 253, 253, 253}, // 74 × 219 >> 6 = 253
        {255, 255, 128, 255, 226, 255}, // blue saturates in 16 bits, then at 255
        {255, 128, 255, 255, 173, 255}, // red past 255
        {0, 128, 128, 0, 0, 0},         // below black
        {16, 0, 128, 0, 50, 0},         // green = 25 × 128 >> 6
        {128, 128, 0, 129, 233, 0},     // strong negative red difference
        {81, 90, 240, 0, 0, 253},       // a saturated red
    };
    // Each case fills one 2 × 2 block, the one chroma sample it has.
    Frame frame(2 * std::size(cases), 2);
    for (size_t i = 0; i < std::size(cases); ++i) {
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                frame.Y(2 * static_cast<int>(i) + dx, dy) = static_cast<uint8_t>(cases[i].y);
        frame.Cb(static_cast<int>(i), 0) = static_cast<uint8_t>(cases[i].cb);
        frame.Cr(static_cast<int>(i), 0) = static_cast<uint8_t>(cases[i].cr);
    }
    Pixels pixels(frame.width, 2);
    ConvertYuvToBgrx(frame.Planes(), pixels.Target());
    for (size_t i = 0; i < std::size(cases); ++i)
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) {
                const uint8_t* p = pixels.At(2 * static_cast<int>(i) + dx, dy);
                const Case& c = cases[i];
                EXPECT_EQ(p[0], c.blue) << "Y " << c.y << " Cb " << c.cb << " Cr " << c.cr;
                EXPECT_EQ(p[1], c.green) << "Y " << c.y << " Cb " << c.cb << " Cr " << c.cr;
                EXPECT_EQ(p[2], c.red) << "Y " << c.y << " Cb " << c.cb << " Cr " << c.cr;
                EXPECT_EQ(p[3], kOpaqueByte);
            }
}

TEST(YuvConversionTest, VectorisedLoopMatchesThePixelFormulaForEveryInput) {
    // Chroma sample (cb, cr) sits at column cb, row cr; its four pixels take four luma values,
    // and 64 passes take every luma value through every chroma pair.
    Frame frame(512, 512);
    for (int row = 0; row < 256; ++row)
        for (int x = 0; x < 256; ++x) {
            frame.Cb(x, row) = static_cast<uint8_t>(x);
            frame.Cr(x, row) = static_cast<uint8_t>(row);
        }
    Pixels vectorised(512, 512), scalar(512, 512);
    for (int pass = 0; pass < 64; ++pass) {
        for (int row = 0; row < 512; ++row)
            for (int x = 0; x < 512; ++x)
                frame.Y(x, row) = static_cast<uint8_t>(4 * pass + (x & 1) + 2 * (row & 1));
        ConvertYuvToBgrxScalar(frame.Planes(), scalar.Target());
        ConvertYuvToBgrx(frame.Planes(), vectorised.Target());
        ASSERT_EQ(vectorised.bytes, scalar.bytes) << "pass " << pass;

        for (int row = 0; row < 512; ++row)
            for (int x = 0; x < 512; ++x) {
                const int y = frame.Y(x, row), cb = x / 2 - 128, cr = row / 2 - 128;
                const int luma = 74 * (y - 16);
                const uint8_t* p = scalar.At(x, row);
                const uint8_t expected[4] = {Plain(luma + 129 * cb),
                                             Plain(luma - 25 * cb - 52 * cr),
                                             Plain(luma + 102 * cr), kOpaqueByte};
                if (std::memcmp(p, expected, 4) != 0)
                    FAIL() << "Y " << y << " Cb " << cb + 128 << " Cr " << cr + 128;
            }
    }
}

TEST(YuvConversionTest, EdgesStridesAndTargetsOfAnySize) {
    struct Case {
        const char* what;
        int frameWidth, frameHeight, padding;
        int columns, rows;
        bool bottomUp; // planes stored last row first, handed over with negative strides
    };
    const Case cases[] = {
        {"one step", 16, 2, 0, 16, 2, false},
        {"columns and a row beyond the steps", 48, 10, 0, 37, 5, false},
        {"fewer columns than one step", 16, 16, 0, 15, 3, false},
        {"a single row", 32, 16, 0, 32, 1, false},
        {"padded rows", 40, 6, 24, 40, 6, false},
        {"bottom-up planes", 48, 12, 8, 48, 12, true},
        {"bottom-up planes, cut", 48, 12, 0, 35, 7, true},
        {"target larger than the frame", 32, 8, 0, 50, 11, false},
    };
    for (const Case& c : cases) {
        Frame frame(c.frameWidth, c.frameHeight, c.padding);
        unsigned seed = 12345;
        auto next = [&] { return static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16); };
        for (uint8_t& v : frame.y)
            v = next();
        for (uint8_t& v : frame.cb)
            v = next();
        for (uint8_t& v : frame.cr)
            v = next();

        // The reference: top-down planes converted pixel by pixel.
        Pixels expected(c.columns, c.rows, 12);
        ConvertYuvToBgrxScalar(frame.Planes(), expected.Target());

        YuvPlanes planes = frame.Planes();
        Frame flipped = frame;
        if (c.bottomUp) {
            const int chromaRows = (c.frameHeight + 1) / 2;
            for (int row = 0; row < c.frameHeight; ++row)
                std::memcpy(&flipped.Y(0, c.frameHeight - 1 - row), &frame.Y(0, row),
                            frame.YStride());
            for (int row = 0; row < chromaRows; ++row) {
                std::memcpy(&flipped.Cb(0, chromaRows - 1 - row), &frame.Cb(0, row),
                            frame.ChromaStride());
                std::memcpy(&flipped.Cr(0, chromaRows - 1 - row), &frame.Cr(0, row),
                            frame.ChromaStride());
            }
            planes.y = &flipped.Y(0, c.frameHeight - 1);
            planes.cb = &flipped.Cb(0, chromaRows - 1);
            planes.cr = &flipped.Cr(0, chromaRows - 1);
            planes.yStride = -planes.yStride;
            planes.chromaStride = -planes.chromaStride;
        }
        // The second target has rows of another length; it gets the same pixels.
        Pixels actual(c.columns, c.rows, 12), copy(c.columns + 5, c.rows + 1);
        const BgrxTarget copyTarget = copy.Target();
        ConvertYuvToBgrx(planes, actual.Target(), &copyTarget);
        EXPECT_EQ(actual.bytes, expected.bytes) << c.what;

        // Only what both the frame and the target hold is written.
        const int columns = std::min(c.columns, c.frameWidth);
        const int rows = std::min(c.rows, c.frameHeight);
        for (int row = 0; row < c.rows; ++row)
            for (int x = 0; x < c.columns + 3; ++x) { // the pitch holds three pixels more
                const uint8_t* p = actual.At(x, row);
                if (x >= columns || row >= rows) {
                    EXPECT_EQ(p[0], 0xAB) << c.what << " at " << x << ", " << row;
                } else {
                    EXPECT_EQ(p[3], kOpaqueByte) << c.what << " at " << x << ", " << row;
                    EXPECT_EQ(std::memcmp(p, copy.At(x, row), 4), 0)
                        << c.what << ", the copy at " << x << ", " << row;
                }
            }
        EXPECT_EQ(*copy.At(columns, 0), 0xAB) << c.what;
        EXPECT_EQ(*copy.At(0, rows), 0xAB) << c.what;
    }
}

} // namespace
