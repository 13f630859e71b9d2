// The exercise's place in the shell: its resource information, its one step,
// its narrated instruction, and the application object's construction and
// destruction.
#include "app/App.h"

#include "app/WindowGameScene.h"
#include "gui/IMAnimationBase.h"
#include "gui/IMTheoraView.h"
#include "media/IMResourceManager.h"
#include "shell/DialogWatch.h"

#include <boost/bind/bind.hpp>

#include <memory>

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

void App::ShowInstruction(IMDialogBase<IMEmptyView>* dialog) {
    const uint32_t narration = Renderer->CreateStream(L"191");
    const DialogWatch instruction(dialog);
    // The instruction ends once, and only while it is open: the stopped
    // notification of a narration silenced by the dialog's close comes a
    // pass later, and one that comes while the narration plays again (F1
    // soon after Esc) belongs to the earlier playback.
    auto ended = std::make_shared<bool>(false);
    auto end = [this, instruction, narration, ended] {
        if (*ended || !instruction.IsOpen() || Renderer->IsPlaying(narration))
            return;
        *ended = true;
        EndInstruction(instruction.Get(), true, true);
    };
    Renderer->ConnectSoundEnd(narration, [end](uint32_t) {
        end();
        return 0L;
    });
    dialog->OnClose.connect([narration](const IMEvent&) {
        Renderer->Stop(narration);
        return 0L;
    });
    Renderer->Play(narration);

    auto* video = new IMAnimationBase<IMTheoraView>(dialog, 0);
    if (const platform::AssetResource resource = IMResourceManager::FindAssetResource(190))
        video->LoadOrEnd(resource.bytes.data, static_cast<int>(resource.bytes.size));
    else
        video->EndUnplayable("the instruction video (resource 190) is missing");
    video->period = 2400;
    video->SetRect(dialog->GetRect());
    video->SetPosition(0, 0);
    // Without a sound output (or without the narration) nothing would ever
    // end the instruction and the child would wait on a still picture: it
    // ends when the video has played to its end instead.
    if (!Renderer->IsPlaying(narration)) {
        video->OnStop.connect([end](const IMEvent&) {
            end();
            return 0L;
        });
    }
    video->Play();
}
