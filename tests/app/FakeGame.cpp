// A whole game on the in-memory screen, and the masks it is played on.
#include "FakeGame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/WinCodes.h"

std::vector<uint32_t> OpenWaterMask() {
    return std::vector<uint32_t>(static_cast<size_t>(kMaskWidth) * kMaskHeight, 0);
}

std::vector<uint32_t> IslandLakeMask() {
    std::vector<uint32_t> mask(static_cast<size_t>(kMaskWidth) * kMaskHeight, kLand);
    // Distance outside the shore in pixels → alpha, 0 on the water, rising by
    // 31 per pixel through odd and even values to opaque land.
    auto shoreAlpha = [](double outside) -> uint32_t {
        if (outside <= 0)
            return 0;
        const double alpha = outside * 31;
        return alpha >= 255 ? 255 : static_cast<uint32_t>(alpha);
    };
    struct Island {
        double x, y, radius;
    };
    const Island islands[] = {{120, 90, 22}, {430, 260, 28}};
    for (int y = 0; y < kMaskHeight; ++y) {
        for (int x = 0; x < kMaskWidth; ++x) {
            // The lake is an ellipse over most of the map.
            const double ex = (x - 270.0) / 262.0;
            const double ey = (y - 176.0) / 168.0;
            double outside = (std::sqrt(ex * ex + ey * ey) - 1.0) * 165.0;
            for (const Island& island : islands) {
                const double inside = island.radius - std::hypot(x - island.x, y - island.y);
                if (inside > outside)
                    outside = inside;
            }
            SetMaskAlpha(mask, x, y, shoreAlpha(outside));
        }
    }
    return mask;
}

std::vector<uint32_t> BoatSprite() {
    std::vector<uint32_t> sprite(static_cast<size_t>(App::kBoatWidth) * App::kBoatHeight, 0);
    for (int j = 0; j < App::kBoatHeight; ++j) {
        for (int i = 0; i < App::kBoatWidth; ++i) {
            const double ex = (i - 6.5) / 7.0;
            const double ey = (j - 17.0) / 17.5;
            if (ex * ex + ey * ey <= 1.0)
                sprite[static_cast<size_t>(j) * App::kBoatWidth + i] = 0xFF8B5A2B;
        }
    }
    return sprite;
}

namespace {

void AddPictures(FakeScene& scene, std::vector<uint32_t> mask) {
    scene.AddResource(L"118", kMaskWidth, kMaskHeight, std::move(mask));
    scene.AddResource(L"116", App::kBoatWidth, App::kBoatHeight, BoatSprite());
    scene.AddResource(L"114", 280, 280);
    scene.AddResource(L"115", 9, 17);
    for (const wchar_t* ring : {L"117", L"121", L"122", L"184", L"185"})
        scene.AddResource(ring, 280, 280);
    scene.AddResource(L"119", 350, 350);
    scene.AddResource(L"120", App::kShadowWidth, App::kShadowHeight);
    scene.AddResource(L"123", 700, 700);
    for (int frame = 124; frame <= 135; ++frame)
        scene.AddResource(std::to_wstring(frame), 350, 350);
    for (const SpotKind& kind : kSpotTable) {
        for (int level : kind.levels)
            scene.AddResource(std::to_wstring(level), kind.width, kind.height);
        if (kind.treasure)
            scene.AddResource(std::to_wstring(kind.bowlIcon), 40, 40);
    }
}

int AngleOf(int dx, int dy) {
    static const int angles[3][3] = {
        // dy = −1, 0, +1
        {315, 270, 225}, // dx = −1
        {0, -1, 180},    // dx = 0
        {45, 90, 135},   // dx = +1
    };
    return angles[dx + 1][dy + 1];
}

} // namespace

FakeGame::FakeGame(std::vector<uint32_t> mask, int64_t calendarSeconds)
    : clock(1'000'000'000, calendarSeconds) {
    AddPictures(scene, std::move(mask));

    // The controls in the order the game screen creates them.
    app.gameScene = &scene;
    app.ResetGameFields();
    app.mapBoat = scene.CreatePicture(L"116", 280 + 222, 170 + 11);
    for (const wchar_t* ring : {L"117", L"117", L"117", L"117", L"121", L"122", L"184", L"185"})
        app.arrowButtons.push_back(scene.CreatePicture(ring, 65, 255));
    app.lensBoat = scene.CreatePicture(L"114", 65, 255);
    for (int i = 0; i < kSpotCount; ++i) {
        Spot spot;
        spot.marker = scene.CreatePicture(L"115", 0, 0);
        spot.shadow = scene.CreatePicture(L"120", 0, 0);
        app.spots.push_back(spot);
    }
    bowlIcons.assign(kSpotCount, nullptr);
    for (int i = 0; i < kSpotCount; ++i) {
        const SpotKind& kind = kSpotTable[i];
        Spot& spot = app.spots[i];
        spot.item = scene.CreatePicture(std::to_wstring(kind.levels[0]), 0, 0);
        if (kind.treasure) {
            FakePicture* icon = scene.CreatePicture(std::to_wstring(kind.bowlIcon),
                                                    kind.bowlPosition.x, kind.bowlPosition.y);
            icon->Hide();
            spot.bowlIcon = icon;
            bowlIcons[i] = icon;
        }
        spot.isTreasure = kind.treasure ? 1 : 0;
    }
    FakePicture* ripple = scene.CreatePicture(L"124", 40, 235);
    ripple->SetRect({40, 235, 390, 585});
    app.ripple = ripple;
    const platform::Point tiles[] = {{40, 235}, {40, 585}, {390, 235}, {390, 585}};
    for (int i = 0; i < 4; ++i)
        app.waterTiles[i] = scene.CreatePicture(L"119", tiles[i].x, tiles[i].y);
    app.lakeBottom = scene.CreatePicture(L"123", 0, 0);

    placement = app.LayOutGameScreen();
}

void FakeGame::Press() {
    app.OnDialogMouseButton(platform::WM_MBUTTONDOWN, platform::MK_MBUTTON);
}

void FakeGame::Wheel(bool forward) {
    const int delta = forward ? platform::WHEEL_DELTA : -platform::WHEEL_DELTA;
    app.OnDialogMouseButton(platform::WM_MOUSEWHEEL,
                            platform::MakeWParam(0, static_cast<uint16_t>(delta)));
}

void FakeGame::HoldArrow(int angle) {
    app.OnArrowButton(platform::WM_LBUTTONDOWN, angle);
}

void FakeGame::ReleaseAwayFromArrows() {
    app.OnDialogMouseButton(platform::WM_LBUTTONUP, 0);
}

void FakeGame::DiveTo(int depth) {
    if (!app.diving)
        Press();
    ASSERT_TRUE(app.diving);
    while (app.depth < depth)
        Wheel(true);
}

void FakeGame::SurfaceByWheel() {
    for (int guard = 0; app.diving && guard < 100; ++guard)
        Wheel(false);
    ASSERT_FALSE(app.diving);
}

void FakeGame::RunAscent() {
    for (int guard = 0; app.ascentTimer != -1 && guard < 100; ++guard)
        scene.FireTimers();
    ASSERT_EQ(app.ascentTimer, -1);
}

void FakeGame::Sail(int index) {
    auto moveTo = [this](int dx, int dy) {
        const int x = app.boatX;
        const int y = app.boatY;
        app.MoveBoat(AngleOf(dx, dy));
        return x != app.boatX || y != app.boatY;
    };
    for (int guard = 0; guard < 2000; ++guard) {
        const Spot& spot = app.spots[index];
        // The scene moves under the boat by six lens pixels per step.
        const int ex = spot.lensX - App::kLensCentreX;
        const int ey = spot.lensY - App::kLensCentreY;
        const int dx = ex > 3 ? 1 : ex < -3 ? -1 : 0;
        const int dy = ey > 3 ? 1 : ey < -3 ? -1 : 0;
        if (dx == 0 && dy == 0)
            return;
        if (moveTo(dx, dy))
            continue;
        if (dx != 0 && moveTo(dx, 0))
            continue;
        if (dy != 0 && moveTo(0, dy))
            continue;
        return;
    }
}

bool FakeGame::UnderBoat(int index) const {
    const Spot& spot = app.spots[index];
    const platform::Rect image = {0, 0, kSpotTable[index].width, kSpotTable[index].height};
    return App::IsInLens(App::ItemRect(spot, 0, image.Width(), image.Height())) &&
           App::IsInLens(App::ItemRect(spot, App::kMaxDepth, image.Width(), image.Height()));
}

void FakeGame::Collect(int index) {
    Sail(index);
    ASSERT_TRUE(UnderBoat(index)) << "spot " << index << " is out of the boat's reach";
    DiveTo(35);
    ASSERT_TRUE(Item(index).IsClickable()) << "spot " << index;
    Item(index).Click();
    SurfaceByWheel();
}
