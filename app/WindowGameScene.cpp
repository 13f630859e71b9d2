// The game scene over the main window, the renderer and the application object.
#include "app/WindowGameScene.h"

#include "app/App.h"
#include "gui/IMWindow.h"
#include "media/IMResourceManager.h"

void WindowGameScene::Preload(const std::wstring& name) {
    if (!Renderer)
        return;
    const int index = Renderer->LoadTexture(name);
    if (Renderer->IsValidTexture(index))
        preloaded_.push_back(index);
}

void WindowGameScene::ReleasePictures() {
    if (Renderer) {
        for (int index : preloaded_)
            Renderer->ReleaseTexture(index);
    }
    preloaded_.clear();
}

int WindowGameScene::AddTimer(uint32_t intervalMilliseconds) {
    return MainWindow ? MainWindow->AddTimer(intervalMilliseconds) : 0;
}

void WindowGameScene::RemoveTimer(int id) {
    if (MainWindow)
        MainWindow->RemoveTimer(id);
}

boost::signals2::connection WindowGameScene::ConnectTimer(int id, const SceneHandler& handler) {
    if (!MainWindow)
        return {};
    return MainWindow->ConnectTimer(id, [handler](const IMEvent&) {
        handler();
        return 0L;
    });
}

int WindowGameScene::LoadTexture(const std::wstring& name) {
    return Renderer ? Renderer->LoadTexture(name) : -1;
}

int WindowGameScene::AddTextureRef(int index) {
    return Renderer ? Renderer->AddTextureRef(index) : -1;
}

void WindowGameScene::ReleaseTexture(int index) {
    if (Renderer)
        Renderer->ReleaseTexture(index);
}

platform::Rect WindowGameScene::GetTextureImage(int index) {
    const TextureSlot* slot = Renderer ? Renderer->Slot(index) : nullptr;
    return slot ? slot->image : platform::Rect{};
}

uint32_t WindowGameScene::GetTexturePixel(int index, int x, int y) {
    return Renderer ? Renderer->GetTexturePixel(index, x, y) : 0;
}

void WindowGameScene::AddStatistic(const std::wstring& name, const std::wstring& value,
                                   const std::wstring& type) {
    app_.AddStatistic(name, value, type);
}

void WindowGameScene::ShowFinalPraise(int x, int y) {
    app_.ShowFinalPraise(x, y);
}
