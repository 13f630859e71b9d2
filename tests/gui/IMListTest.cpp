// The list: its frame, items stacked by their heights, and selection by clicking.
#include "GuiFixture.h"

#include "gui/IMList.h"

using namespace platform;

namespace {

class IMListTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        list = new IMList(window);
        list->SetRect(Rect{100, 50, 400, 250});
        Pass();
    }

    void Click(int x, int y) {
        display.MoveMouse(x, y);
        display.PressButton(SDL_BUTTON_LEFT, x, y);
        display.ReleaseButton(SDL_BUTTON_LEFT, x, y);
        Pass();
    }

    IMList* list = nullptr;
};

TEST_F(IMListTest, TheFrameCoversTheList) {
    EXPECT_EQ(list->frame->GetRect(), (Rect{100, 50, 400, 250}));
    EXPECT_EQ(list->inner->GetRect(), (Rect{1, 1, 299, 199}));
    EXPECT_EQ(list->background->GetRect(), (Rect{1, 1, 299, 199}));
    EXPECT_EQ(list->leftLine->GetRect(), (Rect{0, 0, 1, 200}));
    EXPECT_EQ(list->topLine->GetRect(), (Rect{0, 0, 300, 1}));
    EXPECT_EQ(list->bottomLine->GetRect(), (Rect{0, 199, 300, 200}));
    EXPECT_EQ(list->rightLine->GetRect(), (Rect{299, 0, 300, 200}));
    EXPECT_TRUE(list->selectionMark->IsHidden());
}

TEST_F(IMListTest, ItemsStackWithoutGapsAndAClickSelects) {
    auto* first = list->AddItem(L"Принтер 1");
    auto* empty = list->AddItem(L"");
    auto* third = list->AddItem(L"PDF");
    Pass();
    EXPECT_EQ(first->GetRect().top, 0);
    EXPECT_EQ(empty->GetRect(), (Rect{0, 16, 0, 16}));
    EXPECT_EQ(third->GetRect().top, 16);
    EXPECT_EQ(first->glyphs[0]->color, 0xFF000000u);
    EXPECT_EQ(list->selected, nullptr);

    // Inner at (101, 51) on the screen.
    Click(105, 60);
    EXPECT_EQ(list->selected, first);
    EXPECT_FALSE(list->selectionMark->IsHidden());
    EXPECT_EQ(list->selectionMark->GetRect(), (Rect{0, 0, 298, 17}));
    Click(105, 75);
    EXPECT_EQ(list->selected, third);
    EXPECT_EQ(list->selectionMark->GetRect(), (Rect{0, 16, 298, 33}));
    // A click beside the items changes nothing.
    Click(350, 150);
    EXPECT_EQ(list->selected, third);

    list->Select(nullptr);
    EXPECT_TRUE(list->selectionMark->IsHidden());
}

TEST_F(IMListTest, ClosingTheListTakesItsFrame) {
    list->AddItem(L"x");
    Pass();
    list->Close(IMEvent(list, 16));
    Pass(2);
    EXPECT_TRUE(window->children.empty());
}

} // namespace
