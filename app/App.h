// The diving exercise as the shell sees it, and the game's state and rules: the
// lake and its spots, the boat and the shore, the dive driven by the mouse
// wheel, the clearing rules, the last treasure and the search times.
#pragma once

#include <boost/signals2/connection.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/GameScene.h"
#include "app/Spot.h"
#include "platform/Types.h"
#include "shell/IMApp.h"

class WindowGameScene;
class IMSequenceView;
template <class View> class IMAnimationBase;

// The window title the entry point gives GetApp; the report file is named after it.
inline constexpr const wchar_t* kWindowTitle = L"00517 Тренажер «Зельтарик»";

// How a spot placement went: the candidates drawn under the lake's rules, how
// often it started over because the spots placed so far left no room for the
// next, and how many spots had to be put on the fallback grid because the
// mask left no room for them at all.
struct SpotPlacement {
    long candidates = 0;
    int restarts = 0;
    int fallbackSpots = 0;
};

class App : public IMApp<App> {
public:
    // Geometry of the game screen. The lens centre for positions is
    // (202.5, 396); where an integer is needed it is (202, 396).
    static constexpr platform::Rect kMapRect{229, 29, 770, 381};
    static constexpr platform::Rect kLensRect{36, 229, 369, 563};
    static constexpr int kLensScale = 6;
    static constexpr int kLensCentreX = 202;
    static constexpr int kLensCentreY = 396;
    static constexpr platform::Point kBoatStart{280, 170};
    static constexpr int kBoatWidth = 14;
    static constexpr int kBoatHeight = 35;
    static constexpr int kMaxDepth = 40;
    static constexpr int kBottomDepth = 20;
    static constexpr int kLevel2Depth = 27;
    static constexpr int kLevel3Depth = 35;
    static constexpr int kClickDepth = 30; // items can be clicked below this depth
    static constexpr uint32_t kAscentPeriod = 30;
    static constexpr uint32_t kMovePeriod = 10;
    static constexpr int kShadowWidth = 125;
    static constexpr int kShadowHeight = 109;
    static constexpr int kBottomHalfSize = 350; // the lake bottom at the surface
    static constexpr uint32_t kUnlitGrey = 0xFF878787;
    static constexpr platform::Point kFinalPraiseCloud{137, 100};
    // Candidates one placement attempt may draw before it starts over, and all
    // attempts together before PlaceSpots gives up on a mask that cannot hold
    // the spots. A lake like the shipped one needs a few thousand at worst when
    // the spots fit; when the first spots leave no room for the rest, no number
    // of candidates would do.
    static constexpr long kPlacementAttemptLimit = 100'000;
    static constexpr long kPlacementCandidateLimit = 2'000'000;

    App();
    ~App() override;

    void RegisterSteps() override;
    // The narrated video: narration 191 and video 190 at 25 frames per
    // second. The narration's end brings the closing phrase and the key hint;
    // closing the dialog silences it.
    void ShowInstruction(IMDialogBase<IMEmptyView>* dialog) override;

    // The step "Dialog1": builds the game screen in the step dialog.
    int BuildGameScreen(IMDialogBase<IMEmptyView>* dialog);
    // The ripple's OnStop: it plays again, so it loops while the screen lives.
    long RestartRipple();
    // The step dialog's OnClose: the game ends with the dialog that shows it.
    long OnGameScreenClosed(IMDialogBase<IMEmptyView>* dialog);

    // The rules. Each runs on the main thread, called by the game screen.
    SpotPlacement PlaceSpots(long candidateLimit = kPlacementCandidateLimit);
    void MoveBoat(int angle);
    bool CanPlaceBoat(int x, int y);
    void PressWheel();
    void TurnWheel(bool forward);
    void AscentTick(int id);
    void UpdateDepth(bool descending);
    void SwapLastTreasure(int treasure);
    void OnItemClicked(int index);
    void CheckGameOver();
    // The rectangle of a picture of the given source size lying at the spot,
    // as the magnifier shows it at that depth.
    static platform::Rect ItemRect(const Spot& spot, int depth, int width, int height);
    // Strictly inside the lens rectangle.
    static bool IsInLens(const platform::Rect& rect);
    // The lake bottom's rectangle at that depth, centred on (202, 396).
    static platform::Rect LakeBottomRect(int depth);

    // The game screen's input, mapped onto the rules and the window's timers:
    // an arrow button's mouse buttons (with its direction), and every mouse
    // button and wheel event that reaches the step dialog.
    long OnArrowButton(uint32_t code, int angle);
    long OnDialogMouseButton(uint32_t code, uint32_t wParam);
    void ShowBoat(bool show);
    void ScrollWater(int dx, int dy);
    // Water, ripple, lake bottom, shadows and items for depth 0 … 40.
    void ShowDepth(int depth);

    // The game screen's life. BuildGameScreen sets gameScene and calls
    // ResetGameFields (the fields' starting values, empty spots and arrows,
    // the lake mask and the ripple's frames), then creates the controls and
    // fills the fields that hold them, then calls LayOutGameScreen (sizes, spot
    // placement, positions, the clock). EndGame runs when the step dialog
    // closes: it stops the timers, lets go of the item click and the textures
    // and forgets the pictures, which die with the dialog.
    void ResetGameFields();
    SpotPlacement LayOutGameScreen();
    void EndGame();

    // Game fields.
    bool diving = false;
    std::vector<Spot> spots;
    ScenePicture* lensBoat = nullptr;
    std::vector<ScenePicture*> arrowButtons;
    int moveTimer = -1;
    int lakeMask = -1;
    ScenePicture* mapBoat = nullptr;
    int depth = 0;
    boost::signals2::connection itemClickConnection;
    bool bottomReached = false;
    std::array<int, 12> waterFrameTextures{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int lensScale = kLensScale;
    platform::Rect mapRect = kMapRect;
    int boatX = kBoatStart.x;
    int boatY = kBoatStart.y;
    int boatStep = 1;
    platform::Rect lensRect = kLensRect;
    std::array<ScenePicture*, 4> waterTiles{};
    ScenePicture* ripple = nullptr;
    ScenePicture* lakeBottom = nullptr;
    uint32_t searchStart = 0;

    // The rest of the program as the rules reach it; set by BuildGameScreen.
    GameScene* gameScene = nullptr;
    // The one automatic ascent in progress, −1 when none.
    int ascentTimer = -1;

    // The game screen on the real window: the dialog it is built in, the
    // scene behind gameScene (kept after the game ends, as the rules may still
    // be returning through it) and the ripple control itself.
    IMDialogBase<IMEmptyView>* gameDialog = nullptr;
    std::unique_ptr<WindowGameScene> windowScene;
    IMAnimationBase<IMSequenceView>* rippleAnimation = nullptr;

private:
    bool IsTooClose(int placed, int cx, int cy) const;
    void PlaceOnGrid(int index);
    void ClearSpot(Spot& spot);
    void RecordSearchTime(Spot& spot);
    void StopMoving();
    void ReleaseWaterFrames();
};
