// The instruction: the first one before the steps, its repetition on F1, the
// shell's default instruction and the ending a title's own instruction calls.
#include "shell/IMAppBase.h"

#include <functional>
#include <memory>

#include "gui/IMWindow.h"
#include "media/IMResourceManager.h"
#include "platform/resources/AssetResources.h"
#include "shell/ScreenParts.h"

namespace {

constexpr uint32_t kEscapeKey = 27;
constexpr uint32_t kSpaceKey = 32;
constexpr uint32_t kF1Key = 112;
// The default instruction closes itself after this long.
constexpr uint32_t kDefaultInstructionMilliseconds = 5000;
// The key hint lies above everything else of the instruction.
constexpr int kKeyHintLayer = 1000;
// The space bar's highlight is shown and hidden for this long each.
constexpr uint32_t kBlinkMilliseconds = 500;
// Set in a key-down's data when the key was already down: the system's
// repeat of a held key, not a new press.
constexpr uint32_t kKeyWasDown = 1u << 30;

bool IsRepeat(const IMKeyboardEvent& event) {
    return (static_cast<uint32_t>(event.lParam) & kKeyWasDown) != 0;
}

// A sound the shell carries, as a stream; 0 when it is missing.
uint32_t EmbeddedSound(const wchar_t* name) {
    const platform::AssetBytes bytes = platform::FindEmbeddedAsset(name);
    if (!bytes)
        return 0;
    return Renderer->CreateStreamFromMemory(name, bytes.data, bytes.size);
}

// Registers a picture the shell carries under its name; the index of the
// registration reference.
int RegisterEmbeddedPicture(const wchar_t* name) {
    const platform::AssetBytes bytes = platform::FindEmbeddedAsset(name);
    if (!bytes)
        return Renderer->InvalidTexture();
    return Renderer->LoadTextureFromMemory(name, bytes.data, bytes.size);
}

// The space bar's highlight, shown and hidden in turn on the main window's
// timers while its instruction is open.
void BlinkFrom(IMWindow* window, DialogWatch instruction, IMControl* highlight) {
    const int timer = window->AddTimer(kBlinkMilliseconds);
    window->ConnectTimer(timer, [window, instruction, highlight, timer](const IMEvent&) {
        window->RemoveTimer(timer);
        if (!instruction.IsOpen())
            return 0L;
        if (highlight->IsHidden())
            highlight->Show();
        else
            highlight->Hide();
        BlinkFrom(window, instruction, highlight);
        return 0L;
    });
}

} // namespace

void IMAppBase::TrackShownInstruction(Dialog* dialog) {
    instructionShown = true;
    shownInstruction_ = DialogWatch(dialog);
    dialog->OnClose.connect([this, dialog](const IMEvent&) {
        if (shownInstruction_.Watches(dialog))
            instructionShown = false;
        return 0L;
    });
}

void IMAppBase::BeginInstruction() {
    instructionShown = true;
    auto* dialog = new Dialog(mainWindow, 0);
    TrackShownInstruction(dialog);
    const DialogWatch instruction(dialog);
    escapeConnection_ =
        mainWindow->OnKeyDown.connect([this, instruction](const IMKeyboardEvent& event) {
            if (event.wParam != kEscapeKey)
                return 0L;
            // An earlier run's instruction has long closed: then the key
            // does nothing, and another instruction on screen stays shown.
            if (instruction.Close())
                instructionShown = false;
            return 0L;
        });
    // However the first instruction closes, the first step begins.
    dialog->OnClose.connect([this](const IMEvent&) { return NextStep(); });
    ShowInstruction(dialog);
}

void IMAppBase::ShowInstruction(Dialog* dialog) {
    AddBackground(dialog);
    const int width = dialog->GetWidth();
    CentreHorizontally(AddLabel(dialog, 0, 20, L"информационный источник сложной структуры", 18),
                       width);
    CentreHorizontally(AddLabel(dialog, 0, 100, L"Справка", 24), width);

    IMWindow* window = mainWindow;
    const DialogWatch instruction(dialog);
    const int timer = window->AddTimer(kDefaultInstructionMilliseconds);
    window->ConnectTimer(timer, [window, instruction, timer](const IMEvent&) {
        window->RemoveTimer(timer);
        instruction.Close();
        return 0L;
    });
}

long IMAppBase::RepeatInstruction(const IMKeyboardEvent& event) {
    if (instructionBlock_ && instructionBlock_->blocking())
        instructionBlock_->unblock();
    if (instructionShown || event.wParam != kF1Key)
        return 0;
    ++extraInstructionCount;
    auto* dialog = new Dialog(mainWindow, 0);
    instructionConnection.disconnect();
    instructionBlock_.reset();
    const DialogWatch instruction(dialog);
    // A held key repeats its key-down; only a new press closes the
    // instruction, or holding F1 a moment would close what it opened.
    instructionConnection =
        mainWindow->OnKeyDown.connect([this, instruction](const IMKeyboardEvent& keyEvent) {
            if (IsRepeat(keyEvent))
                return 0L;
            if (instruction.Close())
                instructionShown = false;
            return 0L;
        });
    // The F1 press that opened the instruction must not close it: the
    // handler waits, blocked, for the next key-down.
    instructionBlock_.emplace(instructionConnection);
    TrackShownInstruction(dialog);
    ShowInstruction(dialog);
    return 0;
}

int IMAppBase::EndInstruction(Dialog* dialog, bool playEndSound, bool showKeyHint) {
    const DialogWatch instruction(dialog);
    if (playEndSound) {
        const uint32_t phrase = EmbeddedSound(L"ENDHELPSOUND");
        dialog->OnClose.connect([phrase](const IMEvent&) {
            Renderer->Stop(phrase);
            return 0L;
        });
        Renderer->Play(phrase);
        if (!showKeyHint) {
            auto closeAsOnSpace = [this, instruction] {
                if (instruction.Close())
                    instructionShown = false;
            };
            // Without a sound output the phrase never ends by itself: it is
            // over at once. A notification that comes while the phrase plays
            // belongs to an earlier playback of the same sound.
            if (!Renderer->IsPlaying(phrase)) {
                closeAsOnSpace();
                return 0;
            }
            Renderer->ConnectSoundEnd(phrase, [phrase, closeAsOnSpace](uint32_t) {
                if (!Renderer->IsPlaying(phrase))
                    closeAsOnSpace();
                return 0L;
            });
            return 0;
        }
    }
    if (showKeyHint) {
        const int keyboard = RegisterEmbeddedPicture(L"KEYBOARDPIC");
        const int mouse = RegisterEmbeddedPicture(L"MOUSE");
        const int space = RegisterEmbeddedPicture(L"KEYSPACE");
        dialog->CreatePicture(107, 347, L"KEYBOARDPIC", kKeyHintLayer, 0xFFFFFFFF);
        dialog->CreatePicture(500, 209, L"MOUSE", kKeyHintLayer, 0xFFFFFFFF);
        auto* highlight = dialog->CreatePicture(237, 502, L"KEYSPACE", kKeyHintLayer, 0xFFFFFFFF);
        // The pictures hold their own references now.
        Renderer->ReleaseTexture(keyboard);
        Renderer->ReleaseTexture(mouse);
        Renderer->ReleaseTexture(space);

        BlinkFrom(mainWindow, instruction, highlight);
        spaceConnection_ =
            mainWindow->OnKeyDown.connect([this, instruction](const IMKeyboardEvent& event) {
                if (event.wParam != kSpaceKey)
                    return 0L;
                if (instruction.Close())
                    instructionShown = false;
                return 0L;
            });
        return 0;
    }
    instructionShown = false;
    instruction.Close();
    return 0;
}
