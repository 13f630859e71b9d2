// The credits on Ctrl+I, above every screen: who made the program, role by
// role.
#include "shell/IMAppBase.h"

#include "gui/IMWindow.h"
#include "platform/window/Window.h"
#include "shell/ScreenParts.h"

namespace {

// Above everything, the exit box included.
constexpr int kCreditsLayer = 9999;
constexpr int kLeft = 22;
constexpr int kHeadingSize = 21;
constexpr int kNameSize = 20;
constexpr uint32_t kVirtualKeyControl = 0x11;

struct CreditsGroup {
    const wchar_t* heading;
    int top;
    std::initializer_list<const wchar_t*> lines;
};

// One line per role. The program was made by its engineering team, and its
// pictures, voice and videos by the project's own generators, so the lines
// name the team's roles and the libraries and tools each part stands on.
const CreditsGroup kCredits[] = {
    {L"Авторы:", 90, {L"Команда проекта «Зельтарик»", L"Ведущий инженер и инженеры команды"}},
    {L"Руководитель проекта:", 170, {L"Ведущий инженер команды"}},
    {L"Программисты:",
     230,
     {L"Инженеры команды: C++20, CMake", L"SDL2, Boost, Xerces-C, FreeType, AGG"}},
    {L"Художник:", 310, {L"Генераторы проекта: Pillow, NumPy"}},
    {L"Дизайнер-аниматор:", 370, {L"Генераторы проекта: FFmpeg, libtheora"}},
    {L"Трёхмерная графика:", 430, {L"SDL2 и OpenGL"}},
};

// Whether the credits are open, and the extra ShowCursor calls made when
// they opened; both belong to the main thread.
bool creditsShown = false;
int cursorShowCount = 0;

bool IsCreditsKey(uint32_t keyCode) {
    // The Latin I and, as Windows-1251 codes, the Cyrillic Ш the same key
    // carries on a Russian layout; a key-down brings the virtual key, 'I'.
    switch (keyCode & 0xFF) {
    case 0x49:
    case 0x69:
    case 0xD8:
    case 0xF8:
        return true;
    default:
        return false;
    }
}

} // namespace

long IMAppBase::ShowCredits(const IMKeyboardEvent& event) {
    if (!IsCreditsKey(event.wParam))
        return 0;
    if ((platform::GetAsyncKeyState(kVirtualKeyControl) & 0x8000) == 0)
        return 0;
    if (creditsShown)
        return 0;

    // The pointer must show over the credits even where the screen under
    // them hides it.
    cursorShowCount = 0;
    for (int count = platform::ShowCursor(true); count <= 1; count = platform::ShowCursor(true))
        ++cursorShowCount;
    creditsShown = true;

    Dialog* overlay = CreateDialog(mainWindow, 0, 0, mainWindow->GetWidth(),
                                   mainWindow->GetHeight(), kCreditsLayer);
    // The screens beneath keep the keyboard, as under the exit box.
    overlay->SetFocusable(false);
    AddBackground(overlay);
    AddLabel(overlay, kLeft, 18, L"Марведа", 25);
    for (const CreditsGroup& group : kCredits) {
        AddLabel(overlay, kLeft, group.top, group.heading, kHeadingSize);
        int top = group.top + 20;
        for (const wchar_t* line : group.lines) {
            AddLabel(overlay, kLeft, top, line, kNameSize);
            top += 20;
        }
    }

    overlay->CreateButton(755, 22, L"ExitButton", L"", L"", L"")
        ->OnClick.connect([overlay](const IMMouseEvent&) {
            return overlay->Close(IMEvent(overlay, IMEventCode::Close));
        });
    overlay->OnClose.connect([](const IMEvent&) {
        for (int i = 0; i <= cursorShowCount; ++i)
            platform::ShowCursor(false);
        creditsShown = false;
        return 0L;
    });
    return 0;
}
