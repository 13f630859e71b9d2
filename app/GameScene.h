// The narrow interface through which the diving exercise's rules reach the rest
// of the program: the pictures of the game screen, the window's timers, the
// texture registry and the shell.
//
// The rules never draw and never see a control class. The game screen wraps
// its picture, button and ripple controls in ScenePicture and the step
// dialog's surroundings in GameScene; the tests drive the same rules with
// pictures and a scene that live only in memory.
#pragma once

#include <boost/function.hpp>
#include <boost/signals2/connection.hpp>

#include <cstdint>
#include <string>

#include "platform/Types.h"

// A handler the rules connect to a click or a timer. The event record itself is
// of no interest to the rules; the adapters drop it.
using SceneHandler = boost::function<void()>;

// One picture of the game screen as the rules see it. The operations keep the
// names and the meaning they have on the controls and their texture views.
class ScenePicture {
public:
    virtual ~ScenePicture() = default;

    virtual void Hide() = 0;
    virtual void Show() = 0;
    virtual bool IsHidden() const = 0;

    // The rectangle in the step dialog's coordinates.
    virtual platform::Rect GetRect() const = 0;
    virtual void SetRect(const platform::Rect& rect) = 0;
    // Moves the top-left corner and keeps the size.
    virtual void SetPosition(int x, int y) = 0;
    virtual platform::Point GetPosition() const = 0;

    // The texture index of the picture shown (the view's textureId).
    virtual int GetTextureId() const = 0;
    // Shows the picture registered or loadable under name, e.g. the item
    // picture "155". The view takes its own reference and drops the old one.
    virtual void SetTexture(const std::wstring& name) = 0;
    // The same for a picture that is already registered.
    virtual void SetTextureIndex(int index) = 0;

    // The modulation colour (ARGB, alpha in the top byte) and the rotation about
    // the rectangle's centre in radians.
    virtual void SetColor(uint32_t argb) = 0;
    virtual void SetAngle(float radians) = 0;
    virtual void SetDirty(bool dirty) = 0;

    // Connects a handler to the picture's OnClick signal.
    virtual boost::signals2::connection ConnectClick(const SceneHandler& handler) = 0;
};

// Everything else the rules use: the main window's timers, the texture registry
// and the two calls into the shell at the end of the game.
class GameScene {
public:
    virtual ~GameScene() = default;

    // Window timers: AddTimer returns an id ≥ 1 that is never reused;
    // RemoveTimer of an unknown id (or 0) does nothing and disconnects every
    // handler of a known one; ConnectTimer of an unknown id returns an empty
    // connection. A timer fires at most once per loop pass, and its handler may
    // remove it.
    virtual int AddTimer(uint32_t intervalMilliseconds) = 0;
    virtual void RemoveTimer(int id) = 0;
    virtual boost::signals2::connection ConnectTimer(int id, const SceneHandler& handler) = 0;

    // The texture registry: textures are shared by name and counted. An index
    // that names no picture (a missing asset) is ignored by AddTextureRef and
    // ReleaseTexture.
    virtual int LoadTexture(const std::wstring& name) = 0;
    virtual int AddTextureRef(int index) = 0;
    virtual void ReleaseTexture(int index) = 0;
    // The slot's image, (0, 0, picture width, picture height); an empty
    // rectangle for an index that names no picture.
    virtual platform::Rect GetTextureImage(int index) = 0;
    // The pixel of the system-memory copy, ARGB with alpha in the top byte. The
    // rules call it only for points inside GetTextureImage.
    virtual uint32_t GetTexturePixel(int index, int x, int y) = 0;

    // The shell: one statistics row of the run, and the final praise with its
    // cloud's top-left corner at (x, y), which ends the step.
    virtual void AddStatistic(const std::wstring& name, const std::wstring& value,
                              const std::wstring& type) = 0;
    virtual void ShowFinalPraise(int x, int y) = 0;
};
