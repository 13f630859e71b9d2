// The credits: Ctrl+I and nothing else opens them, once, above everything,
// laid out role by role, with the pointer shown and its count given back.
#include "tests/shell/ShellFixture.h"

namespace {

using platform::Rect;

class CreditsTest : public ShellTest {
public:
    void SetUp() override {
        ShellTest::SetUp();
        app->ShowStartScreen();
        Pass();
    }
    // Whether the credits are open is the process's, not the window's: they
    // close here so that the next test finds them closed.
    void TearDown() override {
        if (!Credits().empty())
            CloseCredits();
        ShellTest::TearDown();
    }
    void PressCtrlI() {
        display.PressKey(SDLK_LCTRL, KMOD_LCTRL);
        Key(SDLK_i, KMOD_LCTRL);
        display.ReleaseKey(SDLK_LCTRL, KMOD_NONE);
        Pass();
    }
    std::vector<Dialog*> Credits() const { return Screens(9999); }
    void CloseCredits() {
        const Dialog* overlay = Credits().at(0);
        ClickAt(ButtonOf(overlay, L"ExitButton")->GetRect());
        Pass();
    }
};

TEST_F(CreditsTest, CtrlIOpensThemAboveTheExitBoxRoleByRole) {
    Key(SDLK_F12);
    PressCtrlI();
    ASSERT_EQ(Credits().size(), 1u);
    const Dialog* overlay = Credits()[0];
    // The highest layer of the window: above the exit box's 1099.
    EXPECT_EQ(MainWindow->children.rbegin()->first, 9999);
    EXPECT_EQ(overlay->GetRect(), (Rect{0, 0, 800, 600}));
    const std::vector<Picture*> background = PicturesOf(overlay, L"DefaultBackGround");
    ASSERT_EQ(background.size(), 1u);
    EXPECT_EQ(background[0]->GetRect(), (Rect{0, 0, 800, 600}));
    const Button* exit = ButtonOf(overlay, L"ExitButton");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->GetRect().left, 755);
    EXPECT_EQ(exit->GetRect().top, 22);

    // Every text at x = 22 in the screens' colour, not bold; the headings and
    // their name lines at the designed tops and sizes.
    struct Row {
        int top;
        int size;
        const wchar_t* text; // null for a name line, whose words are the title's own
    };
    const Row rows[] = {
        {18, 25, L"Марведа"},
        {90, 21, L"Авторы:"},
        {110, 20, nullptr},
        {130, 20, nullptr},
        {170, 21, L"Руководитель проекта:"},
        {190, 20, nullptr},
        {230, 21, L"Программисты:"},
        {250, 20, nullptr},
        {270, 20, nullptr},
        {310, 21, L"Художник:"},
        {330, 20, nullptr},
        {370, 21, L"Дизайнер-аниматор:"},
        {390, 20, nullptr},
        {430, 21, L"Трёхмерная графика:"},
        {450, 20, nullptr},
    };
    const std::vector<Label*> labels = All<Label>(overlay);
    ASSERT_EQ(labels.size(), std::size(rows));
    for (size_t i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE("text " + std::to_string(i) + ": " +
                     platform::WideToUtf8(labels[i]->GetText()));
        EXPECT_EQ(labels[i]->GetRect().left, 22);
        EXPECT_EQ(labels[i]->GetRect().top, rows[i].top);
        EXPECT_EQ(labels[i]->fontSize, rows[i].size);
        EXPECT_FALSE(labels[i]->bold);
        EXPECT_EQ(labels[i]->color, 0xFF072134u);
        if (rows[i].text)
            EXPECT_EQ(labels[i]->GetText(), rows[i].text);
        else
            EXPECT_FALSE(labels[i]->GetText().empty());
        // Nothing runs under the Exit button.
        EXPECT_LT(labels[i]->GetRect().right, 755);
    }

    // The Exit button closes them; the exit box is still there beneath.
    CloseCredits();
    EXPECT_TRUE(Credits().empty());
    EXPECT_EQ(Screens(1099).size(), 1u);
}

TEST_F(CreditsTest, OnlyCtrlIOpensThemAndOnlyOnce) {
    Key(SDLK_i);
    EXPECT_TRUE(Credits().empty());
    Key(SDLK_u, KMOD_LCTRL);
    EXPECT_TRUE(Credits().empty());
    PressCtrlI();
    PressCtrlI();
    EXPECT_EQ(Credits().size(), 1u);
    CloseCredits();
    // Closed, they open again.
    PressCtrlI();
    EXPECT_EQ(Credits().size(), 1u);
}

TEST_F(CreditsTest, ThePointerShowsOverThemAndItsCountComesBackAfter) {
    for (const int count : {-2, 0, 3}) {
        SCOPED_TRACE("count " + std::to_string(count));
        while (CursorCount() > count)
            platform::ShowCursor(false);
        while (CursorCount() < count)
            platform::ShowCursor(true);
        PressCtrlI();
        EXPECT_TRUE(display.IsCursorVisible());
        EXPECT_GT(CursorCount(), 1);
        CloseCredits();
        EXPECT_EQ(CursorCount(), count);
        EXPECT_EQ(display.IsCursorVisible(), count >= 0);
    }
}

TEST_F(CreditsTest, TheScreenBeneathKeepsTheKeyboard) {
    PressCtrlI();
    CloseCredits();
    Type("Оля");
    EXPECT_EQ(NameField(TopScreen())->GetText(), L"Оля");
}

} // namespace
