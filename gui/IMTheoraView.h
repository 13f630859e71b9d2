// A texture view that plays an Ogg Theora stream held in memory: it decodes one frame ahead into
// the hidden one of two frame textures of its own, so that showing the next frame is only a switch
// of textures. The animation control (IMAnimationBase<IMTheoraView>) drives it like a picture
// sequence through the IMAnimationView operations.
//
// Frame textures are named "IMTheoraView1" and "IMTheoraView2" followed by the decimal value of a
// process-wide counter of loads (the first view loaded uses 0, the next 1, …), made in
// X8R8G8B8 at the picture size, and come back opaque with their last frame after a device loss.
//
// Everything runs on the thread that calls SetFrame, the main thread. The two auto-reset events
// bracket each decode: SetFrame and destruction wait for `idleEvent`, which the load and every
// decode signal when they are done, so at most one decode is ever in progress.
#pragma once

#include "gui/IMAnimationView.h"
#include "gui/IMTextureView.h"
#include "media/TheoraStream.h"
#include "platform/audio/AutoResetEvent.h"

#include <climits>
#include <cstdint>

class IMTheoraView : public IMTextureView, public IMAnimationView {
public:
    IMTheoraView() = default;
    // Waits until no decode is in progress (a view whose load failed has none), then releases
    // both frame textures and the decoder.
    ~IMTheoraView() override;

    // Prepares the decoder for the Ogg Theora file at `data` (not owned: it must outlive the view),
    // creates the frame textures, shows the first one (black) and decodes the first frame into the
    // other. Called once, right after construction. Throws std::runtime_error with the decoder's
    // message (media/TheoraStream.h) for corrupt or truncated data; the view then stays blank.
    void LoadFromMemory(const void* data, int size);

    // Shows the frame the previous call prepared (frame n when the calls come one frame apart)
    // and prepares frame n + 1 in the hidden texture, decoding forward to it, or rewinding to the
    // start when it lies behind. Frames skipped over are decoded but not written, and nothing is
    // written while the device is lost. Reaching the end of the data fixes `lastFrame`. A decoder
    // error leaves here as std::runtime_error; the view stays usable. Before a successful load
    // only the frame number is kept.
    void SetFrame(unsigned frame) override;
    int GetFrame() const override { return requestedFrame; }
    int GetFirstFrame() const override { return firstFrame; }
    int GetLastFrame() const override { return lastFrame; }
    void SetFirstFrame(unsigned frame) override;
    void SetLastFrame(unsigned frame) override;

    // The Ogg and Theora states, the last decoded frame and the data with its read position.
    TheoraStream stream;
    // The frame last passed to SetFrame.
    int requestedFrame = 0;
    // INT_MAX until the end of the data has been reached, then the index of the last frame.
    int lastFrame = INT_MAX;
    int firstFrame = 0;
    // The view shows `shownTexture`; decoding writes `backTexture`. −1 until loaded.
    int shownTexture = -1;
    int backTexture = -1;
    // The most frames decoded so far (index + 1).
    int decodedCount = 0;
    // The frame last decoded into the decoder; −1 right after a rewind.
    int currentFrame = 0;
    // The frame to be decoded into `backTexture`.
    int targetFrame = 0;
    // A decode may begin.
    platform::AutoResetEvent startEvent;
    // No decode is in progress and the view is loaded.
    platform::AutoResetEvent idleEvent;

    // Loads so far in this process; the next load's texture names end in this number.
    static inline int loadCounter = 0;

private:
    void DecodeAhead();
    void ReleaseFrameTextures();

    bool loaded_ = false;
};
