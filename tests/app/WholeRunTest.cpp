// The whole program as a teacher and two children meet it, on the headless
// twins and driven only by keys and the mouse: the start screen, a name, the
// game played to its end, the results screen and what its buttons do, F12
// and Ctrl+I on every screen, two students in turn, and a hundred games in a
// row that leave no texture, font, sound stream, timer or memory behind.
#include <gtest/gtest.h>

#include <SDL_keycode.h>

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "GameWindow.h"
#include "WholeRun.h"
#include "platform/print/Printers.h"
#include "shell/IMSaveAsDialog.h"
#include "shell/IMSelectPrinterDialog.h"
#include "tests/shell/report/ReportTestFolder.h"
#include "tests/shell/report/WorkbookReader.h"

namespace {

using namespace whole_run;

constexpr int kExitBoxLayer = 1099;
constexpr int kCreditsLayer = 9999;
constexpr platform::Rect kExitBox{332, 200, 468, 400};

// What the program holds that a run could leave behind.
struct Holdings {
    size_t textures = 0;
    size_t fonts = 0;
    size_t streams = 0;
    size_t timers = 0;
    bool operator==(const Holdings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Holdings& h) {
    return out << h.textures << " textures, " << h.fonts << " fonts, " << h.streams
               << " sound streams, " << h.timers << " timers";
}

// The resident memory of the process, once the allocator has given back to
// the system what it keeps of freed memory (whether it keeps freed memory in
// the heap depends on what happens to lie above it, not on leaks).
long ResidentKilobytes() {
    ::malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

class WholeRunTest : public testing::Test {
protected:
    void SetUp() override {
        platform::ClearMessages();
        SetIdleWait(IdleWait::UntilDue);
        app = App::GetApp(kWindowTitle, false);
        // As the entry point does.
        app->ShowStartScreen();
        Pass();
    }
    void TearDown() override {
        player.reset();
        while (App::appRefCount > 0)
            App::ReleaseApp();
        platform::ClearMessages();
    }

    bool Pass(int passes = 1) {
        for (int i = 0; i < passes && !quit; ++i)
            if (MainWindow == nullptr || !RunMessageLoopPass(*MainWindow))
                quit = true;
        return !quit;
    }
    void Key(SDL_Keycode key, uint16_t modifiers = KMOD_NONE) {
        display.PressKey(key, modifiers);
        display.ReleaseKey(key, modifiers);
        Pass(2);
    }
    void Click(const platform::Rect& rect) {
        const int x = (rect.left + rect.right) / 2;
        const int y = (rect.top + rect.bottom) / 2;
        display.MoveMouse(x, y);
        Pass();
        display.PressButton(SDL_BUTTON_LEFT, x, y);
        display.ReleaseButton(SDL_BUTTON_LEFT, x, y);
        Pass(2);
    }

    template <class Control> static Control* Topmost() {
        for (auto layer = MainWindow->children.rbegin(); layer != MainWindow->children.rend();
             ++layer)
            for (auto child = layer->second.rbegin(); child != layer->second.rend(); ++child)
                if (auto* control = dynamic_cast<Control*>(*child))
                    return control;
        return nullptr;
    }

    // F12 opens the exit box and its Cancel closes it; Ctrl+I opens the
    // credits and their exit closes them; the screen beneath is as it was.
    void CheckTheGlobalKeys(const char* where) {
        SCOPED_TRACE(where);
        Dialog* screen = TopScreen();
        Key(SDLK_F12);
        ASSERT_EQ(Screens(kExitBoxLayer).size(), 1u) << "F12 opens the exit box";
        const Dialog* box = nullptr;
        for (const auto& [layer, controls] : Screens(kExitBoxLayer)[0]->children)
            for (IMControl* child : controls)
                if (auto* dialog = dynamic_cast<Dialog*>(child))
                    box = dialog;
        ASSERT_NE(box, nullptr);
        Click(ButtonOf(box, L"CancelButton")->GetRect().Offset(kExitBox.left, kExitBox.top));
        EXPECT_TRUE(Screens(kExitBoxLayer).empty());

        display.PressKey(SDLK_LCTRL, KMOD_LCTRL);
        Key(SDLK_i, KMOD_LCTRL);
        display.ReleaseKey(SDLK_LCTRL, KMOD_NONE);
        Pass();
        ASSERT_EQ(Screens(kCreditsLayer).size(), 1u) << "Ctrl+I opens the credits";
        Click(ButtonOf(Screens(kCreditsLayer)[0], L"ExitButton")->GetRect());
        EXPECT_TRUE(Screens(kCreditsLayer).empty());

        // F1 repeats the instruction where there is one to repeat; any key
        // ends the repetition.
        Key(SDLK_F1);
        if (TopScreen() != screen) {
            EXPECT_TRUE(app->instructionShown);
            Key(SDLK_a);
        }
        EXPECT_EQ(TopScreen(), screen) << "the screen is still the one beneath";
    }

    // The start screen: the name typed, Enter.
    void EnterName(const char* name) {
        ASSERT_NE(ButtonOf(TopScreen(), L"StartPopStartButton"), nullptr)
            << "the start screen shows";
        display.TypeText(name);
        Pass();
        Key(SDLK_RETURN);
    }
    // Output time and the clock move on together, as in the real program.
    void Play(std::chrono::milliseconds step) {
        const uint64_t reads = audio.Advance(step);
        audio.WaitForCursorReads(reads, 2, std::chrono::seconds(5));
        clock.AdvanceMilliseconds(static_cast<int>(step.count()));
        Pass(3);
    }
    // The narrated instruction before the game, skipped with Esc.
    void PastTheInstruction() {
        ASSERT_TRUE(app->instructionShown) << "the instruction shows";
        Play(std::chrono::milliseconds(500));
        Key(SDLK_ESCAPE);
        ASSERT_NE(app->stepDialog, nullptr) << "the game runs";
    }
    // After the last treasure the praise, then the results screen.
    void UntilTheResults() {
        for (int i = 0; i < 200 && ButtonOf(TopScreen(), L"RetryButton") == nullptr; ++i)
            Play(std::chrono::milliseconds(100));
        ASSERT_NE(ButtonOf(TopScreen(), L"RetryButton"), nullptr) << "the results screen shows";
    }
    void PlayTheGame(bool checkKeys = false) {
        if (player)
            player->FollowNextGame();
        else
            player = std::make_unique<GameWindow>(*app, display, clock);
        if (checkKeys)
            CheckTheGlobalKeys("game");
        ASSERT_TRUE(player->PlayToTheEnd());
        UntilTheResults();
    }
    void Retry() { Click(ButtonOf(TopScreen(), L"RetryButton")->GetRect()); }

    Holdings Now() const {
        return {Renderer->textures.size() - Renderer->freeSlots.size(),
                Renderer->fonts.fontList.size(), Renderer->StreamCount(),
                MainWindow->timers.size()};
    }

    std::filesystem::path Workbook() const {
        return folder.Reports() / Utf8(std::wstring(kWindowTitle) + L".xls");
    }
    std::map<std::wstring, ::Rows> WorkbookSheets() const {
        std::map<std::wstring, ::Rows> sheets;
        for (const auto& [name, rows] : ReadSheets(Workbook()))
            sheets[name] = rows;
        return sheets;
    }
    ReportTestFolder folder;
    platform::DebugOutputCapture debugOutput;
    platform::HeadlessWindow display;
    platform::HeadlessAudio audio;
    platform::ManualClock clock;
    platform::HeadlessPrinters printers{{L"Кабинет 12"}, L"Кабинет 12"};
    App* app = nullptr;
    // The child's hands on the game, kept from game to game.
    std::unique_ptr<GameWindow> player;
    bool quit = false;
};

TEST_F(WholeRunTest, TwoStudentsInTurnThenTheFirstAgainWithEveryButtonOnTheWay) {
    CheckTheGlobalKeys("start screen");
    EnterName("Аня");
    PastTheInstruction();
    PlayTheGame(true);
    CheckTheGlobalKeys("results");

    // Print on the only printer.
    Click(ButtonOf(TopScreen(), L"PrintButton")->GetRect());
    auto* printerDialog = Topmost<IMSelectPrinterDialog>();
    ASSERT_NE(printerDialog, nullptr);
    Click(printerDialog->printButton->GetRect().Offset(printerDialog->GetRect().left,
                                                       printerDialog->GetRect().top));
    ASSERT_EQ(printers.Documents().size(), 1u);
    EXPECT_TRUE(printers.Documents()[0].sent);

    // Save As a copy beside the workbook.
    const std::filesystem::path copy = folder.Root() / "copy.xls";
    Click(ButtonOf(TopScreen(), L"SaveAsButton")->GetRect());
    auto* saveAs = Topmost<IMSaveAsDialog>();
    ASSERT_NE(saveAs, nullptr);
    saveAs->SetFileName(platform::Utf8ToWide(copy.string()));
    Click(saveAs->saveButton->GetRect().Offset(saveAs->GetRect().left, saveAs->GetRect().top));
    EXPECT_EQ(ReadSheets(copy), ReadSheets(Workbook()));

    // Enter runs the game again with the same report.
    Key(SDLK_RETURN);
    ASSERT_NE(app->stepDialog, nullptr);
    PlayTheGame();
    Retry();
    EnterName("Борис");
    PastTheInstruction();
    PlayTheGame();
    Retry();
    EnterName("Аня");
    PastTheInstruction();
    PlayTheGame();
    Click(ButtonOf(TopScreen(), L"CloseButton")->GetRect());
    EXPECT_TRUE(quit);

    const auto sheets = WorkbookSheets();
    ASSERT_EQ(sheets.size(), 2u) << "one workbook, one worksheet per student";
    const std::vector<::Rows> anya = RunsOf(sheets.at(L"Аня"));
    ASSERT_EQ(anya.size(), 3u) << "the first run, the one Enter started, and the one of her return";
    for (const ::Rows& run : anya)
        ExpectOneFinishedRun(run);
    EXPECT_EQ(RunsOf(sheets.at(L"Борис")).size(), 1u);
}

TEST_F(WholeRunTest, WhenTheSoundDeviceGoesTheInstructionAndTheGameGoOnSilently) {
    EnterName("Аня");
    ASSERT_TRUE(app->instructionShown);
    Play(std::chrono::seconds(3));
    audio.RemoveDevice();
    // The narration (about 65 s) ends unheard, and its end shows the key
    // hint as ever; Space starts the game.
    auto showsKeyHint = [] {
        const int keyboard = Renderer->FindTexture(L"KEYBOARDPIC");
        for (const auto& [layer, controls] : TopScreen()->children)
            for (IMControl* child : controls)
                if (auto* picture = dynamic_cast<IMStaticPictureBase<IMTextureView>*>(child);
                    picture && picture->hasTexture && picture->textureId == keyboard)
                    return true;
        return false;
    };
    for (int i = 0; i < 400 && !showsKeyHint(); ++i)
        Play(std::chrono::milliseconds(250));
    ASSERT_TRUE(showsKeyHint()) << "the instruction ended";
    Key(SDLK_SPACE);
    ASSERT_NE(app->stepDialog, nullptr);
    PlayTheGame();
    Click(ButtonOf(TopScreen(), L"CloseButton")->GetRect());
    EXPECT_TRUE(quit);
    EXPECT_EQ(RunsOf(WorkbookSheets().at(L"Аня")).size(), 1u);
}

TEST_F(WholeRunTest, AHundredGamesInARowLeaveNothingBehind) {
#if defined(__SANITIZE_ADDRESS__)
    // Several times slower under the sanitizers: the full hundred runs in the
    // normal build.
    int kGames = 5;
#else
    int kGames = 100;
#endif
    // For a longer run by hand, or a quick one while working on the test.
    if (const char* games = std::getenv("ZEL_WHOLE_RUN_GAMES"))
        kGames = std::atoi(games);
    EnterName("Ученик");
    PastTheInstruction();
    PlayTheGame();
    Retry();
    // The first game has loaded and registered what every later one shares.
    const Holdings start = Now();
    // The audio twin records every sample it plays; the program's own memory
    // is what is measured.
    audio.ForgetSamples();
    const long startMemory = ResidentKilobytes();
    const auto startWorkbook = std::filesystem::file_size(Workbook());
    long mostMemory = startMemory;
    for (int game = 1; game <= kGames; ++game) {
        SCOPED_TRACE("game " + std::to_string(game));
        EnterName("Ученик");
        PastTheInstruction();
        PlayTheGame();
        Retry();
        // A sound keeps its stream once asked for (the praise words come at
        // random, so new ones appear for a while); nothing else may grow.
        Holdings now = Now();
        ASSERT_LE(now.streams, start.streams + 5) << now;
        now.streams = start.streams;
        ASSERT_EQ(now, start) << "back to the figures of the start screen";
        audio.ForgetSamples();
        mostMemory = std::max(mostMemory, ResidentKilobytes());
    }
    // The worksheet itself grows by a run's rows each game, and the report
    // holds the whole workbook parsed: its tree takes several times the
    // file's bytes.
    const long workbookGrowth =
        static_cast<long>(std::filesystem::file_size(Workbook()) - startWorkbook) / 1024;
    std::printf("%d games: resident memory %ld kB after the first, at most %ld kB after the "
                "others; the workbook grew by %ld kB\n",
                kGames, startMemory, mostMemory, workbookGrowth);
#if !defined(__SANITIZE_ADDRESS__)
    // The address sanitizer holds freed memory back in its quarantine, so
    // resident memory says nothing there.
    EXPECT_LE(mostMemory - startMemory, 6 * 1024 + 8 * workbookGrowth)
        << "resident memory stays flat";
#endif
    EXPECT_EQ(RunsOf(WorkbookSheets().at(L"Ученик")).size(), static_cast<size_t>(kGames + 1));
}

} // namespace
