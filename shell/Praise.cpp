// The praise overlays: a cloud, a praise word and its animation.
#include "shell/IMAppBase.h"

#include "gui/IMAnimationBase.h"
#include "gui/IMTheoraView.h"
#include "gui/IMWindow.h"
#include "media/IMResourceManager.h"
#include "platform/Random.h"
#include "platform/resources/AssetResources.h"

namespace {

using PraiseAnimation = IMAnimationBase<IMTheoraView>;

struct PraiseWord {
    const wchar_t* sound;
    const wchar_t* animation;
};

const PraiseWord kPraiseWords[] = {
    {L"bravo_sound", L"bravo_anim"},     {L"gotovo_sound", L"gotovo_anim"},
    {L"molodec_sound", L"molodec_anim"}, {L"otlichno_sound", L"otlichno_anim"},
    {L"ura_sound", L"ura_anim"},
};

// 12 frames per second, in sixtieths of a millisecond.
constexpr int kPraisePeriod = 5000;
constexpr int kPraiseWidth = 320;
constexpr int kPraiseHeight = 200;
// The animation's place on the cloud.
constexpr int kAnimationOnCloudX = 93;
constexpr int kAnimationOnCloudY = 76;
constexpr int kExitPictureLayer = 901;

struct PraiseOverlay {
    IMControl::Dialog* overlay;
    PraiseAnimation* animation;
    IMControl* cloud;
};

// The overlay over whatever is on screen, with the cloud at (x, y) and one of
// the praise words, chosen by the program's generator, playing its sound and
// holding its animation.
PraiseOverlay OpenPraise(IMWindow* window, int x, int y) {
    auto* overlay = new IMControl::Dialog(window, 0);

    const platform::AssetBytes cloudBytes = platform::FindEmbeddedAsset(L"oblako_png");
    const int cloudTexture =
        cloudBytes
            ? Renderer->LoadTextureFromMemory(L"oblako_png", cloudBytes.data, cloudBytes.size)
            : Renderer->InvalidTexture();
    IMControl* cloud = overlay->CreatePicture(x, y, L"oblako_png", 0);
    Renderer->ReleaseTexture(cloudTexture);
    // Made after the cloud, so that it is drawn over it: the cloud is opaque
    // where the animation plays.
    auto* animation = new PraiseAnimation(overlay, 0);

    const int index = static_cast<int>(platform::Random() * 5.0 * (1.0 / 32768.0));
    const PraiseWord& word = kPraiseWords[index];
    if (const platform::AssetBytes sound = platform::FindEmbeddedAsset(word.sound))
        Renderer->Play(Renderer->CreateStreamFromMemory(word.sound, sound.data, sound.size));
    if (const platform::AssetBytes video = platform::FindEmbeddedAsset(word.animation))
        animation->LoadOrEnd(video.data, static_cast<int>(video.size));
    else
        animation->EndUnplayable("the praise animation is missing");
    return {overlay, animation, cloud};
}

void CloseControl(IMControl* control) {
    control->Close(IMEvent(control, IMEventCode::Close));
}

void PlacePraiseAnimation(PraiseAnimation* animation, int x, int y) {
    animation->period = kPraisePeriod;
    animation->SetRect(platform::Rect{x, y, x + kPraiseWidth, y + kPraiseHeight});
}

} // namespace

int IMAppBase::ShowPraise(Dialog* dialogToClose) {
    const PraiseOverlay praise = OpenPraise(mainWindow, 137, 100);
    PlacePraiseAnimation(praise.animation, 230, 176);
    praise.animation->OnStop.connect(
        [animation = praise.animation, cloud = praise.cloud](const IMEvent&) {
            CloseControl(animation);
            CloseControl(cloud);
            return 0L;
        });
    praise.animation->Play();

    auto* exit = praise.overlay->CreatePicture(0, 0, L"ExitButton", kExitPictureLayer);
    exit->SetRect(platform::Rect{740, 10, 780, 50});
    exit->OnClick.connect(
        [target = dialogToClose ? DialogWatch(dialogToClose) : DialogWatch()](const IMMouseEvent&) {
            target.Close();
            return 0L;
        });
    return 0;
}

int IMAppBase::ShowFinalPraise(int x, int y) {
    const PraiseOverlay praise = OpenPraise(mainWindow, x, y);
    PlacePraiseAnimation(praise.animation, x + kAnimationOnCloudX, y + kAnimationOnCloudY);
    // The step the praise ends is the one running now: if Retry in the exit
    // box has ended it meanwhile, a step begun since is not this praise's.
    const DialogWatch step = stepDialog ? DialogWatch(stepDialog) : DialogWatch();
    praise.animation->OnStop.connect([overlay = DialogWatch(praise.overlay), step](const IMEvent&) {
        overlay.Close();
        step.Close();
        return 0L;
    });
    praise.animation->Play();
    return 0;
}
