// Decoded frames written into frame textures: what the headless device draws, the frame coming
// back opaque after a device loss, and textures too small for the encoded frame.
#include "media/VideoFrameWriter.h"

#include "media/IMResourceManager.h"
#include "media/TheoraStream.h"
#include "tests/media/VideoFixtures.h"

#include <gtest/gtest.h>

using namespace videofixtures;

namespace {

class VideoFrameWriterTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(media.InitDirect3D(nullptr, true, 800, 600, 75), 0);
        stream.Open(bytes.data(), static_cast<int>(bytes.size()));
    }

    void DecodeFrames(int count) {
        for (int k = 0; k < count; ++k)
            ASSERT_TRUE(stream.DecodeNextFrame());
    }

    // The screen after drawing the texture's picture at (0, 0) over red.
    platform::Screenshot Drawn(int texture) {
        media.Clear(0xFFFF0000);
        media.DrawTexture(texture, media.Slot(texture)->image);
        return media.ReadPixels();
    }

    const std::vector<uint8_t> bytes = Counter();
    IMResourceManager media;
    TheoraStream stream;
};

int FrameOnScreen(const platform::Screenshot& screen) {
    const uint32_t pixel = screen.At(8, 8);
    EXPECT_EQ(pixel & 0xFF, (pixel >> 16) & 0xFF) << "a grey pixel";
    return CounterFrameOfGrey(static_cast<int>(pixel & 0xFF));
}

TEST_F(VideoFrameWriterTest, FrameDrawsTopRowFirstAndComesBackOpaqueAfterADeviceLoss) {
    const int texture = media.CreateBlankTexture(L"frame", kPictureWidth, kPictureHeight,
                                                 platform::TextureFormat::X8R8G8B8);
    ASSERT_TRUE(media.IsValidTexture(texture));
    EXPECT_EQ(Drawn(texture).At(8, 8), 0xFF000000u) << "a new frame texture is opaque black";

    DecodeFrames(6);
    WriteVideoFrame(media, texture, PlanesOf(stream.frameBuffer));
    platform::Screenshot screen = Drawn(texture);
    EXPECT_EQ(FrameOnScreen(screen), 5);
    EXPECT_EQ(screen.At(2, kPictureHeight - 2), 0xFF000000u) << "the black bottom stays below";
    EXPECT_EQ(screen.At(2, kPictureHeight), 0xFFFF0000u) << "only the picture is drawn";
    EXPECT_EQ(media.GetTexturePixel(texture, 8, 8) >> 24, 0xFFu);

    media.NotifyDeviceLost();
    ASSERT_TRUE(media.IsDeviceLost());
    ASSERT_TRUE(media.ResetDevice());
    ASSERT_EQ(media.Slot(texture)->texture, nullptr);
    screen = Drawn(texture);
    EXPECT_EQ(FrameOnScreen(screen), 5);
    EXPECT_EQ(screen.At(8, 8) >> 24, 0xFFu);
}

TEST_F(VideoFrameWriterTest, ATextureSmallerThanTheEncodedFrameTakesWhatFits) {
    const int texture =
        media.CreateBlankTexture(L"small frame", 12, 10, platform::TextureFormat::X8R8G8B8);
    ASSERT_EQ(media.Slot(texture)->textureWidth, 16);
    ASSERT_EQ(media.Slot(texture)->textureHeight, 16);
    DecodeFrames(3);
    WriteVideoFrame(media, texture, PlanesOf(stream.frameBuffer));
    EXPECT_EQ(FrameOnScreen(Drawn(texture)), 2);
    EXPECT_EQ(CounterFrameOfGrey(static_cast<int>(media.GetTexturePixel(texture, 15, 15) & 0xFF)),
              2);
}

} // namespace
