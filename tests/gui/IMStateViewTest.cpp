// The state pictures of a button and their fallbacks to the normal picture.
#include "GuiFixture.h"

#include "gui/IMButtonBase.h"

using namespace platform;

using IMStateViewTest = GuiTest;

TEST_F(IMStateViewTest, EmptyStateNamesFallBackToTheNormalPicture) {
    for (const wchar_t* name : {L"n", L"d", L"o", L"p"})
        MakeSolidPicture(name, 10, 10, 0xFFFFFFFF);
    struct Case {
        const wchar_t* disabled;
        const wchar_t* over;
        const wchar_t* pressed;
        std::map<int, std::wstring> expected;
    } cases[] = {
        {L"", L"", L"", {{0, L"n"}, {1, L"n"}, {3, L"n"}, {4, L"n"}}},
        {L"d", L"", L"p", {{0, L"n"}, {1, L"d"}, {3, L"n"}, {4, L"p"}}},
        {L"d", L"o", L"p", {{0, L"n"}, {1, L"d"}, {3, L"o"}, {4, L"p"}}},
    };
    for (const Case& c : cases) {
        auto* button = window->CreateButton(0, 0, L"n", c.disabled, c.over, c.pressed);
        EXPECT_EQ(button->states, c.expected);
        EXPECT_EQ(button->textureId, Renderer->FindTexture(L"n"));
        // Whatever state it is in, it shows that state's picture.
        button->Disable();
        EXPECT_EQ(button->textureId, Renderer->FindTexture(c.expected.at(1)));
    }
}
