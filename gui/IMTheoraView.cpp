// Loading, decoding one frame ahead, rewinding and writing frames into the two frame textures.
#include "gui/IMTheoraView.h"

#include "media/IMResourceManager.h"
#include "media/VideoFrameWriter.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

namespace {

// Waits for the event however long it takes, as a wait without time-out would.
void WaitFor(platform::AutoResetEvent& event) {
    while (!event.Wait(std::chrono::seconds(1))) {
    }
}

// Signals the event when the scope ends, also when an exception passes: a decode that failed is
// over too, and a view left busy forever could never be used or destroyed again.
class SignalOnExit {
public:
    explicit SignalOnExit(platform::AutoResetEvent& event) : event_(event) {}
    ~SignalOnExit() { event_.Set(); }
    SignalOnExit(const SignalOnExit&) = delete;
    SignalOnExit& operator=(const SignalOnExit&) = delete;

private:
    platform::AutoResetEvent& event_;
};

int ToFrame(unsigned frame) {
    return static_cast<int>(std::min<unsigned>(frame, INT_MAX));
}

} // namespace

IMTheoraView::~IMTheoraView() {
    if (loaded_)
        WaitFor(idleEvent);
    ReleaseFrameTextures();
    stream.Close();
}

void IMTheoraView::ReleaseFrameTextures() {
    if (Renderer) {
        Renderer->ReleaseTexture(shownTexture);
        Renderer->ReleaseTexture(backTexture);
    }
    shownTexture = backTexture = -1;
}

void IMTheoraView::LoadFromMemory(const void* data, int size) {
    if (loaded_) {
        // Loading again replaces the stream the view had.
        WaitFor(idleEvent);
        loaded_ = false;
        ReleaseFrameTextures();
    }
    lastFrame = INT_MAX;
    currentFrame = 0;
    decodedCount = 0;
    stream.Open(static_cast<const uint8_t*>(data), size);

    const int width = stream.PictureWidth();
    const int height = stream.PictureHeight();
    if (Renderer) {
        // The index a failed creation returns names a real slot as soon as another texture is
        // registered, so it is not kept.
        auto create = [&](const wchar_t* prefix) {
            const int index =
                Renderer->CreateBlankTexture(prefix + std::to_wstring(loadCounter), width, height,
                                             platform::TextureFormat::X8R8G8B8);
            return Renderer->IsValidTexture(index) ? index : -1;
        };
        shownTexture = create(L"IMTheoraView1");
        backTexture = create(L"IMTheoraView2");
    }
    ++loadCounter;
    SetTextureIndex(shownTexture);
    SetSourceRect(platform::Rect{0, 0, width, height});

    if (stream.DecodeNextFrame()) {
        decodedCount = 1;
        if (Renderer && !Renderer->IsDeviceLost())
            WriteVideoFrame(*Renderer, backTexture, PlanesOf(stream.frameBuffer));
    } else {
        // Headers and no frame: there is nothing to show but the black texture.
        lastFrame = currentFrame;
    }
    loaded_ = true;
    idleEvent.Set();
}

void IMTheoraView::SetFrame(unsigned frame) {
    requestedFrame = ToFrame(frame);
    if (!loaded_)
        return;
    WaitFor(idleEvent);
    targetFrame = requestedFrame;

    // The back texture holds the frame the previous call prepared.
    SetTextureIndex(backTexture);
    targetFrame = static_cast<int>(std::min<int64_t>(int64_t{requestedFrame} + 1, INT_MAX));
    std::swap(shownTexture, backTexture);

    startEvent.Set();
    DecodeAhead();
}

void IMTheoraView::DecodeAhead() {
    WaitFor(startEvent);
    SignalOnExit idle(idleEvent);

    if (targetFrame < currentFrame) {
        // The animation went backwards (a restart): read the stream again from its start.
        stream.Rewind();
        currentFrame = -1;
    }
    auto countFrame = [this] {
        ++currentFrame;
        decodedCount = std::max(decodedCount, currentFrame + 1);
    };
    // The last frame itself is decoded too (it is found again after a rewind); beyond it there
    // is nothing.
    while (currentFrame < targetFrame && targetFrame <= lastFrame) {
        bool decoded = false;
        try {
            decoded = stream.DecodeNextFrame();
        } catch (...) {
            // The frame the decoder refused has still gone by: counting it keeps the frames after
            // it at their own numbers.
            countFrame();
            throw;
        }
        if (!decoded) {
            lastFrame = currentFrame;
            break;
        }
        countFrame();
    }
    // While the device is lost frames are decoded, so the stream stays in step, but not written.
    if (currentFrame == targetFrame && Renderer && !Renderer->IsDeviceLost())
        WriteVideoFrame(*Renderer, backTexture, PlanesOf(stream.frameBuffer));
}

void IMTheoraView::SetFirstFrame(unsigned frame) {
    firstFrame = ToFrame(frame);
}

void IMTheoraView::SetLastFrame(unsigned frame) {
    lastFrame = ToFrame(frame);
}
