// The game screen's side of the rules: the layout the screen starts from, the
// water that scrolls under the boat, the depth shown as fading water and a
// zooming bottom, and the mapping of mouse input onto the rules and timers.
#include "app/App.h"

#include <boost/bind/bind.hpp>

#include <cassert>
#include <string>

#include "platform/Clock.h"
#include "platform/WinCodes.h"

namespace {

// The ripple keeps the alpha it had at depth 15, and the shadows the one they
// had at 19, so the surface stays faintly visible over the bottom.
constexpr int kRippleFadeDepth = 16;
constexpr int kShadowFadeDepth = 20;
// The lens centre for positions computed from the map.
constexpr double kLensCentreExactX = 202.5;
constexpr int kFirstWaterFrame = 124;

int Trunc(double value) {
    return static_cast<int>(value);
}

uint32_t White(int alpha) {
    return (static_cast<uint32_t>(alpha) << 24) | 0x00FFFFFFu;
}

uint32_t Grey(int level) {
    const uint32_t g = static_cast<uint32_t>(level);
    return 0xFF000000u | (g << 16) | (g << 8) | g;
}

// Keeps left and top and halves right and bottom: a picture created at (0, 0)
// is then shown at half its size.
void Halve(ScenePicture& picture) {
    const platform::Rect rect = picture.GetRect();
    picture.SetRect({rect.left, rect.top, Trunc(rect.right * 0.5), Trunc(rect.bottom * 0.5)});
}

// Moves the picture so that its current size is centred on (x, y).
void CentreOn(ScenePicture& picture, double x, double y) {
    const platform::Rect rect = picture.GetRect();
    picture.SetPosition(Trunc(x - rect.Width() * 0.5), Trunc(y - rect.Height() * 0.5));
}

} // namespace

void App::ResetGameFields() {
    lensScale = kLensScale;
    mapRect = kMapRect;
    boatX = kBoatStart.x;
    boatY = kBoatStart.y;
    boatStep = 1;
    lensRect = kLensRect;
    moveTimer = -1;
    ascentTimer = -1;
    depth = 0;
    bottomReached = false;
    diving = false;
    itemClickConnection.disconnect();
    spots.clear();
    arrowButtons.clear();
    // The mask is never drawn, only read by the rules. The ripple's frames are
    // held for the whole game so that the ripple never decodes a frame again.
    lakeMask = gameScene->LoadTexture(L"118");
    for (size_t i = 0; i < waterFrameTextures.size(); ++i)
        waterFrameTextures[i] =
            gameScene->LoadTexture(std::to_wstring(kFirstWaterFrame + static_cast<int>(i)));
}

SpotPlacement App::LayOutGameScreen() {
    assert(spots.size() == kSpotTable.size() && "the game screen holds exactly 14 spots");
    for (Spot& spot : spots) {
        Halve(*spot.item);
        Halve(*spot.shadow);
    }

    const SpotPlacement placement = PlaceSpots();

    for (Spot& spot : spots) {
        spot.marker->SetPosition(Trunc(static_cast<double>(spot.mapX) + mapRect.left - 4),
                                 Trunc(static_cast<double>(spot.mapY) + mapRect.top - 9));
        spot.lensX =
            Trunc((static_cast<double>(spot.mapX) - boatX) * lensScale + kLensCentreExactX);
        spot.lensY = Trunc((static_cast<double>(spot.mapY) - boatY) * lensScale + kLensCentreY);
        CentreOn(*spot.item, spot.lensX, spot.lensY);
        spot.item->SetColor(kUnlitGrey);
        CentreOn(*spot.shadow, spot.lensX, spot.lensY);
    }

    Halve(*lakeBottom);
    CentreOn(*lakeBottom, kLensCentreX, kLensCentreY);
    lakeBottom->SetColor(kUnlitGrey);

    searchStart = platform::TimeGetTime();
    return placement;
}

void App::EndGame() {
    // The timers belong to the main window and would otherwise go on calling
    // into pictures that no longer exist.
    StopMoving();
    if (ascentTimer != -1 && gameScene != nullptr)
        gameScene->RemoveTimer(ascentTimer);
    ascentTimer = -1;
    itemClickConnection.disconnect();
    ReleaseWaterFrames();
    if (lakeMask >= 0 && gameScene != nullptr)
        gameScene->ReleaseTexture(lakeMask);
    lakeMask = -1;

    spots.clear();
    arrowButtons.clear();
    lensBoat = nullptr;
    mapBoat = nullptr;
    waterTiles.fill(nullptr);
    ripple = nullptr;
    lakeBottom = nullptr;
    gameScene = nullptr;
}

void App::ReleaseWaterFrames() {
    for (int& frame : waterFrameTextures) {
        if (frame >= 0 && gameScene != nullptr)
            gameScene->ReleaseTexture(frame);
        frame = -1;
    }
}

void App::StopMoving() {
    if (moveTimer == -1)
        return;
    if (gameScene != nullptr)
        gameScene->RemoveTimer(moveTimer);
    moveTimer = -1;
}

long App::OnArrowButton(uint32_t code, int angle) {
    // Holding an arrow moves the boat one step per timer firing; a second
    // arrow pressed meanwhile starts nothing.
    if (code == platform::WM_LBUTTONDOWN && moveTimer == -1) {
        moveTimer = gameScene->AddTimer(kMovePeriod);
        gameScene->ConnectTimer(moveTimer, boost::bind(&App::MoveBoat, this, angle));
    }
    if (code == platform::WM_LBUTTONUP)
        StopMoving();
    return 0;
}

long App::OnDialogMouseButton(uint32_t code, uint32_t wParam) {
    if (code == platform::WM_MBUTTONDOWN)
        PressWheel();
    if (code == platform::WM_MOUSEWHEEL && diving)
        TurnWheel(platform::WheelDelta(wParam) >= 0);
    return 0;
}

void App::ShowBoat(bool show) {
    if (show)
        lensBoat->Show();
    else
        lensBoat->Hide();
    for (ScenePicture* button : arrowButtons) {
        if (show)
            button->Show();
        else
            button->Hide();
    }
}

void App::ScrollWater(int dx, int dy) {
    // The four tiles form a square twice a tile wide that slides at a third of
    // the objects' speed and wraps round the lens, so the lens stays covered.
    const int sx = -2 * dx;
    const int sy = -2 * dy;
    for (ScenePicture* tile : waterTiles) {
        platform::Rect rect = tile->GetRect().Offset(sx, sy);
        const int width = rect.Width();
        const int height = rect.Height();
        if (sx > 0 && rect.left > lensRect.right)
            rect = rect.Offset(-2 * width, 0);
        if (sx < 0 && rect.right < lensRect.left)
            rect = rect.Offset(2 * width, 0);
        if (sy > 0 && rect.top > lensRect.bottom)
            rect = rect.Offset(0, -2 * height);
        if (sy < 0 && rect.bottom < lensRect.top)
            rect = rect.Offset(0, 2 * height);
        tile->SetRect(rect);
    }
}

void App::ShowDepth(int d) {
    const uint32_t water = White(Trunc(255 - (d / 40.0) * 255));
    for (ScenePicture* tile : waterTiles) {
        tile->SetColor(water);
        tile->SetDirty(true);
    }
    if (d < kRippleFadeDepth)
        ripple->SetColor(water);

    lakeBottom->SetRect(LakeBottomRect(d));
    lakeBottom->SetColor(Grey(135 + 3 * d));

    for (const Spot& spot : spots) {
        spot.shadow->SetRect(ItemRect(spot, d, kShadowWidth, kShadowHeight));
        const platform::Rect image = gameScene->GetTextureImage(spot.item->GetTextureId());
        spot.item->SetRect(ItemRect(spot, d, image.Width(), image.Height()));
    }
    if (d < kShadowFadeDepth) {
        const uint32_t shadow = White(Trunc(255 - (2 * d / 40.0) * 255));
        for (const Spot& spot : spots)
            spot.shadow->SetColor(shadow);
    }
    const uint32_t item = White(Trunc((d / 40.0) * 255));
    for (const Spot& spot : spots)
        spot.item->SetColor(item);
}
