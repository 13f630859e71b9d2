// Letters on keys of their own on the test's X server, through Xlib, and
// SDL's video started on it.
#include "tests/shell/ProgramRun.h"

#include "platform/window/Utf8Locale.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <clocale>
#include <cwctype>
#include <set>

namespace {

// The keysym of a character: Latin-1 keysyms are the character itself, the
// rest are the Unicode code point plus 0x01000000 (Xlib knows both).
KeySym KeySymOf(wchar_t character) {
    if (character < 0x100)
        return static_cast<KeySym>(character);
    return 0x01000000 + static_cast<KeySym>(character);
}

} // namespace

bool PrivateDisplay::MapLetters(const std::wstring& letters) const {
    Display* display = XOpenDisplay(name_.c_str());
    if (display == nullptr)
        return false;
    int first = 0, last = 0;
    XDisplayKeycodes(display, &first, &last);
    int perCode = 0;
    KeySym* map = XGetKeyboardMapping(display, first, last - first + 1, &perCode);
    std::set<wchar_t> lower;
    for (wchar_t letter : letters)
        if (letter != L' ')
            lower.insert(static_cast<wchar_t>(std::towlower(letter)));
    bool mapped = true;
    auto letter = lower.begin();
    for (int code = last; code >= first && letter != lower.end(); --code) {
        const KeySym* syms = map + (code - first) * perCode;
        bool free = true;
        for (int i = 0; i < perCode; ++i)
            free = free && syms[i] == NoSymbol;
        if (!free)
            continue;
        KeySym pair[2] = {KeySymOf(*letter),
                          KeySymOf(static_cast<wchar_t>(std::towupper(*letter)))};
        XChangeKeyboardMapping(display, code, 2, pair, 1);
        ++letter;
    }
    mapped = letter == lower.end();
    XFree(map);
    XSync(display, False);
    XCloseDisplay(display);
    return mapped;
}

bool PrivateDisplay::StartVideo(std::string& error) const {
    ::setenv("DISPLAY", name_.c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("SDL_VIDEODRIVER");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    // SDL's video opens its input method under the environment's locale,
    // which the window sees to be UTF-8 before it starts the video; started
    // here, the video must find it so already, or no Cyrillic comes through.
    // The process keeps its own locale, as the window leaves it.
    const std::string processLocale = std::setlocale(LC_CTYPE, nullptr);
    platform::EnsureUtf8Locale();
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!started)
        error = SDL_GetError();
    std::setlocale(LC_CTYPE, processLocale.c_str());
    return started;
}
