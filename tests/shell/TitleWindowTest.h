// A title's main window on the headless twins, the fixture of the tests that
// drive the shell's screens and the exercise the way a teacher or a child
// does: keys and pointer pushed into the window, the clock moved by hand, the
// real loop run pass by pass, the report in a private folder, and lookups of
// the controls a screen is made of.
#pragma once

#include <gtest/gtest.h>

#include <SDL_keycode.h>
#include <SDL_mouse.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "gui/IMDialogBase.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"
#include "tests/shell/report/ReportTestFolder.h"

// Title is the application class (an IMApp), made with the given window title.
// passesPerStep is how many passes of the loop Pass() runs, and so each key
// and click.
template <class Title>
class TitleWindowTest : public testing::Test {
public:
    using Dialog = IMControl::Dialog;

    explicit TitleWindowTest(std::wstring windowTitle, int passesPerStep = 1)
        : windowTitle_(std::move(windowTitle)), passesPerStep_(passesPerStep) {}

    void SetUp() override {
        platform::ClearMessages();
        LoopStatistics() = {};
        SetIdleWait(IdleWait::UntilDue);
        app = Title::GetApp(windowTitle_, false);
        Pass();
    }
    void TearDown() override {
        while (Title::appRefCount > 0)
            Title::ReleaseApp();
        platform::ClearMessages();
    }

    // Runs the loop; false once it has retrieved WM_QUIT, after which it runs
    // no more passes.
    bool Pass() { return Pass(passesPerStep_); }
    bool Pass(int passes) {
        for (int i = 0; i < passes && !quit; ++i)
            if (MainWindow == nullptr || !RunMessageLoopPass(*MainWindow))
                quit = true;
        return !quit;
    }

    void Click(int x, int y) {
        display.MoveMouse(x, y);
        Pass();
        display.PressButton(SDL_BUTTON_LEFT, x, y);
        display.ReleaseButton(SDL_BUTTON_LEFT, x, y);
        Pass();
    }
    void Key(SDL_Keycode key, uint16_t modifiers = KMOD_NONE) {
        display.PressKey(key, modifiers);
        display.ReleaseKey(key, modifiers);
        Pass();
    }

    // The screens the shell has added to the main window, in one layer, in
    // drawing order; the ones on their way out are left out.
    static std::vector<Dialog*> Screens(int layer = 0) {
        std::vector<Dialog*> screens;
        for (const Dialog::Layers* table : {&MainWindow->children, &MainWindow->pendingAdds}) {
            auto found = table->find(layer);
            if (found == table->end())
                continue;
            for (IMControl* child : found->second)
                if (auto* dialog = dynamic_cast<Dialog*>(child); dialog && !Leaving(dialog))
                    screens.push_back(dialog);
        }
        return screens;
    }
    static Dialog* TopScreen(int layer = 0) {
        const std::vector<Dialog*> screens = Screens(layer);
        return screens.empty() ? nullptr : screens.back();
    }
    static bool Leaving(IMControl* control) {
        const auto& removals = MainWindow->removals;
        return std::find(removals.begin(), removals.end(), control) != removals.end();
    }

    // Every child of the dialog, in drawing order (layers ascending).
    template <class Control>
    static std::vector<Control*> All(const Dialog* dialog) {
        std::vector<Control*> found;
        for (const Dialog::Layers* table : {&dialog->children, &dialog->pendingAdds})
            for (const auto& [layer, controls] : *table)
                for (IMControl* child : controls)
                    if (auto* control = dynamic_cast<Control*>(child))
                        found.push_back(control);
        return found;
    }
    static IMStaticPictureBase<IMTextView>* LabelWithText(const Dialog* dialog,
                                                          const std::wstring& text) {
        for (auto* label : All<IMStaticPictureBase<IMTextView>>(dialog))
            if (label->GetText() == text)
                return label;
        return nullptr;
    }
    // The pictures (not buttons) showing the skin picture of that name.
    static std::vector<IMStaticPictureBase<IMTextureView>*> PicturesOf(const Dialog* dialog,
                                                                       const std::wstring& name) {
        std::vector<IMStaticPictureBase<IMTextureView>*> found;
        const int index = Renderer->FindTexture(name);
        for (auto* picture : All<IMStaticPictureBase<IMTextureView>>(dialog))
            if (picture->hasTexture && picture->textureId == index)
                found.push_back(picture);
        return found;
    }

    // Made before the window and gone after it.
    ReportTestFolder folder;
    platform::DebugOutputCapture debugOutput;
    platform::HeadlessWindow display;
    platform::HeadlessAudio audio;
    platform::ManualClock clock;
    Title* app = nullptr;
    bool quit = false;

private:
    std::wstring windowTitle_;
    int passesPerStep_;
};
