// Text costs: laying out and drawing the start screen's 1341-character description at size 18
// in its 593-pixel column, first with every glyph rasterised and then with every glyph shared,
// and typing one character into an edit holding 100. Everything draws with the headless
// device's software renderer.
#include "app/App.h"
#include "gui/IMEditBar.h"
#include "gui/IMTextView.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/window/HeadlessWindow.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

using platform::Rect;

namespace {

// The exercise's description, as the start screen shows it.
const std::wstring& Description() {
    static const std::wstring description = App().resourceDescription;
    return description;
}

// The main window on the headless twins, made once for every benchmark.
IMWindow* Window() {
    static platform::HeadlessWindow display;
    static IMWindow* window = [] {
        IMWindow* made =
            CreateMainWindow(Rect{platform::CW_USEDEFAULT, platform::CW_USEDEFAULT,
                                  platform::CW_USEDEFAULT + 800, platform::CW_USEDEFAULT + 600},
                             L"text bench", false);
        if (Description().size() != 1341) {
            std::fprintf(stderr, "the description is not the start screen's\n");
            std::exit(1);
        }
        return made;
    }();
    return window;
}

// The description as the start screen lays it out, drawn into the frame.
std::unique_ptr<IMTextView> DrawDescription() {
    auto view = std::make_unique<IMTextView>();
    view->SetRect(Rect{119, 187, 119 + 593, 187 + 415});
    view->multiline = true;
    view->SetFontSize(18);
    view->SetColor(0xFF072134);
    view->SetText(Description());
    Renderer->BeginScene();
    view->Render();
    Renderer->EndScene();
    Renderer->Present();
    return view;
}

void DescriptionFirstTime(benchmark::State& state) {
    Window();
    for (auto _ : state) {
        // Every glyph picture goes with the view, so the next one rasterises them all again.
        std::unique_ptr<IMTextView> view = DrawDescription();
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
    std::set<wchar_t> distinct(Description().begin(), Description().end());
    state.counters["rasterised"] = static_cast<double>(distinct.size());
}
BENCHMARK(DescriptionFirstTime)->Unit(benchmark::kMillisecond);

void DescriptionShared(benchmark::State& state) {
    Window();
    // Holds every glyph picture, so that the measured views only share them.
    std::unique_ptr<IMTextView> first = DrawDescription();
    for (auto _ : state) {
        std::unique_ptr<IMTextView> view = DrawDescription();
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
    state.counters["lines"] = static_cast<double>(first->lineStarts.size());
}
BENCHMARK(DescriptionShared)->Unit(benchmark::kMillisecond);

// Types one character at the end of an edit bar holding 100 and, with `draw`, renders the frame
// that shows it; the character is taken back out of the measurement.
void TypeIntoEdit(benchmark::State& state, bool draw) {
    IMWindow* window = Window();
    auto* bar = new IMEditBar(window);
    bar->SetSize(520, 20);
    bar->SetPosition(135, 460);
    bar->SetFocus(true);
    for (int i = 0; i < 100; ++i)
        bar->HandleKey(IMKeyboardEvent(window, platform::WM_CHAR, L"абвгд"[i % 5], 1));
    window->Update(IMEvent(window, 16));
    window->RenderFrame();
    for (auto _ : state) {
        bar->HandleKey(IMKeyboardEvent(window, platform::WM_CHAR, L'е', 1));
        if (draw)
            window->RenderFrame();
        state.PauseTiming();
        bar->HandleKey(IMKeyboardEvent(window, platform::WM_CHAR, platform::VK_BACK, 1));
        window->RenderFrame();
        state.ResumeTiming();
    }
    state.counters["glyphs"] = static_cast<double>(bar->edit->glyphs.size());
    bar->Close(IMEvent(bar, 16));
    window->Update(IMEvent(window, 16));
}
BENCHMARK_CAPTURE(TypeIntoEdit, Handle, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TypeIntoEdit, HandleAndDraw, true)->Unit(benchmark::kMicrosecond);

} // namespace
