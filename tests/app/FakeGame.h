// A whole game on the in-memory screen, built the way the game screen builds
// it, with the lake masks and the boat sprite the tests play on and a few moves
// a child makes (sail to a spot, dive, surface).
#pragma once

#include <cstdint>
#include <vector>

#include "FakeScene.h"
#include "app/App.h"
#include "platform/Clock.h"

inline constexpr int kMaskWidth = 541;
inline constexpr int kMaskHeight = 352;

// 541 × 352 ARGB masks: water everywhere, and a lake with soft shores (alpha
// ramps through odd and even values) and two islands.
std::vector<uint32_t> OpenWaterMask();
std::vector<uint32_t> IslandLakeMask();
// The 14 × 35 map boat: an opaque hull with transparent corners.
std::vector<uint32_t> BoatSprite();

inline constexpr uint32_t kLand = 0xFF000000;
inline void SetMaskAlpha(std::vector<uint32_t>& mask, int x, int y, uint32_t alpha) {
    mask[static_cast<size_t>(y) * kMaskWidth + x] = alpha << 24;
}

class FakeGame {
public:
    static constexpr int64_t kDefaultCalendarTime = 1'204'726'020;

    explicit FakeGame(std::vector<uint32_t> mask = OpenWaterMask(),
                      int64_t calendarSeconds = kDefaultCalendarTime);

    FakePicture& Item(int i) { return Fake(app.spots[i].item); }
    FakePicture& Marker(int i) { return Fake(app.spots[i].marker); }
    FakePicture& Shadow(int i) { return Fake(app.spots[i].shadow); }
    FakePicture& LensBoat() { return Fake(app.lensBoat); }
    FakePicture& MapBoat() { return Fake(app.mapBoat); }
    FakePicture& Arrow(int i) { return Fake(app.arrowButtons[i]); }
    FakePicture& Tile(int i) { return Fake(app.waterTiles[i]); }
    FakePicture& Ripple() { return Fake(app.ripple); }
    FakePicture& LakeBottom() { return Fake(app.lakeBottom); }
    FakePicture& BowlIcon(int kind) { return *bowlIcons[kind]; }

    // The child's hands: the wheel's button, one wheel notch, an arrow held
    // down and let go.
    void Press();
    void Wheel(bool forward);
    void HoldArrow(int angle);
    void ReleaseAwayFromArrows();

    // From the surface: press, then turn forward to the depth.
    void DiveTo(int depth);
    // Backward turns until the dive ends.
    void SurfaceByWheel();
    // Fires the timers until the automatic ascent has ended.
    void RunAscent();
    // Steers the boat with arrow steps until the spot lies at the lens centre
    // (or the shore stops it).
    void Sail(int index);
    // The spot's item lies in the lens at the surface and at the deepest dive.
    bool UnderBoat(int index) const;
    // Sail over the spot, dive to 35, click the item, surface with the wheel.
    void Collect(int index);

    // Installed first so the clock is manual before anything reads it.
    platform::ManualClock clock;
    FakeScene scene;
    App app;
    SpotPlacement placement;
    // Bowl icons by the spot that owned them at the start.
    std::vector<FakePicture*> bowlIcons;

private:
    static FakePicture& Fake(ScenePicture* picture) { return *static_cast<FakePicture*>(picture); }
};
