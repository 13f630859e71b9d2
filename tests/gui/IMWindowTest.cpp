// The root window: its timers, rendering on demand while shown, and the
// pointer entering and leaving the window as a whole.
#include "GuiFixture.h"

#include "platform/WinCodes.h"

#include <functional>
#include <optional>

using namespace platform;

using IMWindowTest = GuiTest;

TEST_F(IMWindowTest, DueTimersFireOncePerPassInAscendingIdOrder) {
    const int slow = window->AddTimer(30);
    const int fast = window->AddTimer(10);
    EXPECT_EQ(slow, 1);
    EXPECT_EQ(fast, 2);
    window->ConnectTimer(fast, [&](const IMEvent& e) {
        EXPECT_EQ(e.control, window);
        log.push_back("fast");
        return 0L;
    });
    window->ConnectTimer(slow, [&](const IMEvent&) {
        log.push_back("slow");
        return 0L;
    });
    auto after = [&](int milliseconds) {
        log.clear();
        AdvanceMilliseconds(milliseconds);
        Pass();
        return log;
    };
    using Fired = std::vector<std::string>;
    EXPECT_EQ(after(9), Fired{});
    EXPECT_EQ(after(1), Fired{"fast"});
    EXPECT_EQ(after(20), (Fired{"slow", "fast"}));
    // Missed periods are not made up, and each period starts at the firing.
    EXPECT_EQ(after(100), (Fired{"slow", "fast"}));
    EXPECT_EQ(after(9), Fired{});
    EXPECT_EQ(after(1), Fired{"fast"});
}

TEST_F(IMWindowTest, TimersOfIntervalZeroFireEveryPassAndMayRemoveThemselvesOrOthers) {
    const int every = window->AddTimer(0);
    const int selfRemoving = window->AddTimer(0);
    const int victim = window->AddTimer(0);
    window->ConnectTimer(every, [&](const IMEvent&) {
        log.push_back("every");
        return 0L;
    });
    window->ConnectTimer(selfRemoving, [&](const IMEvent&) {
        log.push_back("self");
        window->RemoveTimer(selfRemoving);
        window->RemoveTimer(victim);
        return 0L;
    });
    window->ConnectTimer(victim, [&](const IMEvent&) {
        log.push_back("victim");
        return 0L;
    });
    Pass(3);
    EXPECT_EQ(log, (std::vector<std::string>{"every", "self", "every", "every"}));

    window->RemoveTimer(0);
    window->RemoveTimer(victim);
    EXPECT_FALSE(window->ConnectTimer(victim, [](const IMEvent&) { return 0L; }).connected());
    EXPECT_EQ(window->AddTimer(5), 4);
}

TEST_F(IMWindowTest, MinimisedOrHiddenNothingIsRenderedNorCountedButTheTreeRuns) {
    Box* box = MakeBox(window, 0, {0, 0, 10, 10});
    Log(box->OnDraw, "draw");
    int ticks = 0;
    box->OnUpdate.connect([&](const IMEvent&) { return long(++ticks); });
    Pass();
    ASSERT_EQ(log.size(), 1u);
    const uint32_t frames = Renderer->frameCount;

    struct Case {
        uint32_t message;
        uint32_t hide;
        uint32_t show;
        Rect moveTo;
    } cases[] = {{WM_SIZE, SIZE_MINIMIZED, SIZE_RESTORED, {5, 5, 15, 15}},
                 {WM_SHOWWINDOW, 0, 1, {6, 6, 16, 16}}};
    for (const Case& c : cases) {
        log.clear();
        ticks = 0;
        const uint32_t before = Renderer->frameCount;
        PostMessage(c.message, c.hide, 0);
        box->SetRect(c.moveTo);
        Pass(3);
        EXPECT_TRUE(window->suspended);
        EXPECT_EQ(ticks, 3);
        EXPECT_TRUE(log.empty());
        EXPECT_EQ(Renderer->frameCount, before);

        PostMessage(c.message, c.show, 0);
        Pass();
        EXPECT_FALSE(window->suspended);
        EXPECT_EQ(log, std::vector<std::string>{"draw 15"});
        EXPECT_EQ(Renderer->frameCount, before + 1);
    }

    // Restoring by itself marks nothing dirty.
    log.clear();
    PostMessage(WM_SIZE, SIZE_MINIMIZED, 0);
    Pass();
    PostMessage(WM_SIZE, SIZE_RESTORED, 0);
    Pass();
    EXPECT_TRUE(log.empty());
    EXPECT_GT(Renderer->frameCount, frames);
}

TEST_F(IMWindowTest, RenderFrameDrawsOnlyWhenSomethingIsDirtyAndCountsEveryPass) {
    MakeSolidPicture(L"red", 20, 10, 0xFFFF0000);
    auto* picture = window->CreatePicture(30, 40, L"red");
    Pass();
    EXPECT_EQ(ScreenAt(30, 40), 0xFF0000u);
    EXPECT_EQ(ScreenAt(49, 49), 0xFF0000u);
    EXPECT_EQ(ScreenAt(50, 40), 0x000000u);
    EXPECT_FALSE(window->IsDirty());

    const uint32_t frames = Renderer->frameCount;
    Pass(4);
    EXPECT_EQ(Renderer->frameCount, frames + 4);
    picture->SetPosition(100, 100);
    Pass();
    EXPECT_EQ(ScreenAt(30, 40), 0x000000u);
    EXPECT_EQ(ScreenAt(100, 100), 0xFF0000u);
}

// A frame after a change redraws over the kept scene only the rectangles of what changed: where
// a control is drawn now and, when it moved, turned, came or went, where it was drawn before.
// The screen then shows exactly what a whole frame would.
TEST_F(IMWindowTest, RedrawingOnlyTheChangesShowsWhatAWholeFrameWould) {
    IMControl::Dialog* panel = CreateDialog(window, 50, 40, 500, 400);
    auto* print = panel->CreatePicture(10, 10, L"PrintButton");
    auto* saveAs = panel->CreatePicture(60, 30, L"SaveAsButton");
    // Partly outside the panel, which clips it.
    auto* cut = panel->CreatePicture(470, 380, L"RetryButton");
    auto* turned = window->CreatePicture(300, 450, L"CloseButton");
    auto* exit = window->CreatePicture(700, 20, L"ExitButton");
    Pass();
    EXPECT_FALSE(window->lastFrameWhole) << "new pictures are drawn over the kept scene";
    window->SetDirty(true);
    Pass();
    ASSERT_TRUE(window->lastFrameWhole);
    const Rect exitRect = exit->GetRect();
    const Rect saveAsAt = saveAs->GetRect().Offset(50, 40);
    IMStaticPictureBase<IMTextureView>* added = nullptr;

    struct Change {
        const char* what;
        std::function<void()> make;
        // The rectangles redrawn over the kept scene, in the order they were first met.
        std::function<std::vector<Rect>()> damage;
    };
    using Rects = std::vector<Rect>;
    const Change changes[] = {
        {"a translucent tint under an overlapping picture",
         [&] {
             print->color = 0x80FFFFFF;
             print->SetDirty(true);
         },
         [] { return Rects{{60, 50, 144, 97}}; }},
        {"another picture", [&] { saveAs->SetTexture(L"SaveAsButtonNuv"); },
         [] { return Rects{{110, 70, 258, 117}}; }},
        {"a clipped picture", [&] { cut->SetTexture(L"RetryButtonKlick"); },
         [] { return Rects{{520, 420, 550, 440}}; }},
        {"a turn",
         [&] {
             turned->angle = 0.6f;
             turned->SetDirty(true);
         },
         // The upright picture (300, 450)–(411, 497) lies inside the circle through its corners.
         [] { return Rects{{294, 412, 417, 535}}; }},
        {"a further turn",
         [&] {
             turned->angle = 1.1f;
             turned->SetDirty(true);
         },
         [] { return Rects{{294, 412, 417, 535}}; }},
        {"two pictures far apart",
         [&] {
             exit->color = 0xFF808080;
             exit->SetDirty(true);
             print->color = 0xFFFFFFFF;
             print->SetDirty(true);
         },
         [&] { return Rects{{60, 50, 144, 97}, exitRect}; }},
        {"a move", [&] { saveAs->SetPosition(200, 200); },
         [&] {
             return Rects{saveAsAt, saveAsAt.Offset(200 - 60, 200 - 30)};
         }},
        {"a move onto an overlapping place", [&] { saveAs->SetPosition(210, 190); },
         [&] {
             const Rect before = saveAsAt.Offset(200 - 60, 200 - 30);
             const Rect after = saveAsAt.Offset(210 - 60, 190 - 30);
             return Rects{{before.left, after.top, after.right, before.bottom}};
         }},
        {"hiding", [&] { print->Hide(); }, [] { return Rects{{60, 50, 144, 97}}; }},
        {"a change nobody sees",
         [&] {
             print->color = 0xFF000000;
             print->SetDirty(true);
         },
         [] { return Rects{}; }},
        {"showing again", [&] { print->Show(); }, [] { return Rects{{60, 50, 144, 97}}; }},
        {"a new picture", [&] { added = panel->CreatePicture(5, 300, L"CancelButton"); },
         [&] { return Rects{added->GetRect().Offset(50, 40)}; }},
        {"a removal", [&] { saveAs->Remove(); },
         [&] { return Rects{saveAsAt.Offset(210 - 60, 190 - 30)}; }},
        // The turned picture (294, 412)–(417, 535) is met and drawn whole: cut, its edge
        // would be sampled differently.
        {"a container moving with its children", [&] { panel->SetRect({60, 40, 560, 440}); },
         [] { return Rects{{50, 40, 560, 535}}; }},
        {"a container hidden", [&] { panel->Hide(); },
         [] { return Rects{{60, 40, 560, 535}}; }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        change.make();
        Pass();
        EXPECT_FALSE(window->lastFrameWhole);
        EXPECT_EQ(window->lastDamage, change.damage());
        const Screenshot kept = Renderer->ReadPixels();
        window->SetDirty(true);
        Pass();
        ASSERT_TRUE(window->lastFrameWhole);
        EXPECT_TRUE(Renderer->ReadPixels().pixels == kept.pixels);
    }
}

TEST_F(IMWindowTest, ThePointerEntersAndLeavesTheWindowAsAWhole) {
    Log(window->OnMouseEnter, "enter");
    Log(window->OnMouseLeave, "leave");
    std::vector<int> xs;
    window->OnMouseLeave.connect([&](const IMMouseEvent& e) { return long(xs.emplace_back(e.x)); });
    Box* box = MakeBox(window, 0, {0, 0, 100, 100});
    Log(box->OnMouseLeave, "box leave");
    display.MoveMouse(10, 10);
    Pass(2);
    EXPECT_EQ(log, std::vector<std::string>{"enter 523"});
    display.MoveMouse(20, 20);
    Pass();
    ASSERT_TRUE(box->IsMouseOver());

    // Into the letterbox beside the scene, then off the window.
    log.clear();
    display.MoveMouse(-30, 20);
    Pass();
    EXPECT_EQ(log, (std::vector<std::string>{"box leave 675", "leave 675"}));
    EXPECT_EQ(xs, std::vector<int>{-30});
}
