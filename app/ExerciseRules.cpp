// The diving exercise's rules: spot placement on the lake mask, the boat and the
// shore, the dive as a depth state machine, clearing, the last treasure and the
// end of the game. They act on the screen only through GameScene and
// ScenePicture.
//
// All arithmetic that ends on the screen is done in double precision and
// truncated toward zero at each conversion to int; the item offsets are
// rounded to float on the way. The rectangles depend on these exact roundings.
#include "app/App.h"

#include <boost/bind/bind.hpp>

#include <cassert>
#include <cmath>
#include <string>

#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/Random.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The marker box on the map, the offset of the spot's centre inside it and the
// distance of the four shore probes from the centre.
constexpr int kMarkerWidth = 9;
constexpr int kMarkerHeight = 17;
constexpr int kMarkerCentreX = 4;
constexpr int kMarkerCentreY = 9;
constexpr int kProbeDistance = 25;

// The spacing of the fallback grid: one more than the spacing rule's reach, so
// grid points never stand too close to one another.
constexpr int kGridStep = 56;

struct BoatStep {
    int angle;
    int dx;
    int dy;
};

// Map y grows downwards.
constexpr BoatStep kBoatSteps[] = {
    {0, 0, -1},  {45, 1, -1},  {90, 1, 0},   {135, 1, 1},
    {180, 0, 1}, {225, -1, 1}, {270, -1, 0}, {315, -1, -1},
};

int Trunc(double value) {
    return static_cast<int>(value);
}

// The lake mask as both tests read it. Water is transparent and land opaque,
// with soft edges on which the two tests disagree; anything outside the picture
// is land for both.
class LakeMask {
public:
    LakeMask(GameScene& scene, int index)
        : scene_(scene), index_(index), image_(scene.GetTextureImage(index)) {}

    // Movement: any alpha at all is land.
    bool IsLandForMovement(int x, int y) const {
        return !image_.Contains(x, y) || Alpha(x, y) != 0;
    }

    // Placement: land when the alpha is odd, so the opaque land and half the
    // soft edge count, and the transparent water and the other half do not.
    bool IsLandForPlacement(int x, int y) const {
        return !image_.Contains(x, y) || (Alpha(x, y) & 1) != 0;
    }

    // The corners of the marker box with its top-left corner at (x, y), in the
    // order they are tested.
    bool MarkerBoxOnWater(int x, int y) const {
        return !IsLandForPlacement(x, y) &&
               !IsLandForPlacement(x + kMarkerWidth, y + kMarkerHeight) &&
               !IsLandForPlacement(x + kMarkerWidth, y) &&
               !IsLandForPlacement(x, y + kMarkerHeight);
    }

    // The right, lower and left probes round a centre. The upper one is tested
    // last, together with the spacing.
    bool SideProbesOnWater(int cx, int cy) const {
        return !IsLandForPlacement(cx + kProbeDistance, cy) &&
               !IsLandForPlacement(cx, cy + kProbeDistance) &&
               !IsLandForPlacement(cx - kProbeDistance, cy);
    }

    bool UpperProbeOnWater(int cx, int cy) const {
        return !IsLandForPlacement(cx, cy - kProbeDistance);
    }

private:
    uint32_t Alpha(int x, int y) const { return scene_.GetTexturePixel(index_, x, y) >> 24; }

    GameScene& scene_;
    int index_;
    platform::Rect image_;
};

std::wstring Decimal(long value) {
    return std::to_wstring(value);
}

} // namespace

platform::Rect App::LakeBottomRect(int depth) {
    const double zoom = 0.5 + depth / 80.0;
    const double half = kBottomHalfSize * zoom;
    return {Trunc(kLensCentreX - half), Trunc(kLensCentreY - half), Trunc(kLensCentreX + half),
            Trunc(kLensCentreY + half)};
}

platform::Rect App::ItemRect(const Spot& spot, int depth, int width, int height) {
    const double zoom = 0.5 + depth / 80.0;
    const platform::Rect bottom = LakeBottomRect(depth);
    const int bottomWidth = bottom.Width();
    const int bottomHeight = bottom.Height();
    // The picture drifts outwards from the lens centre as the bottom grows.
    const float offX = static_cast<float>(-static_cast<double>(bottomWidth - kBottomHalfSize) *
                                          (spot.lensX - kLensCentreX) / bottomWidth);
    const float offY = static_cast<float>(-static_cast<double>(bottomHeight - kBottomHalfSize) *
                                          (spot.lensY - kLensCentreY) / bottomHeight);
    const double halfWidth = zoom * width * 0.5;
    const double halfHeight = zoom * height * 0.5;
    return {Trunc(spot.lensX - halfWidth - offX), Trunc(spot.lensY - halfHeight - offY),
            Trunc(spot.lensX + halfWidth - offX), Trunc(spot.lensY + halfHeight - offY)};
}

bool App::IsInLens(const platform::Rect& rect) {
    return rect.left > kLensRect.left && rect.top > kLensRect.top &&
           rect.bottom < kLensRect.bottom && rect.right < kLensRect.right;
}

bool App::IsTooClose(int placed, int cx, int cy) const {
    // Two spots closer than a lens width or height (in map pixels) could lie in
    // the lens together.
    const double reachX = static_cast<double>(lensRect.Width()) / lensScale;
    const double reachY = static_cast<double>(lensRect.Height()) / lensScale;
    for (int k = 0; k < placed; ++k) {
        if (std::fabs(static_cast<double>(spots[k].mapX) - cx) < reachX &&
            std::fabs(static_cast<double>(spots[k].mapY) - cy) < reachY)
            return true;
    }
    return false;
}

SpotPlacement App::PlaceSpots(long candidateLimit) {
    SpotPlacement placement;
    platform::SeedRandom(static_cast<uint32_t>(platform::CalendarTime()));
    const LakeMask mask(*gameScene, lakeMask);
    const int width = mapRect.Width();
    const int height = mapRect.Height();
    const int count = static_cast<int>(spots.size());

    int placed = 0;
    long attemptStart = 0;
    while (placed < count && placement.candidates < candidateLimit) {
        // Spots placed one after another can leave no room for the next one on
        // a real lake too, now and then; drawing on would never end. After that
        // many candidates the placement starts over with the generator running
        // on.
        if (placement.candidates - attemptStart >= kPlacementAttemptLimit) {
            ++placement.restarts;
            placed = 0;
            attemptStart = placement.candidates;
        }
        const int x = platform::Random() % width;
        const int y = platform::Random() % height;
        ++placement.candidates;
        if (!mask.MarkerBoxOnWater(x, y))
            continue;
        const int cx = x + kMarkerCentreX;
        const int cy = y + kMarkerCentreY;
        const bool tooClose = IsTooClose(placed, cx, cy);
        if (!mask.SideProbesOnWater(cx, cy))
            continue;
        if (!mask.UpperProbeOnWater(cx, cy) || tooClose)
            continue;
        spots[placed].mapX = static_cast<float>(cx);
        spots[placed].mapY = static_cast<float>(cy);
        ++placed;
    }

    // A mask that cannot hold the spots (a foreign or a missing picture) must
    // not hang the game: the rest go on a grid, on water where the grid meets
    // the rules and anywhere otherwise, but always far enough apart that no two
    // lie in the lens together.
    for (int i = placed; i < count; ++i) {
        PlaceOnGrid(i);
        ++placement.fallbackSpots;
    }
    if (placement.fallbackSpots > 0) {
        platform::OutputDebugString(L"PlaceSpots: the lake mask has no room for " +
                                    Decimal(placement.fallbackSpots) +
                                    L" of the spots; they lie on a grid.\n");
    }
    return placement;
}

void App::PlaceOnGrid(int index) {
    const LakeMask mask(*gameScene, lakeMask);
    const int width = mapRect.Width();
    const int height = mapRect.Height();
    // Each earlier spot blocks at most four grid points and there are at least
    // sixty, so the second pass always finds one.
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y + kMarkerHeight < height; y += kGridStep) {
            for (int x = 0; x + kMarkerWidth < width; x += kGridStep) {
                const int cx = x + kMarkerCentreX;
                const int cy = y + kMarkerCentreY;
                if (IsTooClose(index, cx, cy))
                    continue;
                if (pass == 0 && !(mask.MarkerBoxOnWater(x, y) && mask.SideProbesOnWater(cx, cy) &&
                                   mask.UpperProbeOnWater(cx, cy)))
                    continue;
                spots[index].mapX = static_cast<float>(cx);
                spots[index].mapY = static_cast<float>(cy);
                return;
            }
        }
    }
    spots[index].mapX = kMarkerCentreX;
    spots[index].mapY = kMarkerCentreY;
}

bool App::CanPlaceBoat(int x, int y) {
    const LakeMask mask(*gameScene, lakeMask);
    // The sprite is tested upright whichever way the boat faces, with (x, y) as
    // the top-left corner of the tested block.
    const int sprite = mapBoat->GetTextureId();
    const platform::Rect spriteImage = gameScene->GetTextureImage(sprite);
    for (int i = 0; i < kBoatWidth; ++i) {
        for (int j = 0; j < kBoatHeight; ++j) {
            if (!spriteImage.Contains(i, j) ||
                (gameScene->GetTexturePixel(sprite, i, j) >> 24) == 0)
                continue;
            if (mask.IsLandForMovement(x + i, y + j))
                return false;
        }
    }
    return true;
}

void App::MoveBoat(int angle) {
    // Both boats turn to the arrow's direction even when the shore refuses the step.
    const float radians = static_cast<float>(angle * (kPi / 4) / 45);
    lensBoat->SetAngle(radians);
    lensBoat->SetDirty(true);
    mapBoat->SetAngle(radians);
    mapBoat->SetDirty(true);

    const BoatStep* step = nullptr;
    for (const BoatStep& candidate : kBoatSteps) {
        if (candidate.angle == angle)
            step = &candidate;
    }
    if (step == nullptr)
        return;
    const int dx = step->dx * boatStep;
    const int dy = step->dy * boatStep;
    if (!CanPlaceBoat(boatX + dx, boatY + dy))
        return;

    boatX += dx;
    boatY += dy;
    const platform::Point boat = mapBoat->GetPosition();
    mapBoat->SetPosition(boat.x + dx, boat.y + dy);
    // The lens boat stays where it is; the scene moves under it.
    for (Spot& spot : spots) {
        spot.lensX -= lensScale * dx;
        spot.lensY -= lensScale * dy;
        for (ScenePicture* picture : {spot.shadow, spot.item}) {
            const platform::Rect rect = picture->GetRect();
            picture->SetPosition(Trunc(spot.lensX - rect.Width() * 0.5),
                                 Trunc(spot.lensY - rect.Height() * 0.5));
        }
    }
    ScrollWater(dx, dy);
}

void App::PressWheel() {
    // One ascent at a time: a second press while the boat rises would start a
    // second timer, and the two would end the dive twice and leave the boat
    // hidden at the surface.
    if (ascentTimer != -1)
        return;

    if (depth != 0) {
        ascentTimer = gameScene->AddTimer(kAscentPeriod);
        gameScene->ConnectTimer(ascentTimer, boost::bind(&App::AscentTick, this, ascentTimer));
        return;
    }

    diving = !diving;
    ShowBoat(!diving);
    // The arrows are hidden under water, so a held arrow could never be
    // released over one: the boat stops when the dive begins.
    if (diving)
        StopMoving();

    // The last treasure can be found only at the last uncleared spot: while any
    // other spot is left, it moves away from under the boat.
    int remaining = 0;
    int treasures = 0;
    int lastTreasure = -1;
    for (int i = 0; i < static_cast<int>(spots.size()); ++i) {
        if (spots[i].item->IsHidden())
            continue;
        ++remaining;
        if (spots[i].isTreasure == 1) {
            ++treasures;
            lastTreasure = i;
        }
    }
    if (treasures == 1 && remaining > 1 && IsInLens(spots[lastTreasure].item->GetRect()))
        SwapLastTreasure(lastTreasure);
}

void App::SwapLastTreasure(int treasure) {
    int other = -1;
    for (int i = 0; i < static_cast<int>(spots.size()); ++i) {
        if (i != treasure && !spots[i].item->IsHidden()) {
            other = i;
            break;
        }
    }
    if (other < 0)
        return;

    Spot& from = spots[treasure];
    Spot& to = spots[other];
    // The treasure's picture is held by its item alone; without the extra
    // reference it would be freed between the two exchanges.
    const int treasurePicture = from.item->GetTextureId();
    gameScene->AddTextureRef(treasurePicture);
    from.item->SetTextureIndex(to.item->GetTextureId());
    to.item->SetTextureIndex(treasurePicture);
    gameScene->ReleaseTexture(treasurePicture);

    for (Spot* spot : {&from, &to}) {
        const platform::Rect image = gameScene->GetTextureImage(spot->item->GetTextureId());
        const double halfWidth = image.Width() * 0.5;
        const double halfHeight = image.Height() * 0.5;
        spot->item->SetRect({Trunc(spot->lensX - halfWidth), Trunc(spot->lensY - halfHeight),
                             Trunc(spot->lensX + halfWidth), Trunc(spot->lensY + halfHeight)});
    }

    from.isTreasure = 0;
    to.isTreasure = 1;
    to.bowlIcon = from.bowlIcon;
    from.bowlIcon = nullptr;
}

void App::TurnWheel(bool forward) {
    if (!diving)
        return;
    if (forward) {
        ++depth;
        UpdateDepth(true);
        return;
    }
    const int old = depth;
    --depth;
    UpdateDepth(false);
    // Reaching the surface with the wheel ends the dive as a press would.
    // During an ascent the press is ignored and the ascent ends the dive.
    if (depth != old && depth == 0)
        PressWheel();
}

void App::AscentTick(int id) {
    if (depth != 0) {
        --depth;
        UpdateDepth(false);
        return;
    }
    depth = -1;
    diving = !diving;
    ShowBoat(!diving);
    gameScene->RemoveTimer(id);
    if (id == ascentTimer)
        ascentTimer = -1;
    UpdateDepth(false);
}

void App::ClearSpot(Spot& spot) {
    spot.item->Hide();
    spot.marker->Hide();
    spot.shadow->Hide();
}

void App::RecordSearchTime(Spot& spot) {
    spot.searchTime = static_cast<int>(platform::TimeGetTime() - searchStart);
    searchStart = platform::TimeGetTime();
}

void App::UpdateDepth(bool descending) {
    if (depth < 0) {
        // Surfacing. Junk under the boat is cleared once a dive has reached the
        // bottom, even junk cleared before, whose time is then measured again.
        depth = 0;
        if (bottomReached) {
            for (Spot& spot : spots) {
                if (spot.isTreasure == 0 && IsInLens(spot.item->GetRect())) {
                    ClearSpot(spot);
                    RecordSearchTime(spot);
                }
            }
            bottomReached = false;
        }
        return;
    }
    if (depth > kMaxDepth) {
        depth = kMaxDepth;
        return;
    }
    if (depth == kBottomDepth)
        bottomReached = true;

    // Coming down, the objects sharpen on arriving at 27 and 35; going up they
    // blur again on arriving at 35 and 27. Every spot shows its own row's
    // picture, so a swapped item shows its own object again from here on.
    int level = -1;
    if (depth == kLevel2Depth)
        level = descending ? 1 : 0;
    else if (depth == kLevel3Depth)
        level = descending ? 2 : 1;
    if (level >= 0) {
        assert(spots.size() == kSpotTable.size() && "the game screen holds exactly 14 spots");
        for (size_t i = 0; i < spots.size(); ++i)
            spots[i].item->SetTexture(std::to_wstring(kSpotTable[i].levels[level]));
    }

    ShowDepth(depth);

    if (depth > kClickDepth) {
        if (!itemClickConnection.connected()) {
            // The spacing of the spots lets at most one item lie in the lens.
            for (int i = 0; i < static_cast<int>(spots.size()); ++i) {
                if (IsInLens(spots[i].item->GetRect())) {
                    itemClickConnection =
                        spots[i].item->ConnectClick(boost::bind(&App::OnItemClicked, this, i));
                }
            }
        }
    } else if (itemClickConnection.connected()) {
        itemClickConnection.disconnect();
    }
}

void App::OnItemClicked(int index) {
    Spot& spot = spots[index];
    if (spot.isTreasure == 1 && spot.bowlIcon != nullptr)
        spot.bowlIcon->Show();
    ClearSpot(spot);
    RecordSearchTime(spot);
    CheckGameOver();
}

void App::CheckGameOver() {
    for (const Spot& spot : spots) {
        if (!spot.item->IsHidden())
            return;
    }
    // One row per spot in index order, whatever order they were found in.
    for (size_t i = 0; i < spots.size(); ++i) {
        gameScene->AddStatistic(L"Время поиска " + Decimal(static_cast<long>(i + 1)) +
                                    L" предмета. мс.",
                                Decimal(spots[i].searchTime), L"Number");
    }
    gameScene->ShowFinalPraise(kFinalPraiseCloud.x, kFinalPraiseCloud.y);
    // The praise may close the step at once, and EndGame then lets go of
    // everything itself.
    if (gameScene != nullptr)
        ReleaseWaterFrames();
}
