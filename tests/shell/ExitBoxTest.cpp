// The exit box: one box on F12 whatever the screen, its veil, box and frame,
// and what Retry, Close and Cancel do at each point of a run.
#include "tests/shell/ShellFixture.h"

#include <functional>

namespace {

using platform::Rect;

constexpr Rect kBox{332, 200, 468, 400};

class ExitBoxTest : public ShellTest {
public:
    Dialog* OpenStartScreen() {
        app->ShowStartScreen();
        Pass();
        return TopScreen();
    }
    // The start screen confirmed and the first step running, as after the
    // instruction.
    void StartTheStep(const char* name = "Петя") {
        Dialog* screen = OpenStartScreen();
        Type(name);
        ClickAt(ButtonOf(screen, L"StartPopStartButton")->GetRect());
        app->NextStep();
        Pass();
    }
    std::vector<Dialog*> Boxes() const { return Screens(1099); }
    // A button of the box, in screen coordinates.
    Rect BoxButton(const std::wstring& picture) const {
        const Dialog* overlay = Boxes().at(0);
        const Dialog* box = All<Dialog>(overlay).at(0);
        return ButtonOf(box, picture)->GetRect().Offset(kBox.left, kBox.top);
    }
};

TEST_F(ExitBoxTest, F12OpensOneBoxOnEveryScreen) {
    struct Row {
        const char* screen;
        std::function<void(ExitBoxTest&)> reach;
    };
    const Row rows[] = {
        {"start screen", [](ExitBoxTest& test) { test.OpenStartScreen(); }},
        {"step", [](ExitBoxTest& test) { test.StartTheStep(); }},
        {"after the run",
         [](ExitBoxTest& test) {
             test.StartTheStep();
             test.app->lastStepDialog->Close(IMEvent(test.app->lastStepDialog, 16));
             test.Pass();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.screen);
        row.reach(*this);
        Key(SDLK_F12);
        Key(SDLK_F12);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(app->exitBox, Boxes()[0]);
        ClickAt(BoxButton(L"CancelButton"));
        Pass();
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(app->exitBox, nullptr);
    }
}

TEST_F(ExitBoxTest, VeilBoxButtonsAndAOnePixelFrameInTheMiddle) {
    OpenStartScreen();
    display.MoveMouse(20, 580);
    Pass();
    const platform::Screenshot before = Renderer->ReadPixels();
    Key(SDLK_F12);
    const Dialog* overlay = app->exitBox;
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->GetRect(), (Rect{0, 0, 800, 600}));

    const std::vector<Picture*> veil = PicturesOf(overlay, L"EditBarKaretka");
    ASSERT_EQ(veil.size(), 1u);
    EXPECT_EQ(veil[0]->GetRect(), (Rect{0, 0, 800, 600}));
    EXPECT_EQ(veil[0]->color, 0x4B000096u);
    const std::vector<Dialog*> boxes = All<Dialog>(overlay);
    ASSERT_EQ(boxes.size(), 1u);
    const Dialog* box = boxes[0];
    EXPECT_EQ(box->GetRect(), kBox);
    EXPECT_EQ(overlay->FindLayer(const_cast<Dialog*>(box)), 1);

    const std::vector<Picture*> background = PicturesOf(box, L"DefaultBackGround");
    ASSERT_EQ(background.size(), 1u);
    EXPECT_EQ(background[0]->GetRect(), (Rect{0, -100, 136, 300}));
    struct ButtonRow {
        const wchar_t* picture;
        int top;
    };
    for (const ButtonRow& row : {ButtonRow{L"RetryButton", 20}, ButtonRow{L"CloseButton", 80},
                                 ButtonRow{L"CancelButton", 140}}) {
        const std::wstring name = row.picture;
        const Button* button = ButtonOf(box, name);
        ASSERT_NE(button, nullptr) << platform::WideToUtf8(name);
        EXPECT_EQ(button->GetRect(), button->GetSourceRect().Offset(10, row.top));
        EXPECT_EQ(button->states,
                  (std::map<int, std::wstring>{{IMStateView::Normal, name},
                                               {IMStateView::Disabled, name},
                                               {IMStateView::Over, name + L"Nuv"},
                                               {IMStateView::Pressed, name + L"Klick"}}));
    }
    std::vector<Rect> frame;
    for (const Picture* line : PicturesOf(box, L"EditBarKaretka"))
        frame.push_back(line->GetRect());
    EXPECT_EQ(frame, (std::vector<Rect>{
                         {0, 0, 1, 200}, {0, 0, 136, 1}, {135, 0, 136, 200}, {0, 199, 136, 200}}));

    // On the screen: the frame is one pixel wide on all four sides, and the
    // veil darkens what lies outside the box.
    const platform::Screenshot shot = Renderer->ReadPixels();
    const uint32_t frameColour = shot.At(kBox.left, 300);
    for (const platform::Point& p :
         {platform::Point{kBox.right - 1, 300}, {400, kBox.top}, {400, kBox.bottom - 1}})
        EXPECT_EQ(shot.At(p.x, p.y), frameColour) << p.x << ", " << p.y;
    for (const platform::Point& p : {platform::Point{kBox.left + 1, 300},
                                     {kBox.right - 2, 300},
                                     {400, kBox.top + 1},
                                     {400, kBox.bottom - 2}})
        EXPECT_NE(shot.At(p.x, p.y), frameColour) << p.x << ", " << p.y;
    for (const platform::Point& p : {platform::Point{50, 50}, {700, 550}}) {
        const uint32_t under = before.At(p.x, p.y);
        const uint32_t veiled = shot.At(p.x, p.y);
        EXPECT_LT((veiled >> 8) & 0xFF, (under >> 8) & 0xFF) << p.x << ", " << p.y;
    }
}

TEST_F(ExitBoxTest, CancelReturnsToTheScreenAsItWas) {
    Dialog* screen = OpenStartScreen();
    Type("Петя");
    // The pointer waits where Cancel will be, so the screen looks the same
    // with it there before and after.
    const int cancelX = kBox.left + 10 + 20;
    const int cancelY = kBox.top + 140 + 10;
    display.MoveMouse(cancelX, cancelY);
    Pass();
    const platform::Screenshot before = Renderer->ReadPixels();
    Key(SDLK_F12);
    ClickAt(BoxButton(L"CancelButton"));
    Pass();
    EXPECT_EQ(app->exitBox, nullptr);
    EXPECT_EQ(TopScreen(), screen);
    EXPECT_EQ(Renderer->ReadPixels().pixels, before.pixels);
    // The name field still has the focus and the name.
    Type("н");
    EXPECT_EQ(NameField(screen)->GetText(), L"Петян");
}

TEST_F(ExitBoxTest, RetryDuringTheStepEndsTheRunAndOpensTheStartScreen) {
    StartTheStep();
    Dialog* step = app->stepDialog;
    ASSERT_NE(step, nullptr);
    ASSERT_EQ(app->currentStep, L"");
    Key(SDLK_F12);
    ClickAt(BoxButton(L"RetryButton"));

    EXPECT_EQ(app->exitBox, nullptr);
    EXPECT_EQ(app->stepDialog, nullptr);
    const std::vector<Dialog*> left = Screens();
    EXPECT_EQ(std::find(left.begin(), left.end(), step), left.end());
    EXPECT_EQ(app->currentStep, L"Dialog1");
    EXPECT_EQ(app->resultsShown, 1);
    // The aborted run is closed in the workbook like a finished one, and is
    // on disk already.
    const std::string report = ReportTestFolder::Read(Workbook());
    const size_t count = report.find(Utf8(L"Количество дополнительных вызовов инструкций"));
    const size_t total = report.find(Utf8(L"Общее время работы с упражнением. с."));
    ASSERT_NE(count, std::string::npos);
    ASSERT_NE(total, std::string::npos);
    EXPECT_LT(count, total);
    EXPECT_NE(report.find("<Row/>", total), std::string::npos);

    // A fresh start screen on top, with an empty name, over the aborted
    // run's results; a new Start runs the step again.
    Pass();
    const std::vector<Dialog*> screens = Screens();
    ASSERT_GE(screens.size(), 2u);
    Dialog* screen = screens.back();
    EXPECT_NE(LabelWithText(screens[screens.size() - 2], L"ЗАДАНИЕ ВЫПОЛНЕНО"), nullptr);
    ASSERT_NE(NameField(screen), nullptr);
    EXPECT_EQ(NameField(screen)->GetText(), L"");
    Type("Петя");
    ClickAt(ButtonOf(screen, L"StartPopStartButton")->GetRect());
    app->NextStep();
    EXPECT_EQ(app->stepRuns, 2);
    EXPECT_EQ(app->stepDialog, app->lastStepDialog);
}

TEST_F(ExitBoxTest, RetryWithoutARunningStepOnlyClosesTheBox) {
    struct Row {
        const char* when;
        std::function<void(ExitBoxTest&)> reach;
    };
    const Row rows[] = {
        {"before the step", [](ExitBoxTest& test) { test.OpenStartScreen(); }},
        {"after the step",
         [](ExitBoxTest& test) {
             test.StartTheStep();
             test.app->lastStepDialog->Close(IMEvent(test.app->lastStepDialog, 16));
             test.Pass();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.when);
        row.reach(*this);
        const std::vector<Dialog*> screens = Screens();
        const int results = app->resultsShown;
        const std::wstring next = app->currentStep;
        Key(SDLK_F12);
        ClickAt(BoxButton(L"RetryButton"));
        Pass();
        EXPECT_EQ(app->exitBox, nullptr);
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(Screens(), screens);
        EXPECT_EQ(app->resultsShown, results);
        EXPECT_EQ(app->currentStep, next);
        // Straight from the program, the answer says nothing was restarted.
        EXPECT_EQ(app->Restart(), 1);
    }
}

TEST_F(ExitBoxTest, CloseEndsTheProgramAndTheReportIsSavedOnTheWay) {
    StartTheStep("Петя");
    Key(SDLK_F12);
    ClickAt(BoxButton(L"CloseButton"));
    Pass(2);
    EXPECT_TRUE(quit);
    const std::vector<Row> rows = RowsOf(ReportTestFolder::Read(Workbook()));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, Utf8(L"Время начала работы с упражнением"));
}

} // namespace
