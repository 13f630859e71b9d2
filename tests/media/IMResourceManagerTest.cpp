// The texture registry: reference counts and slot reuse, the name rules, the executable's and the
// container's resources, eviction under a texture budget, device loss and restoring from copies.
#include "media/IMResourceManager.h"

#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/TextCodec.h"
#include "tests/media/PictureFixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

// The embedded fixture 9001 (tests/media/data/embedded/exercise/9001.png) at (0, 0).
constexpr uint32_t kResource9001TopLeft = 0xFF102040;

std::vector<uint8_t> Uniform(int width, int height, uint32_t argb) {
    return fixtures::EncodePng(
        fixtures::RgbaPicture(width, height, [=](int, int) { return argb; }));
}

class RegistryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(media.InitDirect3D(nullptr, true, 800, 600, 75), 0); }

    int Load(const std::wstring& name, const std::vector<uint8_t>& bytes) {
        return media.LoadTextureFromMemory(name, bytes.data(), bytes.size());
    }

    int RefCount(int index) { return media.Slot(index) ? media.Slot(index)->refCount : 0; }

    // What a draw of the whole picture at (0, 0) shows at its top-left pixel.
    uint32_t DrawnTopLeft(int index) {
        media.Clear(0xFF000000);
        const TextureSlot* slot = media.Slot(index);
        media.DrawTexture(index, slot ? slot->image : platform::Rect{0, 0, 1, 1});
        return media.ReadPixels().At(0, 0);
    }

    IMResourceManager media;
};

TEST_F(RegistryTest, ReferencesShareASlotAndFreedSlotsComeBackLastFirst) {
    int resource = media.LoadTexture(L"9001");
    ASSERT_NE(resource, media.InvalidTexture());
    EXPECT_EQ(media.LoadTexture(L"9001"), resource);
    EXPECT_EQ(RefCount(resource), 2);
    int other = Load(L"other", Uniform(2, 2, 0xFF00FF00));
    int third = Load(L"third", Uniform(2, 2, 0xFF0000FF));
    EXPECT_EQ(media.slotCount, 3u);

    media.ReleaseTexture(resource);
    EXPECT_EQ(media.FindTexture(L"9001"), resource);
    EXPECT_EQ(RefCount(resource), 1);
    media.ReleaseTexture(resource);
    EXPECT_EQ(media.FindTexture(L"9001"), media.InvalidTexture());
    EXPECT_EQ(media.textures[resource], nullptr);

    // Freed or out-of-range indices change nothing.
    EXPECT_EQ(media.AddTextureRef(resource), media.InvalidTexture());
    EXPECT_EQ(media.AddTextureRef(media.InvalidTexture()), media.InvalidTexture());
    media.ReleaseTexture(resource);
    media.ReleaseTexture(media.InvalidTexture());
    media.ReleaseTexture(-1);
    EXPECT_EQ(media.DrawTexture(resource, {0, 0, 10, 10}), 0);
    EXPECT_EQ(media.GetTexturePixel(resource, 0, 0), 0u);
    EXPECT_EQ(RefCount(other), 1);
    EXPECT_EQ(RefCount(third), 1);

    media.ReleaseTextureByName(L"third");
    // Last freed, first reused; the table does not grow while slots are free.
    EXPECT_EQ(Load(L"fourth", Uniform(1, 1, 0xFFFFFFFF)), third);
    EXPECT_EQ(Load(L"fifth", Uniform(1, 1, 0xFFFFFFFF)), resource);
    EXPECT_EQ(Load(L"sixth", Uniform(1, 1, 0xFFFFFFFF)), 3);
    EXPECT_EQ(media.slotCount, 4u);
    EXPECT_EQ(media.textureNames.size(), 4u);
}

TEST_F(RegistryTest, ANameIsRegisteredOnce) {
    int red = Load(L"picture", Uniform(2, 2, 0xFFFF0000));
    EXPECT_EQ(Load(L"picture", Uniform(4, 4, 0xFF00FF00)), red);
    EXPECT_EQ(RefCount(red), 2);
    EXPECT_EQ(media.GetTexturePixel(red, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(media.Slot(red)->image, (platform::Rect{0, 0, 2, 2}));
    // The same bytes under another name are another texture.
    EXPECT_NE(Load(L"picture 2", Uniform(2, 2, 0xFFFF0000)), red);
}

TEST_F(RegistryTest, DecimalNamesAreResourcesAndEverythingElseIsAPath) {
    // Files whose names only look like numbers, in a folder of their own.
    auto folder =
        std::filesystem::temp_directory_path() / ("zel-names-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    for (const char* name : {" 9001", "9001 "})
        fixtures::WriteFile(name, Uniform(1, 1, 0xFF0000FF));

    const uint32_t kFromFile = 0xFF0000FF, kNothing = 0;
    struct {
        const wchar_t* name;
        uint32_t topLeft;
    } cases[] = {
        {L"9001", kResource9001TopLeft},
        {L"09001", kResource9001TopLeft},
        {L"+9001", kResource9001TopLeft},
        {L"74537", kResource9001TopLeft},  // 9001 + 65536
        {L"-56535", kResource9001TopLeft}, // −56535 & 0xFFFF
        {L" 9001", kFromFile},
        {L"9001 ", kFromFile},
        {L"9 001", kNothing},
        {L"9001.0", kNothing},
        {L"99999999999", kNothing},
        {L"", kNothing},
        {L"9004", kNothing}, // a number that is nowhere
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << platform::WideToUtf8(c.name) << '"');
        uint32_t before = media.slotCount;
        int index = media.LoadTexture(c.name);
        if (c.topLeft == kNothing) {
            EXPECT_EQ(index, media.InvalidTexture());
            EXPECT_EQ(media.slotCount, before);
        } else {
            ASSERT_NE(index, media.InvalidTexture());
            EXPECT_EQ(DrawnTopLeft(index), c.topLeft);
        }
    }
    // Five 4 × 4 textures of the resource and two 1 × 1 of the files; the failures left nothing.
    EXPECT_EQ(media.device->TextureMemoryInUse(), size_t(5 * 4 * 4 * 4 + 2 * 1 * 1 * 4));
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
}

TEST_F(RegistryTest, ContainerResourcesComeAfterTheExecutables) {
    auto folder = std::filesystem::temp_directory_path() / ("zel-pak-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::string path = (folder / "Animations.pak").string();
    platform::SetAssetContainerPath(path);
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 8 * 8; ++i)
        rgb.insert(rgb.end(), {0x20, 0xA0, 0x60});
    std::vector<uint8_t> jpeg = fixtures::EncodeJpeg(8, 8, 3, rgb);
    std::vector<uint8_t> green = Uniform(2, 2, 0xFF00FF00);
    std::vector<platform::AssetContainerEntry> entries{{9002, green}, {9003, jpeg}};
    ASSERT_TRUE(platform::WriteAssetContainer(path, entries));

    // 9002 is in both: the executable's red wins over the container's green.
    EXPECT_EQ(DrawnTopLeft(media.LoadTexture(L"9002")), 0xFFFF0000u);
    // 9003 is only in the container, and a JPEG: the container stays open for the fallback.
    int fromContainer = media.LoadTexture(L"9003");
    ASSERT_NE(fromContainer, media.InvalidTexture());
    uint32_t pixel = media.GetTexturePixel(fromContainer, 3, 3);
    EXPECT_NEAR(int(pixel >> 16 & 0xFF), 0x20, 3);
    EXPECT_NEAR(int(pixel >> 8 & 0xFF), 0xA0, 3);
    EXPECT_NEAR(int(pixel & 0xFF), 0x60, 3);
    EXPECT_EQ(media.LoadTexture(L"9004"), media.InvalidTexture());

    platform::SetAssetContainerPath("");
    std::filesystem::remove_all(folder);
}

TEST_F(RegistryTest, UndecodableBytesLeaveNothingBehind) {
    std::string text = "not a picture";
    testing::internal::CaptureStderr();
    int index = media.LoadTextureFromMemory(L"text", text.data(), text.size());
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(index, media.InvalidTexture());
    EXPECT_EQ(media.slotCount, 0u);
    EXPECT_TRUE(media.textureNames.empty());
    EXPECT_EQ(media.device->TextureMemoryInUse(), 0u);
    EXPECT_NE(errors.find("libjpeg error: "), std::string::npos) << errors;
    EXPECT_EQ(media.DrawTexture(index, {0, 0, 10, 10}), 0);
}

TEST_F(RegistryTest, TextureSizesArePowersOfTwoWithABlankPicture) {
    const int widths[][2] = {{1, 1}, {2, 2}, {3, 4}, {800, 1024}, {0, 1}};
    for (const auto& [width, expected] : widths) {
        SCOPED_TRACE(width);
        int index = media.CreateBlankTexture(L"blank " + std::to_wstring(width), width, 5,
                                             platform::TextureFormat::A8R8G8B8);
        ASSERT_NE(index, media.InvalidTexture());
        const TextureSlot* slot = media.Slot(index);
        EXPECT_EQ(slot->textureWidth, expected);
        EXPECT_EQ(slot->textureHeight, 8);
        EXPECT_EQ(slot->image, (platform::Rect{0, 0, width, 5}));
        for (int i = 0; i < expected * 8 * 4; ++i)
            ASSERT_EQ(slot->pixels[i], 0) << "byte " << i;
    }
}

TEST_F(RegistryTest, TexturesMadeElsewhereRegisterWithACopyOfTheWholeTexture) {
    // The way the text rasteriser makes a glyph: its own texture, drawn into, then registered.
    auto texture = media.CreateTextureEvicting(L"glyph", 5, 3, platform::TextureFormat::A8R8G8B8);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->Width(), 8);
    EXPECT_EQ(texture->Height(), 4);
    {
        platform::TextureLock lock(*texture);
        uint32_t inside = 0xFF112233, below = 0x80445566;
        std::memcpy(lock.Bits() + 4 * 1, &inside, 4);
        std::memcpy(lock.Bits() + 3 * lock.Pitch() + 4 * 6, &below, 4);
    }
    int glyph = media.RegisterTexture(L"glyph", std::move(texture), 5, 3);
    ASSERT_NE(glyph, media.InvalidTexture());
    EXPECT_EQ(media.Slot(glyph)->image, (platform::Rect{0, 0, 5, 3}));
    EXPECT_EQ(media.GetTexturePixel(glyph, 1, 0), 0xFF112233u);
    EXPECT_EQ(media.GetTexturePixel(glyph, 6, 3), 0x80445566u) << "outside the picture too";
    EXPECT_EQ(media.GetTexturePixel(glyph, 0, 0), 0u);

    auto again = media.CreateTextureEvicting(L"glyph", 5, 3, platform::TextureFormat::A8R8G8B8);
    EXPECT_EQ(media.RegisterTexture(L"glyph", std::move(again), 5, 3), glyph);
    EXPECT_EQ(RefCount(glyph), 2);
    EXPECT_EQ(media.device->TextureMemoryInUse(), size_t(8 * 4 * 4)) << "the second was dropped";
}

TEST_F(RegistryTest, RunningOutOfTextureMemoryEvictsTheFirstOtherLiveTexture) {
    const size_t kTexture = 64 * 64 * 4;
    media.SetTextureMemoryBudget(3 * kTexture);
    int a = Load(L"a", Uniform(64, 64, 0xFFFF0000));
    int b = Load(L"b", Uniform(64, 64, 0xFF00FF00));
    int c = Load(L"c", Uniform(64, 64, 0xFF0000FF));
    ASSERT_EQ(media.device->TextureMemoryInUse(), 3 * kTexture);

    int d = Load(L"d", Uniform(64, 64, 0xFFFFFFFF));
    ASSERT_NE(d, media.InvalidTexture());
    EXPECT_EQ(media.Slot(a)->texture, nullptr);
    EXPECT_NE(media.Slot(a)->pixels, nullptr);
    EXPECT_NE(media.Slot(b)->texture, nullptr);
    EXPECT_NE(media.Slot(c)->texture, nullptr);

    // Drawing a brings it back from its copy, at the cost of b.
    EXPECT_EQ(DrawnTopLeft(a), 0xFFFF0000u);
    EXPECT_NE(media.Slot(a)->texture, nullptr);
    EXPECT_EQ(media.Slot(b)->texture, nullptr);
    EXPECT_EQ(media.device->TextureMemoryInUse(), 3 * kTexture);

    // A picture that can never fit evicts everything else, then gives up; nothing is lost.
    testing::internal::CaptureStderr();
    EXPECT_EQ(Load(L"huge", Uniform(128, 128, 0xFF808080)), media.InvalidTexture());
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("out of texture memory for \"huge\""), std::string::npos) << errors;
    EXPECT_EQ(media.FindTexture(L"huge"), media.InvalidTexture());
    EXPECT_EQ(DrawnTopLeft(b), 0xFF00FF00u);
    EXPECT_EQ(DrawnTopLeft(c), 0xFF0000FFu);
    EXPECT_EQ(DrawnTopLeft(d), 0xFFFFFFFFu);
}

TEST_F(RegistryTest, ATextureWithoutACopyIsNeverEvictedAndVanishesWithItsDevice) {
    const size_t kTexture = 64 * 64 * 4;
    media.SetTextureMemoryBudget(2 * kTexture);
    int uncopied = Load(L"uncopied", Uniform(64, 64, 0xFFFF0000));
    int copied = Load(L"copied", Uniform(64, 64, 0xFF00FF00));
    media.Slot(uncopied)->pixels.reset(); // as when the copy could not be made

    // Evicting the first live texture would lose its picture for good: the next one goes.
    int third = Load(L"third", Uniform(64, 64, 0xFF0000FF));
    ASSERT_NE(third, media.InvalidTexture());
    EXPECT_NE(media.Slot(uncopied)->texture, nullptr);
    EXPECT_EQ(media.Slot(copied)->texture, nullptr);
    EXPECT_EQ(DrawnTopLeft(uncopied), 0xFFFF0000u);

    // A device reset takes every device texture; without a copy the picture stays invisible.
    media.NotifyDeviceLost();
    ASSERT_TRUE(media.ResetDevice());
    EXPECT_EQ(DrawnTopLeft(uncopied), 0xFF000000u);
    EXPECT_EQ(media.GetTexturePixel(uncopied, 0, 0), 0u);
    EXPECT_EQ(DrawnTopLeft(copied), 0xFF00FF00u);
}

TEST_F(RegistryTest, ALostDeviceIsRecreatedAndTexturesComeBackFromTheirCopies) {
    int picture = Load(L"picture", Uniform(8, 8, 0xFF336699));
    // A video frame: its fourth byte is not alpha, and must not turn into one after a reset.
    int frame = media.CreateBlankTexture(L"frame", 8, 8, platform::TextureFormat::X8R8G8B8);
    media.SetTextureMemoryBudget(1 << 20);
    EXPECT_FALSE(media.IsDeviceLost());

    media.NotifyDeviceLost();
    EXPECT_TRUE(media.IsDeviceLost());
    EXPECT_TRUE(media.IsDeviceLost()) << "stays lost until reset";
    EXPECT_TRUE(media.ResetDevice());
    EXPECT_FALSE(media.IsDeviceLost());
    EXPECT_FALSE(media.device->IsLost()) << "a new device replaced the lost one";
    EXPECT_EQ(media.Slot(picture)->texture, nullptr);
    EXPECT_EQ(media.Slot(frame)->texture, nullptr);

    EXPECT_EQ(DrawnTopLeft(picture), 0xFF336699u);
    media.Clear(0xFFFFFFFF);
    media.DrawTexture(frame, {0, 0, 8, 8});
    EXPECT_EQ(media.ReadPixels().At(4, 4), 0xFF000000u) << "the blank frame draws opaque black";
    EXPECT_EQ(media.Slot(frame)->texture->Format(), platform::TextureFormat::X8R8G8B8);

    // The budget carries over to the new device.
    testing::internal::CaptureStderr();
    EXPECT_EQ(media.CreateBlankTexture(L"too big", 1024, 1024, platform::TextureFormat::A8R8G8B8),
              media.InvalidTexture());
    testing::internal::GetCapturedStderr();
}

TEST_F(RegistryTest, UpdateTextureWritesTheDeviceTextureButNotTheCopy) {
    int frame = media.CreateBlankTexture(L"frame", 3, 2, platform::TextureFormat::A8R8G8B8);
    int calls = 0;
    media.UpdateTexture(frame, [&](uint8_t* bits, int pitch, int rows) {
        ++calls;
        EXPECT_GE(pitch, 4 * 4);
        EXPECT_EQ(rows, 2);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < 3; ++x) {
                uint32_t argb = 0xFFAA5500;
                std::memcpy(bits + y * pitch + 4 * x, &argb, 4);
            }
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(DrawnTopLeft(frame), 0xFFAA5500u);
    EXPECT_EQ(media.GetTexturePixel(frame, 0, 0), 0u);

    media.UpdateTexture(frame, TextureWriter());
    media.UpdateTexture(media.InvalidTexture(), [&](uint8_t*, int, int) { ++calls; });
    EXPECT_EQ(calls, 1);
}

TEST_F(RegistryTest, GetTexturePixelReadsTheCopyAsArgbWithinTheTexture) {
    int resource = media.LoadTexture(L"9001");
    EXPECT_EQ(media.GetTexturePixel(resource, 0, 0), kResource9001TopLeft);
    // (1, 0): translucent, red 0x40, green 0x20.
    EXPECT_EQ(media.GetTexturePixel(resource, 1, 0), 0x80402040u);
    EXPECT_EQ(media.GetTexturePixel(resource, 3, 3), 0xFFA0B040u);
    media.EvictTexture(resource);
    EXPECT_EQ(media.GetTexturePixel(resource, 3, 3), 0xFFA0B040u);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 4}})
        EXPECT_EQ(media.GetTexturePixel(resource, x, y), 0u) << x << ", " << y;
}

TEST(ResourceManagerTest, FrameRateIsReportedInWholeFramesPerSecond) {
    struct {
        uint32_t frames;
        int64_t milliseconds;
        const wchar_t* line;
    } cases[] = {
        {2000, 10'000, L"FPS: 200\n"},
        {5'000'000, 5'000'000, L"FPS: 1000\n"}, // beyond what 32-bit products hold
        {10, 0, L"FPS: 0\n"},
    };
    for (const auto& c : cases) {
        platform::ManualClock clock;
        IMResourceManager media;
        media.frameCount = c.frames;
        clock.AdvanceMilliseconds(c.milliseconds);
        platform::DebugOutputCapture output;
        media.ReportFrameRate();
        EXPECT_EQ(output.Text(), c.line);
    }
}

TEST(ResourceManagerTest, NoDeviceMeansLostAndNothingDrawn) {
    IMResourceManager media;
    EXPECT_TRUE(media.IsDeviceLost());
    EXPECT_FALSE(media.ResetDevice());
    std::vector<uint8_t> bytes = Uniform(2, 2, 0xFFFFFFFF);
    EXPECT_EQ(media.LoadTextureFromMemory(L"x", bytes.data(), bytes.size()),
              media.InvalidTexture());
    EXPECT_EQ(media.GetViewport(), (platform::Rect{0, 0, 0, 0}));
    EXPECT_EQ(media.ReadPixels().pixels.size(), 0u);
}

TEST(ResourceManagerTest, TheGlobalIsClearedWithItsObject) {
    auto* media = new IMResourceManager;
    Renderer = media;
    delete media;
    EXPECT_EQ(Renderer, nullptr);
    EXPECT_EQ(CannotCreateDeviceText(),
              "\xCD\xE5 \xEC\xEE\xE3\xF3 \xF1\xEE\xE7\xE4\xE0\xF2\xFC \xF3\xF1\xF2\xF0\xEE\xE9"
              "\xF1\xF2\xE2\xEE Direct3D");
}

} // namespace
