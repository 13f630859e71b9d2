// The Theora view over real streams on the headless window: the frame textures and their names,
// showing the frame prepared by the previous call, jumps, rewinding, the end of the data, broken
// streams, a lost device, and playing under the animation control.
#include "gui/IMTheoraView.h"

#include "gui/IMAnimationBase.h"
#include "tests/gui/GuiFixture.h"
#include "tests/media/VideoFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

using namespace videofixtures;

namespace {

// What a screen pixel of a counter frame says: the frame's number, kBlack, or −1 for anything else.
constexpr int kBlack = -2;

int FrameOfPixel(uint32_t rgb) {
    if ((rgb & 0xFFFFFF) == 0)
        return kBlack;
    const int blue = rgb & 0xFF, green = (rgb >> 8) & 0xFF, red = (rgb >> 16) & 0xFF;
    if (blue != green || green != red)
        return -1;
    return CounterFrameOfGrey(blue);
}

class TheoraViewTest : public GuiTest {
protected:
    // The counter frame the view shows, drawn over red at its picture size.
    int Shown(IMTheoraView& view) {
        view.SetRect(platform::Rect{0, 0, kPictureWidth, kPictureHeight});
        Renderer->Clear(0xFFFF0000);
        view.Render();
        return FrameOfPixel(Renderer->ReadPixels().At(8, 8));
    }

    // The counter frame waiting in the view's back texture (read from its pixel copy).
    int Prepared(const IMTheoraView& view) {
        return FrameOfPixel(Renderer->GetTexturePixel(view.backTexture, 8, 8));
    }

    std::unique_ptr<IMTheoraView> Loaded(const std::vector<uint8_t>& bytes) {
        auto view = std::make_unique<IMTheoraView>();
        view->LoadFromMemory(bytes.data(), static_cast<int>(bytes.size()));
        return view;
    }

    // The message the load raises, checking that the failed view stays usable and goes away.
    std::string LoadError(const std::vector<uint8_t>& bytes) {
        auto view = std::make_unique<IMTheoraView>();
        std::string message;
        try {
            view->LoadFromMemory(bytes.data(), static_cast<int>(bytes.size()));
        } catch (const std::runtime_error& error) {
            message = error.what();
        }
        view->SetFrame(3);
        EXPECT_EQ(view->GetFrame(), 3);
        return message;
    }

    const std::vector<uint8_t> counter = Counter();
};

TEST_F(TheoraViewTest, LoadingShowsTheBlackTextureWithFrameZeroPreparedInTheOther) {
    const int load = IMTheoraView::loadCounter;
    auto first = Loaded(counter);
    auto second = Loaded(counter);
    EXPECT_EQ(IMTheoraView::loadCounter, load + 2);
    for (const auto& [view, number] : {std::pair{first.get(), load}, {second.get(), load + 1}}) {
        EXPECT_EQ(Renderer->FindTexture(L"IMTheoraView1" + std::to_wstring(number)),
                  view->shownTexture);
        EXPECT_EQ(Renderer->FindTexture(L"IMTheoraView2" + std::to_wstring(number)),
                  view->backTexture);
        const TextureSlot* slot = Renderer->Slot(view->shownTexture);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->format, platform::TextureFormat::X8R8G8B8);
        EXPECT_EQ(slot->image, (platform::Rect{0, 0, kPictureWidth, kPictureHeight}));
    }

    IMTheoraView& view = *first;
    EXPECT_EQ(view.GetFrame(), 0);
    EXPECT_EQ(view.GetLastFrame(), 2147483647);
    EXPECT_EQ(view.GetSourceRect(), (platform::Rect{0, 0, kPictureWidth, kPictureHeight}));
    EXPECT_EQ(Shown(view), kBlack);
    EXPECT_EQ(Prepared(view), 0);
    EXPECT_EQ(view.decodedCount, 1);

    view.SetFrame(0);
    EXPECT_EQ(Shown(view), 0);
    EXPECT_EQ(Prepared(view), 1);
}

TEST_F(TheoraViewTest, FramesComeInOrderOneDecodeEachUntilTheEndFixesTheLastFrame) {
    auto view = Loaded(counter);
    for (int k = 0; k < kCounterFrames; ++k) {
        view->SetFrame(k);
        EXPECT_EQ(Shown(*view), k);
        EXPECT_EQ(view->decodedCount, std::min(k + 2, kCounterFrames)) << "after SetFrame " << k;
        if (k + 1 < kCounterFrames) {
            EXPECT_EQ(view->GetLastFrame(), 2147483647);
            EXPECT_EQ(Prepared(*view), k + 1);
        }
    }
    // The request for frame 24 looked for frame 25 and found the end of the data.
    EXPECT_EQ(view->GetLastFrame(), kCounterFrames - 1);
    EXPECT_EQ(view->stream.dataRead, static_cast<int>(counter.size()));
}

TEST_F(TheoraViewTest, AJumpShowsThePreparedFrameAndPreparesTheOneAfterTheRequest) {
    auto view = Loaded(counter);
    view->SetFrame(1);
    view->SetFrame(5);
    EXPECT_EQ(Shown(*view), 2);
    EXPECT_EQ(view->currentFrame, 6);
    EXPECT_EQ(Prepared(*view), 6);
    view->SetFrame(6);
    EXPECT_EQ(Shown(*view), 6);
}

TEST_F(TheoraViewTest, ARequestBehindAfterTheEndRewindsTheStream) {
    auto view = Loaded(counter);
    for (int k = 0; k < kCounterFrames; ++k)
        view->SetFrame(k);
    ASSERT_EQ(view->GetLastFrame(), kCounterFrames - 1);

    view->SetFrame(0);
    EXPECT_EQ(Shown(*view), kCounterFrames - 2) << "the frame the last prepared texture holds";
    EXPECT_EQ(view->currentFrame, 1);
    EXPECT_EQ(Prepared(*view), 1);
    for (int k = 1; k < kCounterFrames; ++k) {
        view->SetFrame(k);
        EXPECT_EQ(Shown(*view), k);
    }
    EXPECT_EQ(view->GetLastFrame(), kCounterFrames - 1);
}

TEST_F(TheoraViewTest, AStreamWithoutFramesEndsIdleOnItsBlackTexture) {
    auto view = Loaded(HeadersOnly());
    EXPECT_EQ(view->GetLastFrame(), 0);
    EXPECT_EQ(view->decodedCount, 0);
    view->SetFrame(0);
    view->SetFrame(1);
    EXPECT_EQ(Shown(*view), kBlack);
}

TEST_F(TheoraViewTest, BrokenStreamsRaiseTheirMessagesAndLeaveAViewThatGoesAwayAtOnce) {
    const std::vector<Page> pages = Pages(counter);
    std::vector<uint8_t> corruptHeader = counter;
    corruptHeader[PacketStarts(counter)[1]] = 0x85;
    std::vector<uint8_t> corruptFirstFrame = counter;
    corruptFirstFrame[PacketStarts(counter)[3]] |= 0x80;
    FixChecksums(corruptHeader);
    FixChecksums(corruptFirstFrame);

    const int load = IMTheoraView::loadCounter;
    EXPECT_EQ(LoadError({}), "eof searched, terminate...");
    EXPECT_EQ(LoadError(Cut(counter, pages[0].End())), "eof searched, terminate...");
    EXPECT_EQ(LoadError(Cut(counter, pages[2].offset + 10)), "eof searched. terminate...");
    EXPECT_EQ(LoadError(corruptHeader), "error during theora_decode_header (corrupt stream)");
    EXPECT_EQ(IMTheoraView::loadCounter, load) << "no frame textures for streams without headers";
    EXPECT_EQ(LoadError(corruptFirstFrame), "error during theora_decode_packetin...");
}

TEST_F(TheoraViewTest, FrameTexturesThatCannotBeMadeLeaveOtherTexturesAlone) {
    // The registry's invalid index names the next slot registered: a view that kept it would
    // release someone else's picture when it goes.
    int other;
    {
        IMTheoraView view;
        // No texture memory at all, so neither frame texture can be made.
        Renderer->SetTextureMemoryBudget(1);
        testing::internal::CaptureStderr();
        view.LoadFromMemory(counter.data(), static_cast<int>(counter.size()));
        testing::internal::GetCapturedStderr();
        Renderer->SetTextureMemoryBudget(0);
        EXPECT_EQ(view.shownTexture, -1);
        EXPECT_EQ(view.backTexture, -1);
        other = MakeSolidPicture(L"other", 4, 4, 0xFF00FF00);
        view.SetFrame(0);
    }
    EXPECT_EQ(Renderer->FindTexture(L"other"), other);
}

TEST_F(TheoraViewTest, AFrameTheDecoderRejectsRaisesFromSetFrameAndPlayingGoesOn) {
    std::vector<uint8_t> bytes = counter;
    bytes[PacketStarts(bytes)[3 + 10]] |= 0x80;
    FixChecksums(bytes);
    auto view = Loaded(bytes);
    for (int k = 0; k < 9; ++k)
        view->SetFrame(k);
    try {
        view->SetFrame(9); // prepares frame 10
        FAIL() << "frame 10 decoded";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "error during theora_decode_packetin...");
    }
    EXPECT_EQ(Shown(*view), 9);
    view->SetFrame(10);
    view->SetFrame(11);
    EXPECT_EQ(Shown(*view), 11);
    view->SetFrame(12);
    EXPECT_EQ(Shown(*view), 12);
}

TEST_F(TheoraViewTest, WhileTheDeviceIsLostFramesAreDecodedButNotWritten) {
    auto view = Loaded(counter);
    view->SetFrame(0);
    view->SetFrame(1);
    Renderer->NotifyDeviceLost();
    ASSERT_TRUE(Renderer->IsDeviceLost());
    view->SetFrame(2);
    EXPECT_EQ(view->currentFrame, 3);
    EXPECT_EQ(Prepared(*view), 1) << "frame 3 was not written over frame 1";

    ASSERT_TRUE(Renderer->ResetDevice());
    // The frame shown before comes back from its copy, opaque.
    EXPECT_EQ(Shown(*view), 2);
    view->SetFrame(3);
    EXPECT_EQ(Shown(*view), 1);
    view->SetFrame(4);
    EXPECT_EQ(Shown(*view), 4);
}

TEST_F(TheoraViewTest, TheAnimationControlPlaysTheStreamOnceAndStops) {
    auto* animation = new IMAnimationBase<IMTheoraView>(MainWindow, 0);
    animation->LoadFromMemory(counter.data(), static_cast<int>(counter.size()));
    animation->SetRect(platform::Rect{0, 0, kPictureWidth, kPictureHeight});
    Log(animation->OnStop, "stop");
    animation->Play();
    Pass();
    // Play changes no frame and the control asks for none while frame 0 is due, so the black
    // texture shows for the first period. The first call, SetFrame(1), shows frame 0 and prepares
    // frame 2 (frame 1 is skipped); from then on the frame due shows.
    EXPECT_EQ(FrameOfPixel(ScreenAt(8, 8)), kBlack);
    for (int period = 1; period < kCounterFrames; ++period) {
        AdvanceMilliseconds(40);
        Pass();
        EXPECT_EQ(FrameOfPixel(ScreenAt(8, 8)), period == 1 ? 0 : period) << "period " << period;
    }
    EXPECT_EQ(animation->GetLastFrame(), kCounterFrames - 1);
    EXPECT_TRUE(log.empty());
    AdvanceMilliseconds(40);
    Pass();
    EXPECT_EQ(log.size(), 1u);
    EXPECT_FALSE(animation->playing);
    EXPECT_EQ(FrameOfPixel(ScreenAt(8, 8)), kCounterFrames - 1);
}

} // namespace

namespace {

// A stream the decoder refuses, at its start or in its middle, or no stream
// at all: the animation says so on stderr and ends as a played one ends.
TEST_F(TheoraViewTest, AnAnimationThatCannotBeDecodedSaysSoAndEndsAsIfPlayedThrough) {
    std::vector<uint8_t> corruptHeader = counter;
    corruptHeader[PacketStarts(counter)[1]] = 0x85;
    FixChecksums(corruptHeader);
    std::vector<uint8_t> corruptFrame = counter;
    corruptFrame[PacketStarts(counter)[3 + 10]] |= 0x80;
    FixChecksums(corruptFrame);
    struct Row {
        const char* what;
        const std::vector<uint8_t>* bytes;
        bool loads;
        int periodsToEnd;
        const char* message;
    };
    const Row rows[] = {
        {"corrupt header", &corruptHeader, false, 0,
         "animation: error during theora_decode_header (corrupt stream)\n"},
        {"corrupt frame", &corruptFrame, true, 9,
         "animation: error during theora_decode_packetin...\n"},
        {"no stream", nullptr, false, 0, "animation: no stream\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        log.clear();
        auto* animation = new IMAnimationBase<IMTheoraView>(MainWindow, 0);
        animation->SetRect(platform::Rect{0, 0, kPictureWidth, kPictureHeight});
        testing::internal::CaptureStderr();
        if (row.bytes)
            EXPECT_EQ(animation->LoadOrEnd(row.bytes->data(), static_cast<int>(row.bytes->size())),
                      row.loads);
        else
            animation->EndUnplayable("no stream");
        Log(animation->OnStop, "stop");
        animation->Play();
        Pass();
        for (int period = 1; period <= row.periodsToEnd; ++period) {
            EXPECT_TRUE(log.empty()) << "period " << period;
            AdvanceMilliseconds(40);
            Pass();
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), row.message);
        EXPECT_EQ(log, std::vector<std::string>{"stop 0"});
        EXPECT_FALSE(animation->playing);
        AdvanceMilliseconds(400);
        Pass();
        EXPECT_EQ(log.size(), 1u);
        animation->Close(IMEvent(animation, IMEventCode::Close));
        Pass();
    }
}

} // namespace
