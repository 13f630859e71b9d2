// The entry field and its text edit, driven by real key events through the window: typing and
// deleting, the keys that type nothing, the caret's place, size and blinking, the frame layout,
// and scrolling to keep the caret in view.
#include "GuiFixture.h"

#include "gui/IMEditBar.h"

using namespace platform;

namespace {

class IMEditBarTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        bar = new IMEditBar(window);
        bar->SetSize(520, 20);
        bar->SetPosition(135, 460);
        bar->SetFocus(true);
        edit = bar->edit;
        Pass();
    }

    void Key(SDL_Keycode key, uint16_t modifiers = KMOD_NONE) {
        display.PressKey(key, modifiers);
        display.ReleaseKey(key, modifiers);
        Pass();
    }
    void Type(const char* utf8) {
        display.TypeText(utf8);
        Pass();
    }
    Rect Caret() const { return edit->caretPicture->GetRect(); }

    IMEditBar* bar = nullptr;
    IMTextEdit* edit = nullptr;
};

TEST_F(IMEditBarTest, TypingAndDeleting) {
    struct Step {
        const char* what;
        std::function<void()> act;
        std::wstring text;
        int caret;
    } steps[] = {
        {"type", [&] { Type("аб"); }, L"аб", 2},
        {"Enter", [&] { Key(SDLK_RETURN); }, L"аб", 2},
        {"Tab", [&] { Key(SDLK_TAB); }, L"аб", 2},
        {"Escape", [&] { Key(SDLK_ESCAPE); }, L"аб", 2},
        {"Ctrl+Enter (line feed)", [&] { Key(SDLK_RETURN, KMOD_LCTRL); }, L"аб", 2},
        {"Ctrl+A", [&] { Key(SDLK_a, KMOD_LCTRL); }, L"аб\x01", 3},
        {"Left", [&] { Key(SDLK_LEFT); }, L"аб\x01", 2},
        {"Backspace", [&] { Key(SDLK_BACKSPACE); }, L"а\x01", 1},
        {"Delete", [&] { Key(SDLK_DELETE); }, L"а", 1},
        {"Delete at the end", [&] { Key(SDLK_DELETE); }, L"а", 1},
        {"Left", [&] { Key(SDLK_LEFT); }, L"а", 0},
        {"Backspace at 0", [&] { Key(SDLK_BACKSPACE); }, L"а", 0},
        {"Left at 0", [&] { Key(SDLK_LEFT); }, L"а", 0},
        {"Right twice", [&] { Key(SDLK_RIGHT), Key(SDLK_RIGHT); }, L"а", 1},
        {"type between", [&] { Key(SDLK_LEFT), Type("x"); }, L"xа", 1},
    };
    for (auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(bar->GetText(), step.text);
        EXPECT_EQ(edit->caretPos, step.caret);
    }
    // The control character has a picture of its own like any other character.
    EXPECT_GT(edit->glyphs.size(), 0u);
    EXPECT_EQ(edit->glyphs[0]->color, 0xFF000000u);
}

TEST_F(IMEditBarTest, AnEditThatIsNotEditableStillMovesTheCaret) {
    Type("abc");
    edit->editable = false;
    Type("d");
    Key(SDLK_BACKSPACE);
    Key(SDLK_LEFT);
    Key(SDLK_DELETE);
    EXPECT_EQ(bar->GetText(), L"abc");
    EXPECT_EQ(edit->caretPos, 2);
}

TEST_F(IMEditBarTest, TheFrameIsLaidOutInsideTheBar) {
    EXPECT_EQ(bar->GetRect(), (Rect{135, 460, 655, 480}));
    struct {
        IMControl* part;
        Rect rect;
    } parts[] = {
        {bar->cornerLeftTop, {0, 0, 1, 1}},      {bar->cornerRightTop, {519, 0, 520, 1}},
        {bar->cornerLeftBottom, {0, 19, 1, 20}}, {bar->cornerRightBottom, {519, 19, 520, 20}},
        {bar->borderLeft, {0, 1, 1, 19}},        {bar->borderTop, {1, 0, 519, 1}},
        {bar->borderRight, {519, 1, 520, 19}},   {bar->borderBottom, {1, 19, 519, 20}},
        {bar->background, {1, 1, 519, 19}},      {bar->edit, {3, 2, 519, 19}},
    };
    for (auto& p : parts)
        EXPECT_EQ(p.part->GetRect(), p.rect);
}

TEST_F(IMEditBarTest, TheCaretFollowsTheTextAndIsAsTallAsItsGlyphs) {
    // An empty text: the height of a space in the edit's font, at the edit's corner.
    EXPECT_EQ(Caret(), (Rect{3, 2, 4, 18}));
    edit->SetFontSize(30);
    edit->UpdateCaret();
    EXPECT_EQ(Caret(), (Rect{3, 2, 4, 32}));
    EXPECT_EQ(Renderer->FindTexture(L"TempSpaceBar"), Renderer->InvalidTexture());

    Type("ab");
    const Rect b = edit->glyphs[1]->rect;
    EXPECT_EQ(Caret(), (Rect{3 + b.right, 2, 4 + b.right, 32}));
    Key(SDLK_LEFT);
    Key(SDLK_LEFT);
    EXPECT_EQ(Caret(), (Rect{3, 2, 4, 32}));
}

TEST_F(IMEditBarTest, ReplacingTheTextKeepsTheCaretWithinIt) {
    Type("abcdef");
    ASSERT_EQ(edit->caretPos, 6);
    edit->SetText(L"xy");
    ASSERT_LE(edit->caretPos, 2);
    EXPECT_EQ(Caret().left, 3 + (edit->caretPos > 0 ? edit->glyphs[edit->caretPos - 1]->rect.right : 0));
    edit->SetText(L"");
    EXPECT_EQ(edit->caretPos, 0);
    EXPECT_EQ(Caret(), (Rect{3, 2, 4, 18}));
}

TEST_F(IMEditBarTest, TheCaretBlinksWhileTheEditHasTheFocus) {
    auto* caret = edit->caretPicture;
    EXPECT_TRUE(edit->IsFocused());
    EXPECT_FALSE(caret->IsHidden());
    std::vector<bool> hidden;
    for (int i = 0; i < 4; ++i) {
        AdvanceMilliseconds(500);
        Pass();
        hidden.push_back(caret->IsHidden());
    }
    EXPECT_EQ(hidden, (std::vector<bool>{true, false, true, false}));
    // A key shows it at once; losing the focus hides it for good.
    AdvanceMilliseconds(500);
    Pass();
    Key(SDLK_LEFT);
    EXPECT_FALSE(caret->IsHidden());
    bar->SetFocus(false);
    EXPECT_TRUE(caret->IsHidden());
    AdvanceMilliseconds(500);
    Pass();
    EXPECT_TRUE(caret->IsHidden());

    // Closing the bar takes the caret and the blink timer with it.
    const size_t timers = window->timers.size();
    bar->Close(IMEvent(bar, 16));
    Pass(2);
    EXPECT_EQ(window->timers.size(), timers - 1);
    EXPECT_TRUE(window->children.empty());
}

TEST_F(IMEditBarTest, ScrollingKeepsTheCaretThreePixelsInside) {
    for (int i = 0; i < 60; ++i) {
        Type("W");
        ASSERT_LE(Caret().right, 517) << i;
    }
    EXPECT_EQ(Caret().right, 517);
    EXPECT_LT(edit->GetRect().left, 0);
    EXPECT_GE(edit->GetRect().right, Caret().right) << "the last glyph is not cut off";
    const Rect text = edit->GetSourceRect();
    EXPECT_EQ(bar->GetSourceRect(), (Rect{0, 0, text.right + 6, text.bottom + 2}));

    for (int i = 0; i < 60; ++i) {
        Key(SDLK_LEFT);
        ASSERT_GE(Caret().left, 0) << i;
    }
    EXPECT_EQ(edit->caretPos, 0);
    EXPECT_EQ(Caret().left, 2);
}

TEST_F(IMEditBarTest, UpAndDownKeepTheRememberedColumn) {
    auto* lines = new IMTextEdit(window);
    lines->multiline = true;
    lines->SetRect(Rect{0, 0, 200, 100});
    lines->SetText(L"abc\nde\nfghij");
    lines->SetFocus(true);
    Pass();
    lines->SetCaret(2);
    std::vector<int> carets;
    for (SDL_Keycode key : {SDLK_RIGHT, SDLK_DOWN, SDLK_DOWN, SDLK_UP, SDLK_UP}) {
        Key(key);
        carets.push_back(lines->caretPos);
    }
    // Column 3: before the line feed, then the end of "de" (before its line feed), then "i".
    EXPECT_EQ(carets, (std::vector<int>{3, 6, 10, 6, 3}));
}

} // namespace
