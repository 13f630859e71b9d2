// The shell's screens in a main window on the headless twins, driven the way
// a teacher or a child drives them: pointer and keys pushed into the window,
// the clock advanced by hand, the real loop run pass by pass. The title
// counts the start screens it is asked for, and the report goes to a private
// folder.
#pragma once

#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/TextCodec.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"
#include "shell/IMApp.h"
#include "tests/media/PictureFixtures.h"
#include "tests/shell/TitleWindowTest.h"
#include "tests/shell/report/ReportTestFolder.h"

#include <SDL_keycode.h>
#include <SDL_mouse.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

class ShellTitle : public IMApp<ShellTitle> {
public:
    ShellTitle() { SetResourceInfo(L"Описание упражнения", L"Тренажер «Зельтарик»", L"00517"); }
    void RegisterSteps() override {
        RegisterStep(L"Dialog1", [](IMDialogBase<IMEmptyView>*) { return 0; });
    }
    int ShowStartScreen() override {
        ++startScreens;
        return 0;
    }
    int startScreens = 0;
};

using ShellLabel = IMStaticPictureBase<IMTextView>;
using ShellPicture = IMStaticPictureBase<IMTextureView>;
using ShellButton = IMButtonBase<IMStateView>;

class ShellWindowTest : public TitleWindowTest<ShellTitle> {
protected:
    // Pass() runs two passes of the loop, and a click or a key runs them after
    // each of its events.
    ShellWindowTest() : TitleWindowTest(kReportTitle, 2) {}

    void Click(int x, int y) {
        display.MoveMouse(x, y);
        Pass();
        display.PressButton(SDL_BUTTON_LEFT, x, y);
        Pass();
        display.ReleaseButton(SDL_BUTTON_LEFT, x, y);
        Pass();
    }
    void Click(const IMControl* control) {
        const platform::Rect rect = ScreenRect(control);
        Click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }

    void Key(SDL_Keycode key) {
        display.PressKey(key);
        Pass();
        display.ReleaseKey(key);
        Pass();
    }

    // The control's rectangle on the screen.
    static platform::Rect ScreenRect(const IMControl* control) {
        platform::Rect rect = control->GetRect();
        for (const IMControl* up = control->parent; up != nullptr; up = up->parent) {
            const platform::Rect outer = up->GetRect();
            rect = rect.Offset(outer.left, outer.top);
        }
        return rect;
    }

    // The window's children in drawing order.
    std::vector<IMControl*> TopLevel() const {
        std::vector<IMControl*> controls;
        for (const auto& [layer, children] : app->mainWindow->children)
            controls.insert(controls.end(), children.begin(), children.end());
        return controls;
    }
    template <class Control> Control* Topmost() const {
        const std::vector<IMControl*> controls = TopLevel();
        for (auto it = controls.rbegin(); it != controls.rend(); ++it)
            if (auto* control = dynamic_cast<Control*>(*it))
                return control;
        return nullptr;
    }

    // The children of a container in drawing order.
    static std::vector<IMControl*> ChildrenOf(const IMControl::Dialog* dialog) {
        std::vector<IMControl*> controls;
        for (const auto& [layer, children] : dialog->children)
            controls.insert(controls.end(), children.begin(), children.end());
        return controls;
    }

    platform::Screenshot Screen() {
        app->mainWindow->SetDirty(true);
        Pass();
        return Renderer->ReadPixels();
    }

    // With ZEL_SCREENSHOTS set to a folder, keeps the screen there as a PNG
    // for a person to look at.
    void KeepScreenshot(const std::string& name) {
        const char* folder = std::getenv("ZEL_SCREENSHOTS");
        if (folder == nullptr)
            return;
        const platform::Screenshot shot = Screen();
        const auto png = fixtures::EncodePng(fixtures::RgbaPicture(
            shot.width, shot.height, [&](int x, int y) { return shot.At(x, y) | 0xFF000000u; }));
        std::ofstream(std::string(folder) + "/" + name + ".png", std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }

    std::filesystem::path DefaultFile() const { return folder.Reports() / PathOf(kReportTitle + L".xls"); }
};
