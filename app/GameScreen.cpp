// The step "Dialog1": the game screen, built in the step dialog the shell opens,
// with the real controls behind the rules' pictures.
#include "app/App.h"

#include <numbers>
#include <string>
#include <vector>

#include "app/WindowGameScene.h"
#include "gui/IMAnimationBase.h"
#include "gui/IMDialogBase.h"
#include "gui/IMSequenceView.h"

namespace {

using Picture = IMStaticPictureBase<IMTextureView>;
using ArrowButton = IMButtonBase<IMStateView>;
using Ripple = IMAnimationBase<IMSequenceView>;

// Layers of the game screen, from the lake bottom up to the boat on the map.
// The background has a hole over the magnifier's glass, through which the
// layers below it are seen.
constexpr int kBottomLayer = 0;
constexpr int kItemLayer = 1;
constexpr int kShadowLayer = 2;
constexpr int kWaterLayer = 90;
constexpr int kRippleLayer = 95;
constexpr int kBackgroundLayer = 100;
constexpr int kLensLayer = 101; // arrows, the lens boat and the bowl icons
constexpr int kBuoyLayer = 103;
constexpr int kMapBoatLayer = 110;

// Every picture of the ring round the glass is drawn at this corner.
constexpr platform::Point kRingCorner{65, 255};
constexpr platform::Point kBackgroundCorner{0, 0};
// The map boat sits at (boatX + 222, boatY + 11).
constexpr platform::Point kMapBoatOffset{222, 11};

// The eight arrows in the order they are kept: picture, its angle, and the
// direction the boat goes. One picture turned four ways gives the straight
// arrows; the diagonal ones have pictures of their own (the down-right one
// leaves out the magnifier's handle).
struct ArrowKind {
    const wchar_t* picture;
    float pictureAngle;
    int direction;
};
constexpr float kPi = std::numbers::pi_v<float>;
constexpr ArrowKind kArrows[] = {
    {L"117", 0.0f, 0},  {L"117", kPi / 2, 90}, {L"117", kPi, 180},  {L"117", 3 * kPi / 2, 270},
    {L"121", 0.0f, 45}, {L"122", 0.0f, 135},   {L"184", 0.0f, 315}, {L"185", 0.0f, 225},
};

// The ripple runs forward through the twelve frames and back, each end once.
constexpr int kFirstWaterFrame = 124;
constexpr int kLastWaterFrame = 135;
// One frame every 4285 / 60 ≈ 71.4 ms.
constexpr int kRipplePeriod = 4285;
constexpr platform::Rect kRippleRect{40, 235, 390, 585};
// The four water tiles form a square twice a tile wide round the glass.
constexpr platform::Point kWaterTiles[] = {{40, 235}, {40, 585}, {390, 235}, {390, 585}};

// Above 255 a texture view is never hit; 0 hits anywhere in its rectangle.
constexpr int kNeverHit = 256;
constexpr int kHitAnywhere = 0;

std::wstring Name(int resource) {
    return std::to_wstring(resource);
}

} // namespace

int App::BuildGameScreen(IMDialogBase<IMEmptyView>* dialog) {
    // A game still running in another dialog ends before this one starts, so
    // that its close cannot end the new game later.
    if (gameScene != nullptr)
        EndGame();
    if (windowScene)
        windowScene->ReleasePictures();

    windowScene = std::make_unique<WindowGameScene>(*this);
    WindowGameScene& scene = *windowScene;
    gameScene = &scene;
    gameDialog = dialog;
    ResetGameFields();

    mapBoat = scene.Wrap(dialog->CreatePicture(boatX + kMapBoatOffset.x, boatY + kMapBoatOffset.y,
                                               Name(116), kMapBoatLayer));
    dialog->CreatePicture(kBackgroundCorner.x, kBackgroundCorner.y, Name(101), kBackgroundLayer);

    // Every button and wheel event that reaches the dialog, whatever lies
    // under the pointer.
    dialog->OnMouseButton.connect([this](const IMMouseEvent& event) {
        return OnDialogMouseButton(event.code, event.wParam);
    });

    for (const ArrowKind& kind : kArrows) {
        ArrowButton* button =
            dialog->CreateButton(kRingCorner.x, kRingCorner.y, kind.picture, kind.picture,
                                 kind.picture, kind.picture, kLensLayer);
        const int direction = kind.direction;
        button->OnMouseButton.connect([this, direction](const IMMouseEvent& event) {
            return OnArrowButton(event.code, direction);
        });
        ScenePicture* arrow = scene.Wrap(button);
        arrow->SetAngle(kind.pictureAngle);
        arrowButtons.push_back(arrow);
    }

    Picture* boat = dialog->CreatePicture(kRingCorner.x, kRingCorner.y, Name(114), kLensLayer);
    boat->alphaThreshold = kNeverHit;
    lensBoat = scene.Wrap(boat);

    for (int i = 0; i < kSpotCount; ++i) {
        Spot spot;
        spot.marker = scene.Wrap(dialog->CreatePicture(0, 0, Name(115), kBuoyLayer));
        spot.shadow = scene.Wrap(dialog->CreatePicture(0, 0, Name(120), kShadowLayer));
        spots.push_back(spot);
    }
    std::vector<Picture*> items;
    for (int i = 0; i < kSpotCount; ++i) {
        const SpotKind& kind = kSpotTable[i];
        Spot& spot = spots[i];
        Picture* item = dialog->CreatePicture(0, 0, Name(kind.levels[0]), kItemLayer);
        items.push_back(item);
        spot.item = scene.Wrap(item);
        // The sharper pictures replace the blurred ones at depths 27 and 35
        // and back again; holding all three keeps the dive from decoding.
        for (int level : kind.levels)
            scene.Preload(Name(level));
        if (kind.treasure) {
            spot.bowlIcon = scene.Wrap(dialog->CreatePicture(
                kind.bowlPosition.x, kind.bowlPosition.y, Name(kind.bowlIcon), kLensLayer));
            spot.bowlIcon->Hide();
        }
        spot.isTreasure = kind.treasure ? 1 : 0;
    }

    // ResetGameFields holds the twelve frames in waterFrameTextures.
    auto* rippleControl = new Ripple(dialog, kRippleLayer);
    for (int frame = kFirstWaterFrame; frame <= kLastWaterFrame; ++frame)
        rippleControl->AddFrame(Name(frame));
    for (int frame = kLastWaterFrame - 1; frame >= kFirstWaterFrame; --frame)
        rippleControl->AddFrame(Name(frame));
    rippleControl->SetFirstFrame(0);
    rippleControl->SetLastFrame(static_cast<unsigned>(rippleControl->frames.size() - 1));
    rippleControl->period = kRipplePeriod;
    rippleControl->SetRect(kRippleRect);
    rippleControl->OnStop.connect([this](const IMEvent&) { return RestartRipple(); });
    rippleControl->alphaThreshold = kNeverHit;
    rippleAnimation = rippleControl;
    ripple = scene.Wrap(rippleControl);
    rippleControl->Play();

    for (size_t i = 0; i < waterTiles.size(); ++i)
        waterTiles[i] = scene.Wrap(
            dialog->CreatePicture(kWaterTiles[i].x, kWaterTiles[i].y, Name(119), kWaterLayer));

    lakeBottom = scene.Wrap(dialog->CreatePicture(0, 0, Name(123), kBottomLayer));

    dialog->OnClose.connect([this, dialog](const IMEvent&) { return OnGameScreenClosed(dialog); });

    LayOutGameScreen();
    // An item is hit anywhere in its rectangle, so that a blurred or thin
    // object is as easy to click as a solid one.
    for (Picture* item : items)
        item->alphaThreshold = kHitAnywhere;
    return 0;
}

long App::RestartRipple() {
    if (rippleAnimation != nullptr)
        rippleAnimation->Play();
    return 0;
}

long App::OnGameScreenClosed(IMDialogBase<IMEmptyView>* dialog) {
    if (dialog != gameDialog)
        return 0;
    // The timers belong to the main window and outlive the dialog; EndGame
    // stops them and lets go of the item click and the rules' textures.
    EndGame();
    if (windowScene)
        windowScene->ReleasePictures();
    rippleAnimation = nullptr;
    gameDialog = nullptr;
    return 0;
}
