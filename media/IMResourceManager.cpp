// The texture registry, the device's life cycle, pixel copies, eviction and quad drawing.
#include "media/IMResourceManager.h"

#include "media/PictureDecoder.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/TextCodec.h"

#include <boost/lexical_cast.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

using platform::DeviceTexture;
using platform::Rect;
using platform::TextureFormat;

IMResourceManager* Renderer = nullptr;

namespace {

// Rule 2 of asset names: a name that converts completely to a decimal int is a resource number,
// of which the low 16 bits count. Anything else (spaces, other characters, out of range) is not.
std::optional<uint32_t> ResourceNumber(const std::wstring& name) {
    try {
        int number = boost::lexical_cast<int>(name);
        return static_cast<uint32_t>(number) & 0xFFFF;
    } catch (const boost::bad_lexical_cast&) {
        return std::nullopt;
    }
}

bool IsAllZero(const uint8_t* bytes, size_t count) {
    return count == 0 || (bytes[0] == 0 && std::memcmp(bytes, bytes + 1, count - 1) == 0);
}

void CopyRows(uint8_t* to, size_t toPitch, const uint8_t* from, size_t fromPitch, size_t rowBytes,
              int rows) {
    for (int row = 0; row < rows; ++row)
        std::memcpy(to + row * toPitch, from + row * fromPitch, rowBytes);
}

} // namespace

std::string CannotCreateDeviceText() {
    return platform::WideToCp1251(L"Не могу создать устройство Direct3D");
}

int TextureSize(int size) {
    int result = 1;
    while (result < size && result < (1 << 30))
        result <<= 1;
    return result;
}

bool CreateDeviceTexture(platform::GraphicsDevice* device, int width, int height,
                         TextureFormat format, std::unique_ptr<DeviceTexture>& texture) {
    texture.reset();
    if (!device)
        return false;
    texture = device->CreateTexture(TextureSize(width), TextureSize(height), format);
    return texture != nullptr;
}

IMResourceManager::IMResourceManager() : startTime(platform::TimeGetTime()) {}

IMResourceManager::~IMResourceManager() {
    // Textures and their copies go first, then the device and what it needed; the table is emptied
    // whatever the reference counts say.
    textures.clear();
    textureNames.clear();
    freeSlots.clear();
    slotCount = 0;
    device.reset();
    direct3d.reset();
    if (Renderer == this)
        Renderer = nullptr;
}

// --- Registry

bool IMResourceManager::IsValidTexture(int index) const {
    return index >= 0 && static_cast<uint32_t>(index) < slotCount && textures[index] != nullptr;
}

TextureSlot* IMResourceManager::Slot(int index) const {
    return IsValidTexture(index) ? textures[index].get() : nullptr;
}

int IMResourceManager::FindTexture(const std::wstring& name) const {
    auto found = textureNames.find(name);
    return found == textureNames.end() ? InvalidTexture() : found->second;
}

int IMResourceManager::AddTextureRef(int index) {
    TextureSlot* slot = Slot(index);
    if (!slot)
        return InvalidTexture();
    ++slot->refCount;
    return index;
}

void IMResourceManager::ReleaseTexture(int index) {
    TextureSlot* slot = Slot(index);
    if (!slot || --slot->refCount > 0)
        return;
    textureNames.erase(slot->name);
    textures[index].reset();
    freeSlots.push_back(index);
}

void IMResourceManager::ReleaseTextureByName(const std::wstring& name) {
    ReleaseTexture(FindTexture(name));
}

int IMResourceManager::ShareRegistered(const std::wstring& name) {
    return AddTextureRef(FindTexture(name));
}

int IMResourceManager::RegisterTexture(const std::wstring& name,
                                       std::unique_ptr<DeviceTexture> texture, int pictureWidth,
                                       int pictureHeight) {
    if (int shared = ShareRegistered(name); shared != InvalidTexture())
        return shared;
    if (!texture)
        return InvalidTexture();
    auto slot = std::make_unique<TextureSlot>();
    slot->textureWidth = texture->Width();
    slot->textureHeight = texture->Height();
    slot->format = texture->Format();
    slot->texture = std::move(texture);
    slot->image = Rect{0, 0, pictureWidth, pictureHeight};
    slot->name = name;
    slot->refCount = 1;

    int index;
    if (!freeSlots.empty()) {
        index = freeSlots.back();
        freeSlots.pop_back();
    } else {
        textures.emplace_back();
        index = static_cast<int>(slotCount++);
    }
    textureNames.emplace(name, index);
    textures[index] = std::move(slot);
    MakePixelCopy(index);
    return index;
}

template <class Attempt>
auto IMResourceManager::RetryEvicting(const std::wstring& spared, Attempt attempt) {
    for (;;) {
        try {
            return attempt();
        } catch (const std::bad_alloc&) {
            if (!EvictOneTexture(spared)) {
                std::fprintf(stderr, "media: out of texture memory for \"%s\"\n",
                             platform::WideToUtf8(spared).c_str());
                return decltype(attempt()){};
            }
        }
    }
}

bool IMResourceManager::EvictOneTexture(const std::wstring& spared) {
    for (uint32_t i = 0; i < slotCount; ++i) {
        TextureSlot* slot = textures[i].get();
        // A slot without a copy could never come back, so it is not a candidate.
        if (slot && slot->texture && slot->pixels && slot->name != spared) {
            slot->texture.reset();
            return true;
        }
    }
    return false;
}

std::unique_ptr<DeviceTexture> IMResourceManager::CreateTextureEvicting(const std::wstring& name,
                                                                        int width, int height,
                                                                        TextureFormat format) {
    return RetryEvicting(name, [&] {
        std::unique_ptr<DeviceTexture> texture;
        CreateDeviceTexture(device.get(), width, height, format, texture);
        return texture;
    });
}

int IMResourceManager::LoadTexture(const std::wstring& name) {
    if (int shared = ShareRegistered(name); shared != InvalidTexture())
        return shared;
    DecodedPicture picture = RetryEvicting(name, [&] {
        if (std::optional<uint32_t> number = ResourceNumber(name)) {
            // The container, when the resource came from there, stays open until both decoders
            // have had their chance.
            platform::AssetResource resource = FindAssetResource(static_cast<int>(*number));
            if (!resource)
                return DecodedPicture{};
            return DecodePictureFromMemory(device.get(), resource.bytes.data, resource.bytes.size);
        }
        return DecodePictureFromFile(device.get(), name);
    });
    if (!picture)
        return InvalidTexture();
    return RegisterTexture(name, std::move(picture.texture), picture.width, picture.height);
}

int IMResourceManager::LoadTextureFromMemory(const std::wstring& name, const void* data,
                                             size_t size) {
    if (int shared = ShareRegistered(name); shared != InvalidTexture())
        return shared;
    DecodedPicture picture =
        RetryEvicting(name, [&] { return DecodePictureFromMemory(device.get(), data, size); });
    if (!picture)
        return InvalidTexture();
    return RegisterTexture(name, std::move(picture.texture), picture.width, picture.height);
}

int IMResourceManager::CreateBlankTexture(const std::wstring& name, int pictureWidth,
                                          int pictureHeight, TextureFormat format) {
    if (int shared = ShareRegistered(name); shared != InvalidTexture())
        return shared;
    pictureWidth = std::max(pictureWidth, 0);
    pictureHeight = std::max(pictureHeight, 0);
    std::unique_ptr<DeviceTexture> texture = RetryEvicting(name, [&] {
        std::unique_ptr<DeviceTexture> made;
        if (CreateDeviceTexture(device.get(), pictureWidth, pictureHeight, format, made)) {
            platform::TextureLock lock(*made);
            if (lock)
                for (int row = 0; row < std::min(pictureHeight, made->Height()); ++row)
                    std::memset(lock.Bits() + static_cast<size_t>(row) * lock.Pitch(), 0,
                                lock.Pitch());
        }
        return made;
    });
    if (!texture)
        return InvalidTexture();
    return RegisterTexture(name, std::move(texture), pictureWidth, pictureHeight);
}

platform::AssetResource IMResourceManager::FindAssetResource(int number) {
    return platform::FindAssetResource(static_cast<uint32_t>(number));
}

// --- Device

int IMResourceManager::InitDirect3D(platform::NativeWindow* newWindow, bool newWindowed,
                                    int newWidth, int newHeight, int newRefreshRate) {
    if (!direct3d) {
        direct3d = platform::GraphicsSystem::Open(newWindow);
        if (!direct3d)
            throw std::runtime_error("Can't init Direct3D");
    }
    if (!direct3d->HasDisplayMode(newWindow))
        throw std::runtime_error("Can't init DisplayMode");
    window = newWindow;
    windowed = newWindowed;
    width = newWidth;
    height = newHeight;
    if (!newWindowed)
        refreshRate = newRefreshRate;

    // No texture may outlive its device: the old device's go now and come back from their copies.
    for (auto& slot : textures)
        if (slot)
            slot->texture.reset();
    quadBuffer = {};
    device.reset();
    device = direct3d->CreateDevice(window, width, height);
    if (!device)
        return 1;
    device->SetTextureMemoryBudget(textureMemoryBudget_);
    deviceLost = false;
    return 0;
}

bool IMResourceManager::IsDeviceLost() {
    if (!deviceLost)
        deviceLost = !device || device->IsLost();
    return deviceLost;
}

bool IMResourceManager::ResetDevice() {
    for (uint32_t i = 0; i < slotCount; ++i)
        EvictTexture(static_cast<int>(i));
    if (deviceLost && width > 0 && height > 0)
        deviceLost = InitDirect3D(window, windowed, width, height, refreshRate) != 0;
    return !deviceLost;
}

void IMResourceManager::NotifyDeviceLost() {
    if (device)
        device->NotifyDeviceLost();
}

void IMResourceManager::SetTextureMemoryBudget(size_t bytes) {
    textureMemoryBudget_ = bytes;
    if (device)
        device->SetTextureMemoryBudget(bytes);
}

void IMResourceManager::MakePixelCopy(int index) {
    TextureSlot* slot = Slot(index);
    if (!slot)
        return;
    slot->pixels.reset();
    slot->translucentBounds.reset();
    if (!slot->texture)
        return;
    platform::TextureLock lock(*slot->texture);
    if (!lock)
        return;
    size_t rowBytes = static_cast<size_t>(slot->textureWidth) * 4;
    slot->pixels.reset(static_cast<uint8_t*>(std::calloc(slot->textureHeight, rowBytes)));
    if (!slot->pixels)
        return;
    // The copy starts as zeros: rows below the picture, zero in every new texture, are checked
    // rather than written, which spares most of the copy's pages for pictures of awkward sizes.
    for (int row = 0; row < slot->textureHeight; ++row) {
        const uint8_t* from = lock.Bits() + static_cast<size_t>(row) * lock.Pitch();
        if (row >= slot->image.bottom && IsAllZero(from, rowBytes))
            continue;
        std::memcpy(slot->pixels.get() + row * rowBytes, from, rowBytes);
    }
}

void IMResourceManager::RestoreTexture(int index) {
    TextureSlot* slot = Slot(index);
    if (!slot || !slot->pixels || slot->texture)
        return;
    slot->texture = RetryEvicting(slot->name, [&] {
        std::unique_ptr<DeviceTexture> made;
        if (CreateDeviceTexture(device.get(), slot->textureWidth, slot->textureHeight, slot->format,
                                made)) {
            platform::TextureLock lock(*made);
            if (!lock)
                return std::unique_ptr<DeviceTexture>();
            size_t rowBytes = static_cast<size_t>(slot->textureWidth) * 4;
            CopyRows(lock.Bits(), lock.Pitch(), slot->pixels.get(), rowBytes, rowBytes,
                     slot->textureHeight);
        }
        return made;
    });
}

void IMResourceManager::EvictTexture(int index) {
    if (TextureSlot* slot = Slot(index))
        slot->texture.reset();
}

int IMResourceManager::DrawTexture(int index, const Rect& destination, const Rect* source,
                                   uint32_t color, float angle) {
    TextureSlot* slot = Slot(index);
    if (!slot || !device)
        return 0;
    if (!slot->texture)
        RestoreTexture(index);
    if (!slot->texture)
        return 0;
    const Rect& s = source ? *source : slot->image;
    const Rect& d = destination;
    if (d.left >= d.right || d.top >= d.bottom)
        return 0;

    float corners[4][2] = {{float(d.left), float(d.top)},
                           {float(d.right), float(d.top)},
                           {float(d.right), float(d.bottom)},
                           {float(d.left), float(d.bottom)}};
    if (angle != 0.0f) {
        float cx = (d.left + d.right) * 0.5f;
        float cy = (d.top + d.bottom) * 0.5f;
        float c = std::cos(angle);
        float sn = std::sin(angle);
        for (auto& p : corners) {
            float x = p[0] - cx;
            float y = p[1] - cy;
            p[0] = c * x - sn * y + cx;
            p[1] = sn * x + c * y + cy;
        }
    }
    float tw = static_cast<float>(slot->textureWidth);
    float th = static_cast<float>(slot->textureHeight);
    float u0 = s.left / tw, u1 = s.right / tw, v0 = s.top / th, v1 = s.bottom / th;
    const float uv[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    for (size_t i = 0; i < 4; ++i) {
        platform::QuadVertex& vertex = quadBuffer[i];
        // The −0.5 puts texel centres on pixel centres under the Direct3D convention the
        // vertices follow; the device takes it back where its own convention differs.
        vertex.x = originX + corners[i][0] - 0.5f;
        vertex.y = originY + corners[i][1] - 0.5f;
        vertex.z = 0.0f;
        vertex.rhw = 1.0f;
        vertex.diffuse = color;
        vertex.u = uv[i][0];
        vertex.v = uv[i][1];
    }
    if (angle == 0.0f && !(quadBuffer[0].x < quadBuffer[2].x && quadBuffer[0].y < quadBuffer[2].y))
        return 0;
    DrawQuadClipped(*slot->texture);
    return 0;
}

void IMResourceManager::DrawQuadClipped(DeviceTexture& texture) {
    // Every pixel the quad may touch, its filtering's reach included. A picture outside the
    // viewport is not handed to the device at all: turned ones would be turned for nothing.
    float minX = quadBuffer[0].x, maxX = minX, minY = quadBuffer[0].y, maxY = minY;
    for (const platform::QuadVertex& vertex : quadBuffer) {
        minX = std::min(minX, vertex.x);
        maxX = std::max(maxX, vertex.x);
        minY = std::min(minY, vertex.y);
        maxY = std::max(maxY, vertex.y);
    }
    const Rect reach{static_cast<int>(std::floor(minX)) - 1, static_cast<int>(std::floor(minY)) - 1,
                     static_cast<int>(std::ceil(maxX)) + 2, static_cast<int>(std::ceil(maxY)) + 2};
    const Rect viewport = device->GetViewport();
    if (platform::IntersectRect(reach, viewport).IsEmpty())
        return;
    // Blended with no alpha at all, the quad leaves every pixel as it was (the objects on the
    // lake bottom while the boat is at the surface).
    if (std::all_of(quadBuffer.begin(), quadBuffer.end(),
                    [](const platform::QuadVertex& vertex) { return vertex.diffuse >> 24 == 0; }))
        return;
    if (!drawingRegion_ || drawingRegion_->empty()) {
        device->DrawQuad(texture, quadBuffer);
        return;
    }
    for (const Rect& part : *drawingRegion_) {
        const Rect clip = platform::IntersectRect(part, viewport);
        if (platform::IntersectRect(clip, reach).IsEmpty())
            continue;
        device->SetViewport(clip);
        device->DrawQuad(texture, quadBuffer);
    }
    device->SetViewport(viewport);
}

uint32_t IMResourceManager::GetTexturePixel(int index, int x, int y) {
    RestoreTexture(index);
    TextureSlot* slot = Slot(index);
    if (!slot || !slot->pixels || x < 0 || y < 0 || x >= slot->textureWidth ||
        y >= slot->textureHeight)
        return 0;
    const uint8_t* p = slot->pixels.get() +
                       4 * (static_cast<size_t>(x) + static_cast<size_t>(y) * slot->textureWidth);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void IMResourceManager::UpdateTexture(int index, const TextureWriter& writer) {
    TextureSlot* slot = Slot(index);
    if (!slot || !writer)
        return;
    RestoreTexture(index);
    std::optional<platform::LockedRect> lock;
    if (slot->texture)
        lock = slot->texture->Lock();
    if (!lock) {
        platform::OutputDebugString(L"Fuck!!!");
        return;
    }
    writer(lock->bits, lock->pitch, slot->image.bottom);
    slot->texture->Unlock();
    ++slot->contentVersion;
    slot->translucentBounds.reset();
}

uint32_t IMResourceManager::TextureVersion(int index) const {
    const TextureSlot* slot = Slot(index);
    return slot ? slot->contentVersion : 0;
}

Rect IMResourceManager::TranslucentPart(int index, const Rect& source) {
    TextureSlot* slot = Slot(index);
    if (!slot)
        return source;
    if (slot->format == TextureFormat::X8R8G8B8)
        return Rect{};
    if (!slot->translucentBounds) {
        if (!slot->pixels)
            return source;
        Rect bounds{slot->image.right, slot->image.bottom, slot->image.left, slot->image.top};
        const size_t width = static_cast<size_t>(slot->textureWidth);
        for (int y = slot->image.top; y < slot->image.bottom; ++y) {
            const uint8_t* row = slot->pixels.get() + 4 * width * static_cast<size_t>(y);
            for (int x = slot->image.left; x < slot->image.right; ++x)
                if (row[4 * x + 3] != 0xFF) {
                    bounds.left = std::min(bounds.left, x);
                    bounds.right = std::max(bounds.right, x + 1);
                    bounds.top = std::min(bounds.top, y);
                    bounds.bottom = std::max(bounds.bottom, y + 1);
                }
        }
        slot->translucentBounds = bounds.IsEmpty() ? Rect{} : bounds;
    }
    return platform::IntersectRect(*slot->translucentBounds, source);
}

void IMResourceManager::ReportFrameRate() {
    uint32_t elapsed = platform::TimeGetTime() - startTime;
    // The product is taken in 64 bits: at a thousand passes a second, 32 bits overflow after
    // seventy minutes. With no time passed there is no rate to tell, and 0 says so.
    uint64_t rate = elapsed == 0 ? 0 : uint64_t(frameCount) * 1000 / elapsed;
    platform::OutputDebugString(L"FPS: " + std::to_wstring(static_cast<uint32_t>(rate)) + L"\n");
}

// --- Frame and viewport

void IMResourceManager::Clear(uint32_t color) {
    if (device)
        device->Clear(color);
}

void IMResourceManager::BeginScene() {
    if (device)
        device->BeginScene();
}

void IMResourceManager::EndScene() {
    if (device)
        device->EndScene();
}

void IMResourceManager::Present() {
    if (device)
        device->Present();
}

void IMResourceManager::PresentChanged(const std::vector<Rect>& changed) {
    if (device)
        device->PresentChanged(changed);
}

bool IMResourceManager::DrawsWholeFrames() const {
    return device && device->DrawsWholeFrames();
}

void IMResourceManager::SetDrawingRegion(const std::vector<Rect>* region) {
    drawingRegion_ = region;
}

bool IMResourceManager::BeginKeptScene(bool& intact) {
    intact = false;
    return device && device->BeginKeptScene(intact);
}

void IMResourceManager::EndKeptScene() {
    if (device)
        device->EndKeptScene();
}

void IMResourceManager::FillRect(const Rect& rect, uint32_t color) {
    if (device)
        device->FillRect(rect, color);
}

Rect IMResourceManager::GetViewport() const {
    return device ? device->GetViewport() : Rect{0, 0, width, height};
}

void IMResourceManager::SetViewport(const Rect& viewport) {
    if (device)
        device->SetViewport(viewport);
}

platform::Screenshot IMResourceManager::ReadPixels() {
    return device ? device->ReadPixels() : platform::Screenshot{};
}
