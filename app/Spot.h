// The fourteen sunken objects of the lake: the fixed table of what lies where in
// index order, and the per-game state of one spot.
#pragma once

#include <array>

#include "platform/Types.h"

class ScenePicture;

// One row of the spot table. The three levels are the object's pictures from the
// most blurred (level 1) to the sharp one (level 3), all of the same size;
// treasures also have the sharp icon shown in their bowl once found.
struct SpotKind {
    const wchar_t* object;
    bool treasure;
    std::array<int, 3> levels;
    int width;
    int height;
    int bowlIcon; // 0 for junk
    platform::Point bowlPosition;
};

inline constexpr int kSpotCount = 14;

inline constexpr std::array<SpotKind, kSpotCount> kSpotTable{{
    {L"bracelet", true, {154, 155, 156}, 48, 36, 136, {470, 515}},
    {L"tin can", false, {148, 149, 150}, 32, 36, 0, {}},
    {L"crown", true, {157, 158, 159}, 64, 56, 137, {562, 505}},
    {L"goblet", true, {160, 161, 162}, 66, 74, 138, {658, 395}},
    {L"hammer", false, {151, 152, 153}, 68, 32, 0, {}},
    {L"plastic bottle", false, {142, 143, 144}, 70, 26, 0, {}},
    {L"ring", true, {163, 164, 165}, 40, 28, 139, {475, 427}},
    {L"sandals", false, {172, 173, 174}, 56, 44, 0, {}},
    {L"pink boot", false, {175, 176, 177}, 68, 72, 0, {}},
    {L"yellow boot", false, {178, 179, 180}, 52, 68, 0, {}},
    {L"glass bottle", false, {145, 146, 147}, 60, 46, 0, {}},
    {L"chest", true, {166, 167, 168}, 64, 60, 140, {657, 505}},
    {L"iron", false, {181, 182, 183}, 46, 46, 0, {}},
    {L"jug", true, {169, 170, 171}, 42, 80, 141, {574, 386}},
}};

// One spot of the running game. The spot's index in App::spots selects its row
// of kSpotTable for the whole game. A spot is cleared when its item is hidden;
// there is no separate flag.
struct Spot {
    float mapX = 0; // centre in map coordinates
    float mapY = 0;
    int lensX = 0; // centre in lens coordinates for the boat's position
    int lensY = 0;
    ScenePicture* marker = nullptr;   // the buoy on the map
    ScenePicture* item = nullptr;     // the object on the bottom
    ScenePicture* shadow = nullptr;   // the dark patch above it
    ScenePicture* bowlIcon = nullptr; // the treasure's icon in its bowl; none for junk
    int isTreasure = 0;
    int searchTime = 0; // milliseconds from the previous clearing to this one
};
