// Turns SDL events into the Win32 messages the framework handles, with the
// message numbers and parameter packing of Windows. Both window backends run
// every event through it, so the headless twin translates exactly as the real
// window does.
#pragma once

#include "platform/MessageQueue.h"
#include "platform/Types.h"

#include <SDL_events.h>

#include <bitset>
#include <cstdint>
#include <vector>

namespace platform {

class EventTranslator {
public:
    // Appends the messages the event stands for (often none, sometimes
    // several: a wheel step each, a WM_CHAR per UTF-16 unit).
    void Translate(const SDL_Event& event, std::vector<Message>& out);

    // The last pointer position an event reported, in scene pixels.
    Point LastPointer() const { return lastPointer; }
    void SetLastPointer(Point point) { lastPointer = point; }

    // Keys and modifiers as the translated key events left them.
    bool IsKeyDown(uint32_t virtualKey) const;

    // MK_* flags for the buttons held now and Shift and Ctrl.
    uint32_t KeyStateFlags() const;

    // The virtual-key code of an SDL key, or 0 for keys the program has no
    // code for.
    static uint32_t VirtualKey(const SDL_Keysym& key);

private:
    void TranslateButton(const SDL_MouseButtonEvent& event, std::vector<Message>& out);
    void TranslateWheel(const SDL_MouseWheelEvent& event, std::vector<Message>& out);
    void TranslateKey(const SDL_KeyboardEvent& event, std::vector<Message>& out);
    void TranslateText(const SDL_TextInputEvent& event, std::vector<Message>& out);
    void TranslateWindowEvent(const SDL_WindowEvent& event, std::vector<Message>& out);

    uint32_t buttons = 0;   // MK_LBUTTON, MK_RBUTTON, MK_MBUTTON
    uint16_t modifiers = 0; // SDL_Keymod after the last key event
    std::bitset<256> keysDown;
    // Smooth-scrolling devices report fractions of a notch; what has not yet
    // made a whole notch waits here.
    float wheelRemainder = 0.0f;
    Point lastPointer{-1, -1};
};

} // namespace platform
