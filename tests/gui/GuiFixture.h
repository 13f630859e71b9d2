// A main window on the headless twins (window, graphics device, clock) for the
// GUI tests, with helpers to run the loop, make pictures and log signals.
#pragma once

#include "gui/IMDialogBase.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A control that is just a rectangle: hit anywhere inside, draws nothing.
using Box = IMViewControl<IMEmptyView>;

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearMessages();
        LoopStatistics() = {};
        SetIdleWait(IdleWait::UntilDue);
        window = CreateMainWindow(platform::Rect{platform::CW_USEDEFAULT, platform::CW_USEDEFAULT,
                                                 platform::CW_USEDEFAULT + 800,
                                                 platform::CW_USEDEFAULT + 600},
                                  L"test", false);
        ASSERT_EQ(window, MainWindow);
        Pass();
    }

    void TearDown() override {
        delete MainWindow;
        platform::ClearMessages();
    }

    // Runs the loop; false when it retrieved WM_QUIT.
    bool Pass(int passes = 1) {
        for (int i = 0; i < passes; ++i)
            if (!RunMessageLoopPass(*window))
                return false;
        return true;
    }

    void AdvanceMilliseconds(int64_t milliseconds) { clock.AdvanceMilliseconds(milliseconds); }

    // A child rectangle control of the parent.
    Box* MakeBox(IMControl::Dialog* parent, int layer, platform::Rect rect) {
        auto* box = new Box(parent, layer);
        box->SetRect(rect);
        return box;
    }

    // Registers a width × height picture whose pixels (ARGB) come from the
    // function; the registry keeps one reference until the window goes.
    int MakePicture(const std::wstring& name, int width, int height,
                    const std::function<uint32_t(int x, int y)>& pixel) {
        const int index =
            Renderer->CreateBlankTexture(name, width, height, platform::TextureFormat::A8R8G8B8);
        Renderer->UpdateTexture(index, [&](uint8_t* bits, int pitch, int rows) {
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < width; ++x) {
                    const uint32_t argb = pixel(x, y);
                    uint8_t* p = bits + y * pitch + 4 * x;
                    p[0] = argb & 0xFF;
                    p[1] = (argb >> 8) & 0xFF;
                    p[2] = (argb >> 16) & 0xFF;
                    p[3] = argb >> 24;
                }
        });
        Renderer->MakePixelCopy(index);
        return index;
    }
    int MakeSolidPicture(const std::wstring& name, int width, int height, uint32_t argb) {
        return MakePicture(name, width, height, [argb](int, int) { return argb; });
    }

    // The colour the headless device shows at a scene pixel, without alpha.
    uint32_t ScreenAt(int x, int y) { return Renderer->ReadPixels().At(x, y) & 0xFFFFFF; }

    // Appends "<name> <event code>" to the log each time the signal fires.
    template <class Event> void Log(IMSignal<Event>& signal, const std::string& name) {
        signal.connect([this, name](const Event& e) {
            log.push_back(name + " " + std::to_string(e.code));
            return 0L;
        });
    }

    // The frame-rate line of every window's end stays out of the test output.
    platform::DebugOutputCapture debugOutput;
    platform::HeadlessWindow display;
    platform::HeadlessAudio audio;
    platform::ManualClock clock;
    IMWindow* window = nullptr;
    std::vector<std::string> log;
};
