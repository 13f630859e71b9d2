// The PNG and JPEG decoders on real encoded bytes: every kind of PNG comes out as exact BGRA,
// and broken data fails with one line on stderr and nothing left behind.
#include "media/PictureDecoder.h"

#include "tests/media/PictureFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

using fixtures::PngPicture;

namespace {

class PictureDecoderTest : public testing::Test {
protected:
    std::unique_ptr<platform::GraphicsDevice> device =
        platform::GraphicsDevice::Create(nullptr, 8, 8);

    // The decoded texture's pixel as ARGB (from its bytes blue, green, red, alpha).
    static uint32_t Pixel(DecodedPicture& picture, int x, int y) {
        platform::TextureLock lock(*picture.texture);
        const uint8_t* p = lock.Bits() + y * lock.Pitch() + 4 * x;
        return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
};

struct PngCase {
    const char* what;
    PngPicture picture;
    // Expected ARGB of pixels (0, 0) and (1, 0).
    uint32_t first;
    uint32_t second;
};

PngPicture Samples(int colorType, int bitDepth, std::vector<uint8_t> samples) {
    PngPicture picture;
    picture.width = 2;
    picture.height = 1;
    picture.colorType = colorType;
    picture.bitDepth = bitDepth;
    picture.samples = std::move(samples);
    return picture;
}

PngPicture WithPalette(PngPicture picture, std::vector<uint8_t> transparency) {
    picture.palette = {{0x10, 0x20, 0x30}, {0xA0, 0xB0, 0xC0}};
    picture.transparency = std::move(transparency);
    return picture;
}

PngPicture WithGamma(PngPicture picture, double gamma) {
    picture.gamma = gamma;
    return picture;
}

PngPicture WithBackground(PngPicture picture, uint16_t red, uint16_t green, uint16_t blue) {
    picture.hasBackground = true;
    picture.background.red = red;
    picture.background.green = green;
    picture.background.blue = blue;
    return picture;
}

PngPicture Interlaced(PngPicture picture) {
    picture.interlaced = true;
    return picture;
}

TEST_F(PictureDecoderTest, EveryKindOfPngBecomesBgra) {
    const PngCase cases[] = {
        {"RGBA exactly as stored",
         Samples(PNG_COLOR_TYPE_RGBA, 8, {0x12, 0x34, 0x56, 0x78, 0xFE, 0xDC, 0xBA, 0x00}),
         0x78123456, 0x00FEDCBA},
        {"RGB opaque", Samples(PNG_COLOR_TYPE_RGB, 8, {0x12, 0x34, 0x56, 0x00, 0x00, 0x00}),
         0xFF123456, 0xFF000000},
        {"16-bit reduced to its high bytes",
         Samples(
             PNG_COLOR_TYPE_RGBA, 16,
             {0x12, 0xFF, 0x34, 0x00, 0x56, 0x80, 0x78, 0x01, 0xAB, 0xCD, 0, 0, 0, 0, 0xFF, 0xFF}),
         0x78123456, 0xFFAB0000},
        {"grey with alpha", Samples(PNG_COLOR_TYPE_GRAY_ALPHA, 8, {0x40, 0x80, 0xC0, 0xFF}),
         0x80404040, 0xFFC0C0C0},
        {"palette with transparency",
         WithPalette(Samples(PNG_COLOR_TYPE_PALETTE, 8, {0, 1}), {0x00, 0x99}), 0x00102030,
         0x99A0B0C0},
        {"palette without transparency is opaque",
         WithPalette(Samples(PNG_COLOR_TYPE_PALETTE, 8, {1, 0}), {}), 0xFFA0B0C0, 0xFF102030},
        {"grey is opaque", Samples(PNG_COLOR_TYPE_GRAY, 8, {0x33, 0xCC}), 0xFF333333, 0xFFCCCCCC},
        {"2-bit grey expands", Samples(PNG_COLOR_TYPE_GRAY, 2, {0b01'11'0000}), 0xFF555555,
         0xFFFFFFFF},
        // A linear file on a 2.2 screen: 64 → 255 × (64 / 255)^(1 / 2.2) = 135.9.
        {"gamma corrected",
         WithGamma(Samples(PNG_COLOR_TYPE_RGBA, 8, {64, 64, 64, 0x80, 255, 0, 0, 0xFF}), 1.0),
         0x80888888, 0xFFFF0000},
        // 1 / 2.2 on a 2.2 screen needs no correction.
        {"gamma already matching",
         WithGamma(Samples(PNG_COLOR_TYPE_RGBA, 8, {64, 64, 64, 0x80, 255, 0, 0, 0xFF}), 1 / 2.2),
         0x80404040, 0xFFFF0000},
        {"alpha composited onto the background comes out opaque",
         WithBackground(Samples(PNG_COLOR_TYPE_RGBA, 8, {0xFF, 0, 0, 0x00, 0, 0, 0xFF, 0xFF}), 0,
                        0xFF, 0),
         0xFF00FF00, 0xFF0000FF},
        {"interlaced", Interlaced(Samples(PNG_COLOR_TYPE_RGBA, 8, {1, 2, 3, 4, 5, 6, 7, 8})),
         0x04010203, 0x08050607},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = fixtures::EncodePng(c.picture);
        DecodedPicture picture = DecodePngFromMemory(device.get(), bytes.data(), bytes.size());
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture.width, 2);
        EXPECT_EQ(picture.height, 1);
        uint32_t first = Pixel(picture, 0, 0), second = Pixel(picture, 1, 0);
        // Gamma tables may round either way.
        for (int shift = 0; shift < 32; shift += 8) {
            EXPECT_NEAR(int(first >> shift & 0xFF), int(c.first >> shift & 0xFF), 1)
                << std::hex << first << " for " << c.first;
            EXPECT_NEAR(int(second >> shift & 0xFF), int(c.second >> shift & 0xFF), 1)
                << std::hex << second << " for " << c.second;
        }
    }
}

TEST_F(PictureDecoderTest, PictureSitsTopLeftInAPowerOfTwoTexture) {
    auto bytes = fixtures::EncodePng(fixtures::RgbaPicture(
        100, 30, [](int x, int y) { return 0xFF000000u | uint32_t(x) << 8 | uint32_t(y); }));
    DecodedPicture picture = DecodePngFromMemory(device.get(), bytes.data(), bytes.size());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture.width, 100);
    EXPECT_EQ(picture.height, 30);
    EXPECT_EQ(picture.texture->Width(), 128);
    EXPECT_EQ(picture.texture->Height(), 32);
    EXPECT_EQ(Pixel(picture, 0, 0), 0xFF000000u);
    EXPECT_EQ(Pixel(picture, 99, 29), 0xFF00631Du);
    EXPECT_EQ(Pixel(picture, 100, 0), 0u);
    EXPECT_EQ(Pixel(picture, 0, 30), 0u);
}

TEST_F(PictureDecoderTest, JpegIsTheFallbackForRgbAndGrey) {
    std::vector<uint8_t> rgb, grey;
    for (int i = 0; i < 16 * 8; ++i) {
        rgb.insert(rgb.end(), {0xC0, 0x40, 0x20});
        grey.push_back(0x70);
    }
    struct {
        const char* what;
        std::vector<uint8_t> bytes;
        uint32_t expected;
    } cases[] = {{"RGB", fixtures::EncodeJpeg(16, 8, 3, rgb), 0xFFC04020},
                 {"grey", fixtures::EncodeJpeg(16, 8, 1, grey), 0xFF707070}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodePngFromMemory(device.get(), c.bytes.data(), c.bytes.size()).status,
                  DecodeStatus::NotThisFormat);
        DecodedPicture picture =
            DecodePictureFromMemory(device.get(), c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture.width, 16);
        EXPECT_EQ(picture.height, 8);
        uint32_t pixel = Pixel(picture, 7, 3);
        for (int shift = 0; shift < 32; shift += 8)
            EXPECT_NEAR(int(pixel >> shift & 0xFF), int(c.expected >> shift & 0xFF), 3)
                << std::hex << pixel;
    }
}

TEST_F(PictureDecoderTest, BrokenDataFailsWithOneLineAndNothingLeft) {
    std::vector<uint8_t> png = fixtures::EncodePng(fixtures::RgbaPicture(
        40, 40, [](int x, int y) { return uint32_t(x * 7 + y * 13) * 0x01010101u; }));
    std::vector<uint8_t> corruptHeader = png;
    corruptHeader[20] ^= 0xFF; // inside IHDR, so its CRC no longer matches
    std::vector<uint8_t> rgb(32 * 32 * 3, 0x80);
    std::vector<uint8_t> jpeg = fixtures::EncodeJpeg(32, 32, 3, rgb);
    std::string text = "This is a text file, not a picture.\n";
    std::vector<uint8_t> huge = fixtures::EncodePng(
        fixtures::RgbaPicture(kMaxPictureSize + 1, 1, [](int, int) { return 0u; }));
    struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* line;
    } cases[] = {
        {"truncated PNG", std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2),
         "libpng error: "},
        {"PNG with a broken header", corruptHeader, "libpng error: "},
        {"PNG wider than any picture", huge, "libpng error: "},
        {"truncated JPEG", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2),
         "libjpeg error: "},
        {"neither PNG nor JPEG", std::vector<uint8_t>(text.begin(), text.end()), "libjpeg error: "},
        {"empty", {}, "libjpeg error: "},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing::internal::CaptureStderr();
        DecodedPicture picture =
            DecodePictureFromMemory(device.get(), c.bytes.data(), c.bytes.size());
        std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(picture.status, DecodeStatus::Failed);
        EXPECT_EQ(picture.texture, nullptr);
        EXPECT_EQ(device->TextureMemoryInUse(), 0u);
        // Exactly one error line, the decoder's; the library may add a warning before it.
        std::vector<std::string> errorLines;
        for (size_t start = 0, end; (end = errors.find('\n', start)) != std::string::npos;
             start = end + 1)
            if (std::string line = errors.substr(start, end - start);
                line.find("error") != line.npos)
                errorLines.push_back(line);
        ASSERT_EQ(errorLines.size(), 1u) << errors;
        EXPECT_EQ(errorLines[0].rfind(c.line, 0), 0u) << errors;
    }
}

// libpng allocates and clears a chunk as large as its length says before it reads the data.
TEST_F(PictureDecoderTest, AChunkThatAnnouncesGigabytesTakesNoMemory) {
    std::vector<uint8_t> png =
        fixtures::EncodePng(fixtures::RgbaPicture(4, 4, [](int, int) { return 0xFF336699u; }));
    // After the signature and IHDR, a suggested-palette chunk of 2^31 − 1 bytes, of which four
    // are there.
    const uint8_t chunk[] = {0x7F, 0xFF, 0xFF, 0xFF, 's', 'P', 'L', 'T', 'a', 0, 8, 0};
    png.insert(png.begin() + 8 + 25, std::begin(chunk), std::end(chunk));

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    testing::internal::CaptureStderr();
    DecodedPicture picture = DecodePictureFromMemory(device.get(), png.data(), png.size());
    testing::internal::GetCapturedStderr();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(picture.status, DecodeStatus::Failed);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "kilobytes more at the peak";
}

TEST_F(PictureDecoderTest, FilesOpenByTheirUtf8Names) {
    auto folder =
        std::filesystem::temp_directory_path() / ("zel-decoder-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::wstring path = folder.wstring() + L"/картинка «один».png";
    fixtures::WriteFile(
        folder.string() + "/картинка «один».png",
        fixtures::EncodePng(fixtures::RgbaPicture(3, 3, [](int, int) { return 0xFF123456u; })));
    std::vector<uint8_t> rgb(8 * 8 * 3, 0x80);
    fixtures::WriteFile(folder.string() + "/фото.jpg", fixtures::EncodeJpeg(8, 8, 3, rgb));

    DecodedPicture png = DecodePictureFromFile(device.get(), path);
    ASSERT_TRUE(png);
    EXPECT_EQ(Pixel(png, 2, 2), 0xFF123456u);
    DecodedPicture jpeg = DecodePictureFromFile(device.get(), folder.wstring() + L"/фото.jpg");
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg.width, 8);
    testing::internal::CaptureStderr();
    EXPECT_EQ(DecodePictureFromFile(device.get(), folder.wstring() + L"/нет.png").status,
              DecodeStatus::Failed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::filesystem::remove_all(folder);
}

} // namespace
