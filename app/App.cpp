// The exercise's place in the shell: its resource information, its one step,
// and the application object's construction and destruction.
#include "app/App.h"

#include "app/WindowGameScene.h"

#include <boost/bind/bind.hpp>

namespace {

// Shown on the start screen: six paragraphs, each opening with three spaces,
// separated by single line feeds.
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

const wchar_t* const kName = L"Тренажер «Зельтарик»";
const wchar_t* const kNumber = L"00517";

} // namespace

App::App() {
    SetResourceInfo(kDescription, kName, kNumber);
}

// The pictures themselves belong to the step dialog and die with it; the
// application object only lets go of its handles to them.
App::~App() {
    itemClickConnection.disconnect();
    arrowButtons.clear();
    spots.clear();
}

void App::RegisterSteps() {
    RegisterStep(L"Dialog1", boost::bind(&App::BuildGameScreen, this, boost::placeholders::_1));
}
