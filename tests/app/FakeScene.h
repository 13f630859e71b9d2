// An in-memory game screen for the exercise's tests: pictures that keep what the
// rules set on them, a counted texture registry with pixel copies, window
// timers the test fires, and the shell calls recorded.
#pragma once

#include <boost/signals2/signal.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/GameScene.h"

class FakeScene;

class FakePicture : public ScenePicture {
public:
    // Like the dialog's picture factory: the named picture at (x, y) in its
    // natural size.
    FakePicture(FakeScene& scene, const std::wstring& name, int x, int y);
    ~FakePicture() override;

    void Hide() override { hidden = true; }
    void Show() override { hidden = false; }
    bool IsHidden() const override { return hidden; }
    platform::Rect GetRect() const override { return rect; }
    void SetRect(const platform::Rect& r) override { rect = r; }
    void SetPosition(int x, int y) override { rect = {x, y, x + rect.Width(), y + rect.Height()}; }
    platform::Point GetPosition() const override { return {rect.left, rect.top}; }
    int GetTextureId() const override { return texture; }
    void SetTexture(const std::wstring& name) override;
    void SetTextureIndex(int index) override;
    void SetColor(uint32_t argb) override { color = argb; }
    void SetAngle(float radians) override { angle = radians; }
    void SetDirty(bool dirty) override { dirtyMarks += dirty ? 1 : 0; }
    boost::signals2::connection ConnectClick(const SceneHandler& handler) override {
        return onClick.connect(handler);
    }

    // A click anywhere on the picture; a hidden picture is never hit.
    void Click() {
        if (!hidden)
            onClick();
    }
    bool IsClickable() const { return !hidden && !onClick.empty(); }
    // The name the shown picture is registered under.
    std::wstring TextureName() const;
    uint32_t Alpha() const { return color >> 24; }

    FakeScene& scene;
    platform::Rect rect;
    bool hidden = false;
    int texture = -1;
    bool hasTexture = false;
    uint32_t color = 0xFFFFFFFF;
    float angle = 0;
    int dirtyMarks = 0;
    boost::signals2::signal<void()> onClick;
};

class FakeScene : public GameScene {
public:
    static constexpr int kNoTexture = 1'000'000;

    struct Texture {
        std::wstring name;
        int width = 0;
        int height = 0;
        std::vector<uint32_t> pixels; // width × height ARGB, or empty for all-transparent
        int refCount = 0;
    };

    FakeScene();
    ~FakeScene() override;

    // A picture the scene can load by name, as the executable carries it.
    void AddResource(const std::wstring& name, int width, int height,
                     std::vector<uint32_t> pixels = {});

    // The scene owns the pictures, as the step dialog owns its controls.
    FakePicture* CreatePicture(const std::wstring& name, int x, int y);

    int LoadTexture(const std::wstring& name) override;
    int AddTextureRef(int index) override;
    void ReleaseTexture(int index) override;
    platform::Rect GetTextureImage(int index) override;
    uint32_t GetTexturePixel(int index, int x, int y) override;

    int AddTimer(uint32_t intervalMilliseconds) override;
    void RemoveTimer(int id) override;
    boost::signals2::connection ConnectTimer(int id, const SceneHandler& handler) override;
    // One pass of the message loop with every timer due: each fires once, in
    // ascending id order; a handler may remove its own timer.
    void FireTimers();
    size_t TimerCount() const { return timers.size(); }

    void AddStatistic(const std::wstring& name, const std::wstring& value,
                      const std::wstring& type) override {
        rows.push_back({name, value, type});
    }
    void ShowFinalPraise(int x, int y) override { praises.push_back({x, y}); }

    bool IsLive(int index) const;
    int RefCount(int index) const;
    int Find(const std::wstring& name) const;
    std::wstring NameOf(int index) const;

    std::vector<std::vector<std::wstring>> rows;
    std::vector<platform::Point> praises;
    std::map<int, uint32_t> timerIntervals;

private:
    struct Resource {
        int width;
        int height;
        std::vector<uint32_t> pixels;
    };
    std::map<std::wstring, Resource> resources_;
    // Slots are never reused, so a stale index stays recognisably dead.
    std::vector<Texture> textures_;
    std::map<std::wstring, int> names_;
    std::map<int, std::shared_ptr<boost::signals2::signal<void()>>> timers;
    int lastTimerId_ = 0;
    // Declared last so the pictures release their textures before the
    // registry goes.
    std::vector<std::unique_ptr<FakePicture>> pictures_;
};
