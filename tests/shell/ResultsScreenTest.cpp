// The results screen: its texts and buttons where the layout puts them, Print
// and Save As only with a report, Retry, Close, Exit and Enter, and the run on
// disk the moment the screen appears.
#include "tests/shell/ShellWindow.h"

#include "shell/IMSaveAsDialog.h"
#include "shell/IMSelectPrinterDialog.h"
#include "shell/report/KeptRows.h"
#include "shell/report/ReportDocument.h"
#include "shell/report/ReportStorage.h"
#include "tests/shell/report/WorkbookReader.h"

#include <gmock/gmock.h>

using testing::HasSubstr;

namespace {

class ResultsScreenTest : public ShellWindowTest {
protected:
    // A finished run of the student: a start row, one of the title's rows and
    // the run's end, then the results screen, as the sequence shows it.
    IMControl::Dialog* FinishRun(const std::wstring& student, const std::wstring& value) {
        app->PrepareReport(student);
        app->SetStudentName(student);
        app->AddStatistic(L"Время начала работы с упражнением", value, L"String");
        app->AddStatistic(L"Сундук", L"12", L"Number");
        if (app->report)
            app->report->FinishRun();
        return ShowResults();
    }

    IMControl::Dialog* ShowResults() {
        app->ShowResultsScreen();
        Pass();
        return Topmost<IMControl::Dialog>();
    }

    static ShellButton* ButtonAt(const IMControl::Dialog* screen, int x, int y) {
        for (IMControl* control : ChildrenOf(screen))
            if (auto* button = dynamic_cast<ShellButton*>(control);
                button && button->GetRect().left == x && button->GetRect().top == y)
                return button;
        return nullptr;
    }
};

TEST_F(ResultsScreenTest, EveryTextAndButtonStandsWhereTheLayoutPutsIt) {
    IMControl::Dialog* screen = FinishRun(L"Аня Петрова", L"05-March-2008 14:07");
    KeepScreenshot("results");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->GetRect(), (platform::Rect{0, 0, 800, 600}));

    const std::vector<IMControl*> children = ChildrenOf(screen);
    ASSERT_GE(children.size(), 16u);
    auto* background = dynamic_cast<ShellPicture*>(children[0]);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->GetRect(), (platform::Rect{0, 0, 800, 600}));

    struct Text {
        std::wstring text;
        int size;
        bool bold;
        int left;  // -1: centred
        int top;
    };
    const Text texts[] = {
        {L"информационный источник сложной структуры", 14, false, -1, 10},
        {L"Марведа", 18, true, -1, 35},
        {L"ЗАДАНИЕ ВЫПОЛНЕНО", 24, false, -1, 150},
        {L"Номер ЦОР:", 18, true, 30, 250},
        {L"00517", 18, false, 135, 250},
        {L"Название:", 18, true, 30, 300},
        {L"Тренажер «Зельтарик»", 18, false, 135, 300},
        {L"Ученик:", 18, true, 30, 350},
        {L"Аня Петрова", 18, false, 135, 350},
        {L"Статистика:", 18, true, 30, 465},
    };
    for (size_t i = 0; i < std::size(texts); ++i) {
        const Text& expected = texts[i];
        SCOPED_TRACE(Utf8(expected.text));
        auto* label = dynamic_cast<ShellLabel*>(children[1 + i]);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->GetText(), expected.text);
        EXPECT_EQ(label->fontSize, expected.size);
        EXPECT_EQ(label->bold, expected.bold);
        ASSERT_FALSE(label->glyphs.empty());
        EXPECT_EQ(label->glyphs[0]->color, 0xFF072134u);
        EXPECT_EQ(label->glyphs[0]->size, expected.size);
        const platform::Rect rect = label->GetRect();
        const int width = label->GetSourceRect().Width();
        EXPECT_GT(width, 0);
        EXPECT_EQ(rect.Width(), width);
        EXPECT_EQ(rect.left, expected.left >= 0 ? expected.left : 800 / 2 - width / 2);
        EXPECT_EQ(rect.top, expected.top);
    }

    struct ButtonPlace {
        std::wstring picture;
        int x, y, width, height;
    };
    const ButtonPlace buttons[] = {
        {L"PrintButton", 30, 490, 84, 47},  {L"SaveAsButton", 128, 490, 148, 47},
        {L"RetryButton", 535, 490, 109, 47}, {L"CloseButton", 660, 490, 111, 47},
        {L"ExitButton", 755, 22, 21, 21},
    };
    for (size_t i = 0; i < std::size(buttons); ++i) {
        const ButtonPlace& expected = buttons[i];
        SCOPED_TRACE(Utf8(expected.picture));
        auto* button = dynamic_cast<ShellButton*>(children[11 + i]);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetRect(), (platform::Rect{expected.x, expected.y, expected.x + expected.width,
                                                     expected.y + expected.height}));
        EXPECT_EQ(button->states[IMStateView::Normal], expected.picture);
        const bool skinLooks = expected.picture != L"ExitButton";
        EXPECT_EQ(button->states[IMStateView::Over], skinLooks ? expected.picture + L"Nuv" : expected.picture);
        EXPECT_EQ(button->states[IMStateView::Pressed],
                  skinLooks ? expected.picture + L"Klick" : expected.picture);
        EXPECT_TRUE(button->IsEnabled());
        EXPECT_EQ(button->color, 0xFFFFFFFFu);
    }
    // Nothing is drawn but what the layout lists.
    EXPECT_EQ(children.size(), 16u);
}

TEST_F(ResultsScreenTest, WithoutANamePrintAndSaveAsAreGreyAndDoNotReact) {
    // The same screen with a report, for the buttons' own colours.
    IMControl::Dialog* withReport = FinishRun(L"Аня", L"x");
    const platform::Screenshot normal = Screen();
    withReport->Close(IMEvent(withReport, IMEventCode::Close));
    delete app->report;
    app->report = nullptr;

    IMControl::Dialog* screen = ShowResults();
    KeepScreenshot("results-without-name");
    const platform::Screenshot grey = Screen();
    for (auto [x, y] : {std::pair{30, 490}, {128, 490}}) {
        ShellButton* button = ButtonAt(screen, x, y);
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->IsEnabled());
        EXPECT_EQ(button->color, 0xFF808080u);
        // Every opaque pixel of the picture is its own colour times 128/255.
        int checked = 0;
        const platform::Rect rect = button->GetRect();
        for (int py = rect.top; py < rect.bottom; py += 3)
            for (int px = rect.left; px < rect.right; px += 3) {
                if (Renderer->GetTexturePixel(button->textureId, px - rect.left, py - rect.top) >> 24 != 0xFF)
                    continue;  // the background shows through the rounded ends
                const uint32_t before = normal.At(px, py);
                const uint32_t after = grey.At(px, py);
                for (int shift : {0, 8, 16}) {
                    const int channel = (before >> shift) & 0xFF;
                    EXPECT_NEAR((after >> shift) & 0xFF, channel * 128 / 255, 2) << px << "," << py;
                }
                ++checked;
            }
        EXPECT_GT(checked, 100);

        const size_t before = TopLevel().size();
        Click(button);
        EXPECT_EQ(TopLevel().size(), before) << "no dialog opens";
    }
    EXPECT_EQ(Topmost<IMSaveAsDialog>(), nullptr);
    EXPECT_EQ(Topmost<IMSelectPrinterDialog>(), nullptr);
}

TEST_F(ResultsScreenTest, TheFinishedRunIsOnDiskWhenItsResultsAppear) {
    FinishRun(L"Аня", L"05-March-2008 14:07");
    // Not a byte more is needed from the program: it may die now.
    const Sheets sheets = ReadSheets(DefaultFile());
    EXPECT_EQ(sheets, (Sheets{{L"Аня",
                               {{L"Время начала работы с упражнением", L"05-March-2008 14:07"},
                                {L"Сундук", L"12"},
                                {}}}}));
    EXPECT_FALSE(app->report->HasUnsavedRows());
}

TEST_F(ResultsScreenTest, RetryShowsTheStartScreenAndANewNameKeepsTheEarlierRun) {
    app->currentStep.clear();  // as after the last step
    IMControl::Dialog* screen = FinishRun(L"Аня", L"first");
    EXPECT_EQ(app->currentStep, L"Dialog1") << "the sequence can run again";
    std::weak_ptr<void> alive = screen->LifetimeToken();

    Click(ButtonAt(screen, 535, 490));
    EXPECT_EQ(app->startScreens, 1);
    EXPECT_TRUE(alive.expired()) << "the results screen closed after the start screen opened";

    FinishRun(L"Борис", L"second");
    const Sheets sheets = ReadSheets(DefaultFile());
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].first, L"Аня");
    EXPECT_EQ(sheets[0].second.at(0).at(1), L"first");
    EXPECT_EQ(sheets[1].first, L"Борис");
}

TEST_F(ResultsScreenTest, ANewNameAfterAFailedSaveKeepsTheEarlierRunInAKeptFile) {
    {
        SimulatedDiskFull full(0, folder.Reports());
        testing::internal::CaptureStderr();
        FinishRun(L"Аня", L"first");
        EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("they were kept in"));
        EXPECT_NE(LabelWithText(Topmost<IMControl::Dialog>(),
                            L"Результаты не удалось записать в общую таблицу: сохраните их кнопкой "
                            L"«Сохранить как...»"),
                  nullptr)
            << "the screen says so";
        KeepScreenshot("results-not-saved");
        app->PrepareReport(L"Борис");
    }
    const std::vector<KeptRows> kept = FindKeptRows(kReportTitle);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(ReadSheets(kept[0].file).at(0).second.at(0).at(1), L"first");
    EXPECT_FALSE(std::filesystem::exists(DefaultFile())) << "nothing was written where it failed";
}

TEST_F(ResultsScreenTest, CloseAndExitEndTheProgramWithTheReportSaved) {
    for (auto [x, y] : {std::pair{660, 490}, {755, 22}}) {
        SCOPED_TRACE(x);
        TearDown();
        quit = false;
        std::filesystem::remove(DefaultFile());
        SetUp();
        IMControl::Dialog* screen = FinishRun(L"Аня", L"run");
        std::filesystem::remove(DefaultFile());
        Click(ButtonAt(screen, x, y));
        EXPECT_TRUE(quit) << "the loop ended";
        EXPECT_EQ(ReadSheets(DefaultFile()).size(), 1u) << "saved on the way out";
    }
}

TEST_F(ResultsScreenTest, EnterRunsTheNextStepAndClosesTheScreen) {
    IMControl::Dialog* screen = FinishRun(L"Аня", L"run");
    std::weak_ptr<void> alive = screen->LifetimeToken();
    display.PressKey(SDLK_a);
    Pass();
    EXPECT_FALSE(alive.expired()) << "other keys do nothing";
    Key(SDLK_RETURN);
    EXPECT_TRUE(alive.expired());
}

} // namespace
