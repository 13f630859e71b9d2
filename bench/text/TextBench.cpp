// Text costs: laying out and drawing the start screen's 1341-character description at size 18
// in its 593-pixel column, first with every glyph rasterised and then with every glyph shared,
// and typing one character into an edit holding 100. Everything draws with the headless
// device's software renderer.
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
const wchar_t* const kDescription =
    L"   Данный тренажер предназначен для отработки навыка по использованию "
    L"колеса мыши как инструмента для изменения масштаба, как это часто "
    L"используется при работе в картах и в текстовых и графических "
    L"редакторах.\n"
    L"   В этой игре ребенок управляет лодкой, перемещает ее по поверхности "
    L"озера, и ныряет на дно, чтобы найти сокровища. Для перемещения лодки "
    L"он использует изображенные на игровом поле стрелки с направлениями "
    L"движения и нажимает на них главной кнопкой мыши. А для ныряния "
    L"используется колесо мыши.\n"
    L"   Задача состоит в том, чтобы найти шесть затонувших сокровищ. Для "
    L"совершения очередного погружения необходимо на маленькой карте "
    L"выбрать светлое пятно и подвести к нему лодку.  Понять, является ли "
    L"это пятно сокровищем или просто мусором можно только совершив "
    L"погружение. Если на дне обнаружено сокровище, необходимо кликнуть на "
    L"нем главной кнопкой мыши.\n"
    L"   Игра построена таким образом, что пока не будут совершены все 12 "
    L"погружений, обнаружить последнее, шестое сокровище не получится.\n"
    L"   По окончании занятия рекомендуется предложить детям рассказать, "
    L"что они думают о назначении колеса мыши. Если дети усвоили материал "
    L"правильно, выводы могут быть примерно такими:\n"
    L"   Чаще всего колесо мыши используют для прокрутки изображений, но в "
    L"программисты могут создавать различные программы, в которых колесо "
    L"мыши может работать как угодно.";

// The main window on the headless twins, made once for every benchmark.
IMWindow* Window() {
    static platform::HeadlessWindow display;
    static IMWindow* window = [] {
        IMWindow* made =
            CreateMainWindow(Rect{platform::CW_USEDEFAULT, platform::CW_USEDEFAULT,
                                  platform::CW_USEDEFAULT + 800, platform::CW_USEDEFAULT + 600},
                             L"text bench", false);
        if (std::wstring(kDescription).size() != 1341) {
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
    view->SetText(kDescription);
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
    std::set<wchar_t> distinct(kDescription, kDescription + 1341);
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
