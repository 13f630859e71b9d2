// The game screen's surroundings on the real window: the main window's
// timers, the renderer's texture registry and the application object's shell
// calls, behind the interface the exercise's rules are written against.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/ControlPicture.h"
#include "app/GameScene.h"

class App;

class WindowGameScene final : public GameScene {
public:
    // The shell calls go to the application object that plays the game.
    explicit WindowGameScene(App& app) : app_(app) {}
    // Releases nothing: the pictures it preloaded are released by
    // ReleasePictures while the renderer exists, and die with the renderer
    // when the window closes first.
    ~WindowGameScene() override = default;
    WindowGameScene(const WindowGameScene&) = delete;
    WindowGameScene& operator=(const WindowGameScene&) = delete;

    // The rules' view of a control of the step dialog; the scene keeps the
    // adapter for its own life.
    template <class Control> ControlPicture<Control>* Wrap(Control* control) {
        auto picture = std::make_unique<ControlPicture<Control>>(control);
        ControlPicture<Control>* result = picture.get();
        pictures_.push_back(std::move(picture));
        return result;
    }

    // Holds a reference to the named picture until ReleasePictures, so that
    // a control switching to it later finds it registered and decodes
    // nothing while the game runs.
    void Preload(const std::wstring& name);
    void ReleasePictures();

    int AddTimer(uint32_t intervalMilliseconds) override;
    void RemoveTimer(int id) override;
    boost::signals2::connection ConnectTimer(int id, const SceneHandler& handler) override;

    int LoadTexture(const std::wstring& name) override;
    int AddTextureRef(int index) override;
    void ReleaseTexture(int index) override;
    platform::Rect GetTextureImage(int index) override;
    uint32_t GetTexturePixel(int index, int x, int y) override;

    void AddStatistic(const std::wstring& name, const std::wstring& value,
                      const std::wstring& type) override;
    void ShowFinalPraise(int x, int y) override;

private:
    App& app_;
    std::vector<std::unique_ptr<ScenePicture>> pictures_;
    std::vector<int> preloaded_;
};
