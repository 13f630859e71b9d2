// The instruction and the praise: the first instruction and its Esc, F1 and
// its count, the default screen's five seconds, the three endings with the
// blinking space bar, the handlers that stand for the rest of the run, and the
// two praise overlays.
#include "tests/shell/ShellFixture.h"

#include "gui/IMAnimationBase.h"
#include "gui/IMTheoraView.h"
#include "platform/Random.h"
#include "platform/resources/AssetResources.h"

#include <thread>

namespace {

using platform::Rect;
using Animation = IMAnimationBase<IMTheoraView>;
using namespace std::chrono_literals;

class InstructionTest : public ShellTest {
public:
    // The start screen confirmed with Enter: the first instruction is open.
    Dialog* BeginRun() {
        app->ShowStartScreen();
        Pass();
        Key(SDLK_RETURN);
        Pass();
        return TopScreen();
    }
    // An instruction that only remembers its dialog, as a title's own does
    // until its narration ends.
    void RecordInstructions() {
        app->instruction = [this](Dialog* dialog) { shown = dialog; };
    }
    void Wait(int milliseconds) {
        clock.AdvanceMilliseconds(milliseconds);
        Pass();
    }
    // Plays the sound output for that long in steps, with the loop running.
    void Play(std::chrono::milliseconds length) {
        for (auto played = 0ms; played < length; played += 100ms) {
            const uint64_t reads = audio.Advance(100ms);
            audio.WaitForCursorReads(reads, 2, 5s);
            Pass();
        }
        // A worker posts its stopped notification just after its buffer
        // stops.
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(5ms);
            Pass();
        }
    }
    static bool Open(Dialog* dialog) {
        const std::vector<Dialog*> screens = Screens();
        return std::find(screens.begin(), screens.end(), dialog) != screens.end();
    }

    Dialog* shown = nullptr;
};

TEST_F(InstructionTest, TheDefaultInstructionShowsHelpAndClosesItselfAfterFiveSeconds) {
    Dialog* help = BeginRun();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(app->instructionShown);
    EXPECT_EQ(app->instructionsShown, 1);
    ASSERT_EQ(PicturesOf(help, L"DefaultBackGround").size(), 1u);
    EXPECT_EQ(PicturesOf(help, L"DefaultBackGround")[0]->GetRect(), (Rect{0, 0, 800, 600}));
    struct Line {
        const wchar_t* text;
        int top;
    };
    for (const Line& line :
         {Line{L"информационный источник сложной структуры", 20}, Line{L"Справка", 100}}) {
        const Label* label = LabelWithText(help, line.text);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->GetRect().top, line.top);
        EXPECT_EQ(label->GetRect().left, 400 - label->GetWidth() / 2);
        EXPECT_EQ(label->color, 0xFF072134u);
    }

    Wait(4999);
    EXPECT_EQ(app->stepRuns, 0);
    Wait(1);
    EXPECT_EQ(app->stepRuns, 1);
    EXPECT_FALSE(Open(help));
    // The instruction is over, so F1 works again.
    EXPECT_FALSE(app->instructionShown);
    EXPECT_TRUE(MainWindow->timers.empty());
}

TEST_F(InstructionTest, EscStartsTheStepDuringTheFirstInstructionAndDoesNothingElsewhere) {
    Dialog* help = BeginRun();
    Key(SDLK_ESCAPE);
    EXPECT_FALSE(Open(help));
    EXPECT_EQ(app->stepRuns, 1);
    EXPECT_FALSE(app->instructionShown);
    Dialog* step = app->stepDialog;
    ASSERT_NE(step, nullptr);

    Key(SDLK_ESCAPE);
    Pass();
    EXPECT_EQ(app->stepRuns, 1);
    EXPECT_EQ(app->stepDialog, step);
    EXPECT_TRUE(Open(step));
    EXPECT_EQ(app->resultsShown, 0);
}

TEST_F(InstructionTest, F1RepeatsTheInstructionOverTheStepAndTheNextKeyClosesIt) {
    BeginRun();
    // F1 during the first instruction does nothing and is not counted.
    Key(SDLK_F1);
    EXPECT_EQ(app->instructionsShown, 1);
    EXPECT_EQ(app->extraInstructionCount, 0);
    Key(SDLK_ESCAPE);
    Dialog* step = app->stepDialog;
    ASSERT_NE(step, nullptr);

    for (int count = 1; count <= 2; ++count) {
        SCOPED_TRACE(count);
        Key(SDLK_F1);
        Dialog* help = TopScreen();
        ASSERT_NE(help, step);
        EXPECT_TRUE(app->instructionShown);
        EXPECT_EQ(app->extraInstructionCount, count);
        // Holding F1 repeats its key-down: that is not the next key.
        display.PressKey(SDLK_F1, KMOD_NONE, true);
        display.ReleaseKey(SDLK_F1);
        Pass();
        EXPECT_TRUE(Open(help));
        // The next key closes it, F1 included, which opens nothing then.
        Key(count == 1 ? SDLK_a : SDLK_F1);
        Pass();
        EXPECT_FALSE(Open(help));
        EXPECT_FALSE(app->instructionShown);
        EXPECT_EQ(app->extraInstructionCount, count);
        // The game goes on where it was.
        EXPECT_EQ(TopScreen(), step);
        EXPECT_EQ(app->stepDialog, step);
        EXPECT_EQ(MainWindow->focusedChild, step);
    }
    EXPECT_EQ(app->stepRuns, 1);
    EXPECT_EQ(app->instructionsShown, 3);
}

TEST_F(InstructionTest, F1BeforeTheStepCountsUntilTheStepBegins) {
    app->ShowStartScreen();
    Pass();
    Key(SDLK_F1);
    EXPECT_EQ(app->extraInstructionCount, 1);
    Dialog* help = TopScreen();
    Key(SDLK_a);
    EXPECT_FALSE(Open(help));
    Key(SDLK_RETURN);
    Pass();
    Key(SDLK_ESCAPE);
    ASSERT_EQ(app->stepRuns, 1);
    EXPECT_EQ(app->extraInstructionCount, 0);
}

TEST_F(InstructionTest, TheEndWithTheKeyHintBlinksTheSpaceBarEverySecondUntilSpace) {
    RecordInstructions();
    BeginRun();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(app->EndInstruction(shown, true, true), 0);
    EXPECT_TRUE(audio.WaitForCursorReads(audio.Advance(0ms), 1, 5s, false))
        << "the closing phrase plays";
    Pass();
    struct Hint {
        const wchar_t* name;
        Rect rect;
    };
    const Hint hints[] = {{L"KEYBOARDPIC", {107, 347, 107 + 524, 347 + 230}},
                          {L"MOUSE", {500, 209, 500 + 246, 209 + 246}},
                          {L"KEYSPACE", {237, 502, 237 + 112, 502 + 14}}};
    for (const Hint& hint : hints) {
        const std::vector<Picture*> pictures = PicturesOf(shown, hint.name);
        ASSERT_EQ(pictures.size(), 1u) << Utf8(hint.name);
        EXPECT_EQ(pictures[0]->GetRect(), hint.rect);
        EXPECT_EQ(shown->FindLayer(pictures[0]), 1000);
        EXPECT_EQ(pictures[0]->color, 0xFFFFFFFFu);
        // The pictures alone hold their textures.
        EXPECT_EQ(Renderer->Slot(Renderer->FindTexture(hint.name))->refCount, 1);
    }
    Picture* space = PicturesOf(shown, L"KEYSPACE")[0];
    std::vector<bool> hidden;
    for (int i = 0; i < 6; ++i) {
        Wait(499);
        hidden.push_back(space->IsHidden());
        Wait(1);
        hidden.push_back(space->IsHidden());
    }
    EXPECT_EQ(hidden, (std::vector<bool>{false, true, true, false, false, true, true, false, false,
                                         true, true, false}));
    Key(SDLK_SPACE);
    EXPECT_FALSE(Open(shown));
    EXPECT_EQ(app->stepRuns, 1);
    EXPECT_FALSE(app->instructionShown);
    Wait(500);
    EXPECT_TRUE(MainWindow->timers.empty()) << "the blinking stopped";
}

TEST_F(InstructionTest, TheClosingPhraseAloneClosesWhenItEndsAndNeitherClosesAtOnce) {
    RecordInstructions();
    BeginRun();
    app->EndInstruction(shown, true, false);
    Pass();
    EXPECT_TRUE(PicturesOf(shown, L"KEYBOARDPIC").empty());
    Play(2s);
    EXPECT_TRUE(Open(shown)) << "the phrase is still playing";
    // The phrase lasts about 5 s; its end is heard a second later.
    int halfSeconds = 4;
    for (; halfSeconds < 24 && Open(shown); ++halfSeconds)
        Play(500ms);
    EXPECT_GE(halfSeconds, 11);
    EXPECT_FALSE(Open(shown));
    EXPECT_EQ(app->stepRuns, 1);
    EXPECT_FALSE(app->instructionShown);

    Key(SDLK_F1);
    ASSERT_TRUE(app->instructionShown);
    Dialog* repeated = shown;
    app->EndInstruction(repeated, false, false);
    EXPECT_FALSE(Open(repeated));
    EXPECT_FALSE(app->instructionShown);
}

TEST_F(InstructionTest, KeyHandlersForTheRestOfTheRunDoNotPileUpOverRuns) {
    RecordInstructions();
    size_t afterOne = 0;
    for (int run = 1; run <= 100; ++run) {
        app->BeginInstruction();
        Pass();
        app->EndInstruction(shown, true, true);
        // Space ends the instruction; the step that follows is none.
        app->currentStep = L"Missing";
        Key(SDLK_SPACE);
        ASSERT_FALSE(app->instructionShown) << "run " << run;
        Key(SDLK_F1);
        app->EndInstruction(shown, true, true);
        Key(SDLK_SPACE);
        ASSERT_FALSE(app->instructionShown) << "run " << run;
        if (run == 1)
            afterOne = MainWindow->OnKeyDown.num_slots();
    }
    EXPECT_EQ(MainWindow->OnKeyDown.num_slots(), afterOne);
    // The three of the start, Esc, Space and the last repetition's.
    EXPECT_EQ(afterOne, 6u);
}

TEST_F(InstructionTest, EachPraiseWordCanBeChosenAndTheOverlayEndsWithItsAnimation) {
    const wchar_t* const animations[] = {L"bravo_anim", L"gotovo_anim", L"molodec_anim",
                                         L"otlichno_anim", L"ura_anim"};
    for (int index = 0; index < 5; ++index) {
        SCOPED_TRACE(index);
        // A seed whose first number chooses this word.
        uint32_t seed = 0;
        for (;; ++seed) {
            platform::SeedRandom(seed);
            if (platform::Random() * 5 / 32768 == index)
                break;
        }
        platform::SeedRandom(seed);
        app->ShowFinalPraise(137, 100);
        Pass();
        Dialog* overlay = TopScreen();
        const std::vector<Animation*> played = All<Animation>(overlay);
        ASSERT_EQ(played.size(), 1u);
        EXPECT_EQ(played[0]->stream.data, platform::FindEmbeddedAsset(animations[index]).data);
        EXPECT_EQ(played[0]->GetRect(), (Rect{230, 176, 550, 376}));
        EXPECT_EQ(played[0]->period, 5000);
        const std::vector<Picture*> cloud = PicturesOf(overlay, L"oblako_png");
        ASSERT_EQ(cloud.size(), 1u);
        EXPECT_EQ(cloud[0]->GetRect(), (Rect{137, 100, 137 + 506, 100 + 350}));
        // Drawn over the cloud.
        const std::vector<IMControl*>& layer = overlay->children.at(0);
        EXPECT_LT(std::find(layer.begin(), layer.end(), cloud[0]),
                  std::find(layer.begin(), layer.end(), played[0]));
        for (int i = 0; i < 30 && Open(overlay); ++i)
            Wait(100);
        EXPECT_FALSE(Open(overlay));
    }
}

TEST_F(InstructionTest, TheFinalPraiseEndsTheStepOnlyTheOneItPraised) {
    BeginRun();
    Key(SDLK_ESCAPE);
    Dialog* step = app->stepDialog;
    app->ShowFinalPraise(137, 100);
    Wait(1000);
    EXPECT_TRUE(Open(step)) << "the game stays under the praise";
    for (int i = 0; i < 10 && Open(step); ++i)
        Wait(100);
    EXPECT_FALSE(Open(step));
    EXPECT_EQ(app->resultsShown, 1);

    // Retry in the exit box while the praise plays ends the step at once; the
    // praise's end must leave the step begun since alone.
    app->ShowStartScreen();
    Pass();
    Key(SDLK_RETURN);
    Key(SDLK_ESCAPE);
    ASSERT_EQ(app->stepRuns, 2);
    app->ShowFinalPraise(137, 100);
    Key(SDLK_F12);
    ASSERT_NE(app->exitBox, nullptr);
    const Dialog* box = All<Dialog>(app->exitBox).at(0);
    ClickAt(
        ButtonOf(box, L"RetryButton")->GetRect().Offset(box->GetRect().left, box->GetRect().top));
    Pass();
    EXPECT_EQ(app->resultsShown, 2);
    Key(SDLK_RETURN);
    Key(SDLK_ESCAPE);
    ASSERT_EQ(app->stepRuns, 3);
    Dialog* newStep = app->stepDialog;
    Wait(2000);
    EXPECT_TRUE(Open(newStep));
    EXPECT_EQ(app->stepDialog, newStep);
    EXPECT_EQ(app->resultsShown, 2);
}

TEST_F(InstructionTest, ThePraiseWithItsExitPictureClosesTheDialogItWasGiven) {
    auto* task = new Dialog(MainWindow, 0);
    app->ShowPraise(task);
    Pass();
    Dialog* overlay = TopScreen();
    const std::vector<Picture*> exit = PicturesOf(overlay, L"ExitButton");
    ASSERT_EQ(exit.size(), 1u);
    EXPECT_EQ(exit[0]->GetRect(), (Rect{740, 10, 780, 50}));
    EXPECT_EQ(overlay->FindLayer(exit[0]), 901);
    EXPECT_EQ(All<Animation>(overlay).at(0)->GetRect(), (Rect{230, 176, 550, 376}));
    for (int i = 0; i < 20; ++i)
        Wait(100);
    // The animation and the cloud have gone; the overlay and its exit stay.
    EXPECT_TRUE(Open(overlay));
    EXPECT_TRUE(All<Animation>(overlay).empty());
    EXPECT_TRUE(PicturesOf(overlay, L"oblako_png").empty());
    EXPECT_TRUE(Open(task));
    ClickAt(exit[0]->GetRect());
    EXPECT_FALSE(Open(task));
}

TEST_F(InstructionTest, F12OverTheFirstInstructionOpensTheBoxAboveItAndRetryOnlyClosesTheBox) {
    Dialog* help = BeginRun();
    Key(SDLK_F12);
    ASSERT_NE(app->exitBox, nullptr);
    EXPECT_TRUE(Open(help));
    const Dialog* box = All<Dialog>(app->exitBox).at(0);
    ClickAt(
        ButtonOf(box, L"RetryButton")->GetRect().Offset(box->GetRect().left, box->GetRect().top));
    Pass();
    EXPECT_EQ(app->exitBox, nullptr);
    EXPECT_TRUE(Open(help));
    EXPECT_TRUE(app->instructionShown);
    Key(SDLK_ESCAPE);
    EXPECT_EQ(app->stepRuns, 1);

    // Over a repeated instruction F12 is the next key: it closes the
    // instruction as it opens the box.
    Key(SDLK_F1);
    Dialog* repeated = TopScreen();
    Key(SDLK_F12);
    EXPECT_NE(app->exitBox, nullptr);
    EXPECT_FALSE(Open(repeated));
    EXPECT_FALSE(app->instructionShown);
}

class SilentInstructionTest : public InstructionTest {
public:
    void SetUp() override {
        platform::HeadlessAudio::Faults faults;
        faults.open = platform::AUDIOERR_NODRIVER;
        audio.SetFaults(faults);
        InstructionTest::SetUp();
    }
};

TEST_F(SilentInstructionTest, WithoutASoundOutputTheClosingPhraseIsOverAtOnce) {
    RecordInstructions();
    BeginRun();
    app->EndInstruction(shown, true, false);
    EXPECT_FALSE(Open(shown));
    EXPECT_EQ(app->stepRuns, 1);
}

} // namespace
