// The in-memory game screen of the exercise's tests.
#include "FakeScene.h"

#include <gtest/gtest.h>

FakePicture::FakePicture(FakeScene& owner, const std::wstring& name, int x, int y) : scene(owner) {
    SetTexture(name);
    const platform::Rect image = scene.GetTextureImage(texture);
    rect = {x, y, x + image.Width(), y + image.Height()};
}

FakePicture::~FakePicture() {
    if (hasTexture)
        scene.ReleaseTexture(texture);
}

// The texture view's rules: the new picture is referenced before the old one
// is let go, and showing the same picture again changes nothing.
void FakePicture::SetTexture(const std::wstring& name) {
    const int index = scene.LoadTexture(name);
    if (!(hasTexture && index == texture))
        SetTextureIndex(index);
    scene.ReleaseTexture(index);
}

void FakePicture::SetTextureIndex(int index) {
    if (hasTexture && index == texture)
        return;
    EXPECT_TRUE(scene.IsLive(index)) << "a picture was given a freed or unknown texture " << index;
    scene.AddTextureRef(index);
    if (hasTexture)
        scene.ReleaseTexture(texture);
    texture = index;
    hasTexture = true;
}

std::wstring FakePicture::TextureName() const {
    return scene.NameOf(texture);
}

FakeScene::FakeScene() = default;
FakeScene::~FakeScene() {
    pictures_.clear();
}

void FakeScene::AddResource(const std::wstring& name, int width, int height,
                            std::vector<uint32_t> pixels) {
    resources_[name] = {width, height, std::move(pixels)};
}

FakePicture* FakeScene::CreatePicture(const std::wstring& name, int x, int y) {
    pictures_.push_back(std::make_unique<FakePicture>(*this, name, x, y));
    return pictures_.back().get();
}

int FakeScene::LoadTexture(const std::wstring& name) {
    if (auto found = names_.find(name); found != names_.end()) {
        ++textures_[found->second].refCount;
        return found->second;
    }
    auto resource = resources_.find(name);
    if (resource == resources_.end())
        return kNoTexture;
    Texture texture;
    texture.name = name;
    texture.width = resource->second.width;
    texture.height = resource->second.height;
    texture.pixels = resource->second.pixels;
    texture.refCount = 1;
    textures_.push_back(std::move(texture));
    const int index = static_cast<int>(textures_.size()) - 1;
    names_[name] = index;
    return index;
}

bool FakeScene::IsLive(int index) const {
    return index >= 0 && index < static_cast<int>(textures_.size()) &&
           textures_[index].refCount > 0;
}

int FakeScene::RefCount(int index) const {
    return IsLive(index) ? textures_[index].refCount : 0;
}

std::wstring FakeScene::NameOf(int index) const {
    return IsLive(index) ? textures_[index].name : std::wstring();
}

int FakeScene::Find(const std::wstring& name) const {
    auto found = names_.find(name);
    return found == names_.end() ? kNoTexture : found->second;
}

int FakeScene::AddTextureRef(int index) {
    if (!IsLive(index))
        return kNoTexture;
    ++textures_[index].refCount;
    return index;
}

void FakeScene::ReleaseTexture(int index) {
    if (!IsLive(index))
        return;
    if (--textures_[index].refCount == 0)
        names_.erase(textures_[index].name);
}

platform::Rect FakeScene::GetTextureImage(int index) {
    if (!IsLive(index))
        return {};
    return {0, 0, textures_[index].width, textures_[index].height};
}

uint32_t FakeScene::GetTexturePixel(int index, int x, int y) {
    EXPECT_TRUE(IsLive(index));
    if (!IsLive(index))
        return 0;
    const Texture& texture = textures_[index];
    EXPECT_TRUE(x >= 0 && y >= 0 && x < texture.width && y < texture.height)
        << "pixel (" << x << ", " << y << ") read outside the picture";
    if (texture.pixels.empty() || x < 0 || y < 0 || x >= texture.width || y >= texture.height)
        return 0;
    return texture.pixels[static_cast<size_t>(y) * texture.width + x];
}

int FakeScene::AddTimer(uint32_t intervalMilliseconds) {
    const int id = ++lastTimerId_;
    timers[id] = std::make_shared<boost::signals2::signal<void()>>();
    timerIntervals[id] = intervalMilliseconds;
    return id;
}

void FakeScene::RemoveTimer(int id) {
    auto found = timers.find(id);
    if (found == timers.end())
        return;
    found->second->disconnect_all_slots();
    timers.erase(found);
    timerIntervals.erase(id);
}

boost::signals2::connection FakeScene::ConnectTimer(int id, const SceneHandler& handler) {
    auto found = timers.find(id);
    if (found == timers.end())
        return {};
    return found->second->connect(handler);
}

void FakeScene::FireTimers() {
    for (auto it = timers.begin(); it != timers.end();) {
        // The signal stays alive while its handler removes the timer.
        std::shared_ptr<boost::signals2::signal<void()>> signal = it->second;
        ++it;
        (*signal)();
    }
}
