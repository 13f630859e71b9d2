// The game screen in a main window on the headless twins, played the way a
// child plays it: pointer moves, button presses and wheel turns pushed into
// the window, the clock advanced by hand and the real loop run pass by pass.
#pragma once

#include <gtest/gtest.h>

#include <SDL_mouse.h>
#include <SDL_video.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/ControlPicture.h"
#include "app/WindowGameScene.h"
#include "gui/IMAnimationBase.h"
#include "gui/IMDialogBase.h"
#include "gui/IMSequenceView.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"

using GamePicture = IMStaticPictureBase<IMTextureView>;
using GameArrow = IMButtonBase<IMStateView>;
using GameRipple = IMAnimationBase<IMSequenceView>;

// The directions of App::arrowButtons, in their order.
inline constexpr std::array<int, 8> kArrowDirections{0, 90, 180, 270, 45, 135, 315, 225};

// A boat position on the map (the boat's top-left corner, App::boatX/boatY).
struct MapPoint {
    int x = 0;
    int y = 0;
    bool operator==(const MapPoint&) const = default;
};

class GameWindow {
public:
    // The pointer rests in the glass while diving, away from its middle,
    // where the object under the boat lies: a wheel press over an object is a
    // middle click on it, which the rules take as clicking the object.
    static constexpr platform::Point kDivingPointer{140, 330};

    // A title of its own on headless twins of its own, with a report on a
    // private folder, the game opened as the shell's sequence opens a step.
    GameWindow();
    // The game that the app's running step shows, in a window on twins that
    // the caller owns; the window and the app stay the caller's.
    GameWindow(App& app, platform::HeadlessWindow& display, platform::ManualClock& clock);
    // The game the app's running step shows, in a window whose input comes
    // from elsewhere: a subclass that gives the hands below input of its own
    // keeps the route planning and the way of play.
    explicit GameWindow(App& app);
    virtual ~GameWindow();
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    App& app() { return *app_; }
    IMDialogBase<IMEmptyView>* dialog() { return dialog_; }
    // The window's twin, for input that the helpers below do not make.
    platform::HeadlessWindow& Display() { return *display_; }

    // Runs the loop; false once it has retrieved WM_QUIT, after which it
    // runs no more passes.
    bool Pass(int passes = 1);
    bool Quit() const { return quit_; }
    virtual void Advance(int milliseconds) { clock_->AdvanceMilliseconds(milliseconds); }

    // The real controls behind the rules' pictures.
    static GamePicture& Picture(ScenePicture* picture);
    static GameArrow& Arrow(ScenePicture* picture);
    static GameRipple& Ripple(ScenePicture* picture);
    GameArrow& ArrowFor(int direction);

    // The topmost control of the step dialog under the point, as the dialog
    // finds the child for the pointer.
    IMControl* TopmostAt(int x, int y) const;
    // A point where the arrow of that direction is the topmost control.
    platform::Point ArrowPoint(int direction) const;

    // Input, each followed by one loop pass.
    void MoveTo(int x, int y);
    void LeftPress(int x, int y);
    void LeftRelease(int x, int y);
    virtual void LeftClick(int x, int y);
    void MiddlePress(uint8_t clicks = 1);
    void Wheel(int notches);

    // Presses the arrow, lets the movement timer fire `steps` times and
    // releases over the same arrow.
    void HoldArrow(int direction, int steps);
    // Drives the boat along the route of directions, arrow by arrow, with the
    // window minimised on the way.
    void Drive(const std::vector<int>& directions);
    MapPoint Boat() { return {app_->boatX, app_->boatY}; }
    // Drives the boat to a reachable position.
    virtual void SailTo(MapPoint target) { Drive(RouteTo(Explore(), target)); }

    // A press of the wheel at the surface and wheel turns down to the depth.
    virtual void DiveTo(int depth);
    // A press of the wheel under water, then the ascent's ticks until the
    // boat is back at the surface.
    virtual void Surface();

    // Route planning over the map with the rules' own collision test.
    bool CanStand(MapPoint point);
    // The positions the boat can reach from where it is, each with the
    // direction of the step that first reached it.
    struct Reach {
        int width = 0;
        int height = 0;
        std::vector<int8_t> via; // −1: not reached; otherwise an index into kArrowDirections
        bool Reached(MapPoint p) const {
            return p.x >= 0 && p.y >= 0 && p.x < width && p.y < height && via[Index(p)] >= 0;
        }
        size_t Index(MapPoint p) const { return static_cast<size_t>(p.y) * width + p.x; }
    };
    Reach Explore();
    // The steps from the boat's position to the target, which must be reached.
    std::vector<int> RouteTo(const Reach& reach, MapPoint target) const;
    // The reachable position nearest to the spot's centre (where the spot
    // lies in the middle of the lens).
    MapPoint NearestTo(const Reach& reach, const Spot& spot) const;

    // The statistics rows the report has received, as its serialised text.
    std::string ReportText() const;

    // Plays the game to its end as a child does: sails to the nearest spot
    // left, dives, clicks a treasure or surfaces from junk, until every spot
    // is cleared. False when a spot could not be reached or cleared.
    bool PlayToTheEnd();
    // Follows the game the app's running step shows now (the next game after
    // a Retry), keeping what it knows of the lake.
    void FollowNextGame();

private:
    // The twins of a game window that has its own.
    struct OwnTwins {
        platform::DebugOutputCapture debugOutput;
        platform::HeadlessWindow display;
        platform::HeadlessAudio audio;
        platform::ManualClock clock;
    };
    void FindArrowsAndMap();

    std::unique_ptr<OwnTwins> own_;
    platform::HeadlessWindow* display_ = nullptr;
    platform::ManualClock* clock_ = nullptr;
    std::filesystem::path folder_;
    App* app_ = nullptr;
    IMDialogBase<IMEmptyView>* dialog_ = nullptr;
    std::array<platform::Point, 8> arrowPoints_{};
    // Memo of CanStand: 0 unknown, 1 water, 2 blocked.
    std::vector<uint8_t> standing_;
    int mapWidth_ = 0;
    int mapHeight_ = 0;
    bool quit_ = false;
};

// The boat's step on the map for each direction, as the rules take it.
MapPoint StepOf(int direction);
