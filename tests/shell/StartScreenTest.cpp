// The start screen: what it shows and where, its description panel and
// scroll bar, the name field, and what Start, Enter, Exit and Options do.
#include "tests/shell/ShellFixture.h"

#include <functional>

#include "gui/IMScroll.h"

namespace {

using platform::Rect;

class StartScreenTest : public ShellTest {
public:
    Dialog* Open() {
        app->ShowStartScreen();
        Pass();
        return TopScreen();
    }

    // What a child of the screen is, for comparing the screen's make-up.
    static std::wstring Describe(IMControl* child) {
        if (dynamic_cast<IMEditBar*>(child))
            return L"<name field>";
        if (dynamic_cast<IMScroll*>(child))
            return L"<scroll bar>";
        if (dynamic_cast<Dialog*>(child))
            return L"<panel>";
        if (auto* label = dynamic_cast<Label*>(child))
            return label->GetText();
        if (auto* button = dynamic_cast<Button*>(child))
            return L"[" + button->states.at(IMStateView::Normal) + L"]";
        if (auto* picture = dynamic_cast<Picture*>(child))
            return Renderer->Slot(picture->textureId)->name;
        return L"?";
    }
    static std::vector<std::wstring> MakeUp(const Dialog* screen) {
        std::vector<std::wstring> parts;
        for (const auto& [layer, controls] : screen->children)
            for (IMControl* child : controls)
                parts.push_back(std::to_wstring(layer) + L" " + Describe(child));
        return parts;
    }

    // Pixels of the scene, inside the rectangle, that have the screens' text colour or near it.
    int TextPixels(const Rect& area) {
        const platform::Screenshot shot = Renderer->ReadPixels();
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                const uint32_t c = shot.At(x, y);
                if (((c >> 16) & 0xFF) < 0x40 && ((c >> 8) & 0xFF) < 0x50 && (c & 0xFF) < 0x70)
                    ++count;
            }
        return count;
    }
};

TEST_F(StartScreenTest, IsBuiltInTheDesignedOrderWhichIsItsDrawingOrder) {
    const Dialog* screen = Open();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->GetRect(), (Rect{0, 0, 800, 600}));
    const std::vector<std::wstring> expected{
        L"0 DefaultBackGround",
        L"0 информационный источник сложной структуры",
        L"0 Марведа",
        L"0 Номер ЦОР:",
        L"0 00517",
        L"0 Название:",
        L"0 Тренажер «Проба»",
        L"0 Описание:",
        L"0 <panel>",
        L"0 <scroll bar>",
        L"0 Ученик:",
        L"0 <name field>",
        L"0 [StartPopStartButton]",
        L"0 [ExitButton]",
        L"0 Клавиши:",
        L"0 EscButton",
        L"0 - пропустить инструкцию;",
        L"0 F1Button",
        L"0 - повторить инструкцию;",
        L"0 F12Button",
        L"0 - выход",
    };
    EXPECT_EQ(MakeUp(screen), expected);
}

TEST_F(StartScreenTest, TextsHaveTheirSizeWeightColourAndPlace) {
    const Dialog* screen = Open();
    constexpr int kCentred = -1;
    struct Row {
        const wchar_t* text;
        int size;
        bool bold;
        int left;
        int top;
    };
    const Row rows[] = {
        {L"информационный источник сложной структуры", 14, false, kCentred, 10},
        {L"Марведа", 18, true, kCentred, 35},
        {L"Номер ЦОР:", 18, true, 30, 115},
        {L"00517", 18, false, 135, 115},
        {L"Название:", 18, true, 30, 152},
        {L"Тренажер «Проба»", 18, false, 135, 152},
        {L"Описание:", 18, true, 30, 188},
        {L"Ученик:", 18, true, 30, 460},
        {L"Клавиши:", 18, true, 30, 520},
        {L"- пропустить инструкцию;", 16, false, 180, 520},
        {L"- повторить инструкцию;", 16, false, 395, 520},
        {L"- выход", 16, false, 600, 520},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::WideToUtf8(row.text));
        const Label* label = LabelWithText(screen, row.text);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->fontSize, row.size);
        EXPECT_EQ(label->bold, row.bold);
        EXPECT_EQ(label->color, 0xFF072134u);
        EXPECT_EQ(label->fontName, L"Arial");
        // Sized to its text as measured in its own font.
        const Rect extent = label->GetSourceRect();
        const Rect rect = label->GetRect();
        ASSERT_GT(extent.Width(), 0);
        EXPECT_EQ(rect.Width(), extent.Width());
        EXPECT_EQ(rect.Height(), extent.Height());
        EXPECT_EQ(rect.top, row.top);
        EXPECT_EQ(rect.left, row.left == kCentred ? 400 - extent.Width() / 2 : row.left);
    }

    // The bold title really is drawn, in the screens' colour, where it stands.
    EXPECT_GT(TextPixels(LabelWithText(screen, L"Марведа")->GetRect()), 20);
}

TEST_F(StartScreenTest, PicturesButtonsAndTheFocusedNameField) {
    const Dialog* screen = Open();
    struct Row {
        const wchar_t* name;
        int left;
        int top;
    };
    for (const Row& row :
         {Row{L"EscButton", 135, 517}, Row{L"F1Button", 350, 517}, Row{L"F12Button", 555, 517}}) {
        SCOPED_TRACE(platform::WideToUtf8(row.name));
        const std::vector<Picture*> pictures = PicturesOf(screen, row.name);
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(pictures[0]->GetRect(), pictures[0]->GetSourceRect().Offset(row.left, row.top));
        EXPECT_EQ(pictures[0]->color, 0xFFFFFFFFu);
    }
    const std::vector<Picture*> background = PicturesOf(screen, L"DefaultBackGround");
    ASSERT_EQ(background.size(), 1u);
    EXPECT_EQ(background[0]->GetRect(), (Rect{0, 0, 800, 600}));

    const Button* start = ButtonOf(screen, L"StartPopStartButton");
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->GetRect(), start->GetSourceRect().Offset(690, 450));
    EXPECT_EQ(start->states,
              (std::map<int, std::wstring>{{IMStateView::Normal, L"StartPopStartButton"},
                                           {IMStateView::Disabled, L"StartPopStartButton"},
                                           {IMStateView::Over, L"StartPopStartButtonNuv"},
                                           {IMStateView::Pressed, L"StartPopStartButtonKlick"}}));
    const Button* exit = ButtonOf(screen, L"ExitButton");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->GetRect(), exit->GetSourceRect().Offset(755, 22));
    for (const auto& [state, picture] : exit->states)
        EXPECT_EQ(picture, L"ExitButton") << "state " << state;

    IMEditBar* name = NameField(screen);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->GetRect(), (Rect{135, 460, 655, 480}));
    EXPECT_EQ(MainWindow->focusedChild, screen);
    EXPECT_EQ(screen->focusedChild, name);
    EXPECT_TRUE(name->edit->IsFocused());
    EXPECT_FALSE(name->edit->caretPicture->IsHidden());
    // Typing goes straight into it, Cyrillic included.
    Type("Петя");
    EXPECT_EQ(name->GetText(), L"Петя");
}

TEST_F(StartScreenTest, OptionsButtonOnlyWhenTheTitleGivesAHandler) {
    for (const bool withHandler : {false, true}) {
        SCOPED_TRACE(withHandler ? "with a handler" : "without one");
        int calls = 0;
        if (withHandler)
            app->optionsHandler = [&calls] { ++calls; };
        Dialog* screen = Open();
        Button* options = ButtonOf(screen, L"OptionsButton");
        if (!withHandler) {
            EXPECT_EQ(options, nullptr);
            screen->Close(IMEvent(screen, IMEventCode::Close));
            Pass();
            continue;
        }
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->GetRect(), options->GetSourceRect().Offset(665, 510));
        EXPECT_EQ(options->states.at(IMStateView::Over), L"OptionsButtonNuv");
        EXPECT_EQ(options->states.at(IMStateView::Pressed), L"OptionsButtonKlick");
        // The screen made a copy: the title may change its own afterwards.
        app->optionsHandler = {};
        ClickAt(options->GetRect());
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(TopScreen(), screen);
    }
}

TEST_F(StartScreenTest, TheDescriptionScrollsOnlyWhenItDoesNotFit) {
    std::wstring longText;
    for (int i = 1; i <= 30; ++i)
        longText += L"Строка " + std::to_wstring(i) + L": ЖЖЖЖЖЖЖЖ ЖЖЖЖЖЖЖЖ\n";
    longText += L"ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ последняя";
    struct Row {
        const char* what;
        std::wstring description;
        bool scrolls;
    };
    const Row rows[] = {
        {"empty", L"", false},
        {"one line", L"Одна строка.", false},
        {"thirty-one lines", longText, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        app->resourceDescription = row.description;
        Dialog* screen = Open();
        const std::vector<Dialog*> panels = All<Dialog>(screen);
        const std::vector<IMScroll*> bars = All<IMScroll>(screen);
        ASSERT_EQ(bars.size(), 1u);
        IMScroll* scroll = bars[0];
        Dialog* frame = nullptr;
        for (Dialog* panel : panels)
            if (panel != scroll && dynamic_cast<IMEditBar*>(panel) == nullptr)
                frame = panel;
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->GetRect(), (Rect{119, 187, 712, 423}));
        const std::vector<Dialog*> inner = All<Dialog>(frame);
        ASSERT_EQ(inner.size(), 1u);
        Dialog* panel = inner[0];
        const std::vector<Label*> texts = All<Label>(panel);
        ASSERT_EQ(texts.size(), 1u);
        Label* text = texts[0];
        EXPECT_TRUE(text->multiline);
        EXPECT_EQ(text->fontSize, 18);
        EXPECT_FALSE(text->bold);
        EXPECT_EQ(text->color, 0xFF072134u);
        EXPECT_EQ(text->GetText(), row.description);

        const Rect extent = text->GetSourceRect();
        const int height = row.description.empty() ? 235 : extent.Height();
        EXPECT_EQ(panel->GetRect(), (Rect{0, 0, 593, height}));
        EXPECT_EQ(scroll->GetRect(), (Rect{712, 187, 726, 427}));
        EXPECT_EQ(scroll->IsHidden(), !row.scrolls);
        EXPECT_EQ(scroll->maxValue, height);
        EXPECT_EQ(scroll->page, 236);
        if (!row.scrolls) {
            EXPECT_LE(height, 236);
            screen->Close(IMEvent(screen, IMEventCode::Close));
            Pass();
            continue;
        }
        EXPECT_GT(height, 415);
        EXPECT_EQ(scroll->pos, 0);

        // Dragging the thumb to the bottom and past it shows the end of the
        // text, and only the text moves.
        const Rect thumb = scroll->thumb->GetRect().Offset(712, 187);
        const int x = (thumb.left + thumb.right) / 2;
        const int y = (thumb.top + thumb.bottom) / 2;
        display.MoveMouse(x, y);
        Pass();
        display.PressButton(SDL_BUTTON_LEFT, x, y);
        Pass();
        for (int to = y + 50; to < 600; to += 50) {
            display.MoveMouse(x, to);
            Pass();
        }
        display.ReleaseButton(SDL_BUTTON_LEFT, x, 590);
        Pass(2);
        EXPECT_EQ(scroll->pos, height - 236);
        EXPECT_EQ(panel->GetRect(), (Rect{0, 236 - height, 593, height}));
        EXPECT_EQ(frame->GetRect(), (Rect{119, 187, 712, 423}));
        // The last line, beyond the text's first 415 pixels, is drawn at the
        // bottom of the frame.
        EXPECT_GT(TextPixels(Rect{119, 423 - 24, 712, 423}), 100);
        screen->Close(IMEvent(screen, IMEventCode::Close));
        Pass();
    }
}

class ConfirmTest : public StartScreenTest,
                    public testing::WithParamInterface<std::function<void(ConfirmTest&)>> {};

TEST_P(ConfirmTest, PreparesTheReportStoresTheNameAsTypedAndClosesTheScreen) {
    Dialog* screen = Open();
    Type(" Петя Иванов ");
    GetParam()(*this);
    EXPECT_EQ(app->studentName, L" Петя Иванов ");
    ASSERT_NE(app->report, nullptr);
    EXPECT_NE(ReportText().find(Utf8(L"Петя Иванов")), std::string::npos);
    EXPECT_TRUE(Leaving(screen) || TopScreen() != screen);
    Pass();
    EXPECT_TRUE(Screens().empty() || TopScreen() != screen);
}

TEST_P(ConfirmTest, AnEmptyNameStillStartsAndTheRunGoesOnWithoutAReport) {
    Dialog* screen = Open();
    GetParam()(*this);
    Pass();
    EXPECT_NE(TopScreen(), screen);
    EXPECT_EQ(app->studentName, L"");
    EXPECT_EQ(app->report, nullptr);
    // The step and the end of the run happen without any statistics.
    app->NextStep();
    Pass();
    ASSERT_NE(app->lastStepDialog, nullptr);
    app->lastStepDialog->Close(IMEvent(app->lastStepDialog, IMEventCode::Close));
    EXPECT_EQ(app->resultsShown, 1);
    EXPECT_EQ(app->report, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    StartAndEnter, ConfirmTest,
    testing::Values(
        [](ConfirmTest& test) {
            const Dialog* screen = test.TopScreen();
            test.ClickAt(ShellTest::ButtonOf(screen, L"StartPopStartButton")->GetRect());
        },
        [](ConfirmTest& test) { test.Key(SDLK_RETURN); }),
    [](const testing::TestParamInfo<std::function<void(ConfirmTest&)>>& info) {
        return info.index == 0 ? "StartButton" : "EnterKey";
    });

TEST_F(StartScreenTest, ExitEndsTheProgramAndWritesNothingWithoutAName) {
    const Dialog* screen = Open();
    Type("Петя");
    ClickAt(ButtonOf(screen, L"ExitButton")->GetRect());
    Pass(2);
    EXPECT_TRUE(quit);
    EXPECT_FALSE(std::filesystem::exists(folder.Reports()));
}

} // namespace
