// Internal to platform/audio: the buffers, cursors and mixer shared by SDL's
// output and the headless twin, and the seam between them.
#pragma once

#include "platform/audio/AudioDevice.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// The steps at which an output may refuse what the device asks of it. SDL's
// output grants everything once it is open; the twin refuses what a test asks.
enum class AudioStep {
    PriorityLevel,
    NormalLevel,
    PrimaryBuffer,
    PrimaryFormat,
    PrimaryPlay,
    SoundBuffer,
};

// Listens to the mixer (the headless twin does). Called with the core's mutex
// held, so a listener must not call back into the device.
class AudioRecorder {
public:
    virtual ~AudioRecorder() = default;
    virtual void BufferCreated(uint64_t id, const PcmFormat& format, uint32_t bytes) = 0;
    // A stopped buffer started playing: a new playback begins.
    virtual void BufferStarted(uint64_t id) = 0;
    // The buffer stopped, by Stop or at the end of a buffer played once.
    virtual void BufferStopped(uint64_t id) = 0;
    // These bytes passed the play cursor.
    virtual void FramesConsumed(uint64_t id, const uint8_t* data, size_t bytes) = 0;
    virtual void CursorRead(uint64_t id) = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    virtual int32_t Refusal(AudioStep step) { return AUDIO_OK; }
};

struct BufferState {
    uint64_t id = 0;
    bool primary = false;
    PcmFormat format;
    std::vector<uint8_t> data;
    // The play cursor: the bytes before it have reached the output. The mixer
    // reads ahead of it at `readCursor` to feed the converter.
    uint32_t cursor = 0;
    uint32_t readCursor = 0;
    // Frames fed into the converter, taken out of it (at the output rate) and
    // counted as played, since the last restart.
    uint64_t fedFrames = 0;
    uint64_t convertedFrames = 0;
    uint64_t playedFrames = 0;
    // A buffer played once has been read to its end; the converter drains.
    bool draining = false;
    bool playing = false;
    bool looping = false;
    bool lost = false;
    bool locked = false;
    uint32_t lockOffset = 0;
    // Locked bytes are written here and copied into `data` by Unlock, so the
    // writer never touches memory the mixer is reading.
    std::vector<uint8_t> staging;
    // Converts the buffer's format to the output's; null when they are equal.
    SDL_AudioStream* converter = nullptr;
};

class MixerCore {
public:
    ~MixerCore();

    // Writes `frames` frames of the output format (interleaved stereo): the sum
    // of every playing secondary buffer, clipped to 16 bits. Advances cursors.
    void Mix(int16_t* out, size_t frames);

    // Everything below is guarded by `mutex`.
    std::mutex mutex;
    std::vector<BufferState*> buffers;
    AudioRecorder* recorder = nullptr;
    AudioOutput* output = nullptr;
    uint64_t nextBufferId = 1;

    // What another program taking the device over does: every buffer's content
    // is lost (it goes on playing silence) and locks answer AUDIOERR_BUFFERLOST
    // until the owner restores the buffer.
    void LoseBuffers();

    // The output has gone (a headset unplugged, the sound server ended): from
    // now on a thread of the core mixes in its place, into nothing, at the pace
    // of `outputClock` (frames of the output format since any fixed moment), so
    // that playing buffers go on to their ends and a sound system waiting for
    // its cursors goes on silently. The output calls Mix no more. Only the
    // first call counts; any thread may make it.
    void KeepTimeWithoutOutput(std::function<int64_t()> outputClock);
    bool OutputLost() const { return outputLost.load(std::memory_order_acquire); }
    // Ends that thread; the device calls it before its output goes.
    void StopKeepingTime();
    // Waits at most `timeout` until the thread has mixed up to `frames` frames
    // of its clock since the loss (the headless twin's Advance uses it).
    bool WaitUntilKept(int64_t frames, std::chrono::milliseconds timeout);

    // Used by AudioBuffer with the mutex held.
    void StopLocked(BufferState& buffer);
    // Starts reading again at the play cursor, dropping what the converter holds.
    static void Restart(BufferState& buffer);

private:
    void KeepTime(std::function<int64_t()> outputClock, int64_t start);
    void MixBuffer(BufferState& buffer, size_t frames);
    size_t Pull(BufferState& buffer, uint8_t* destination, size_t frames);
    void AdvancePlayCursor(BufferState& buffer, uint64_t frames);

    std::vector<int32_t> sum;
    std::vector<uint8_t> source;
    std::vector<int16_t> converted;

    // The keeper of time after the output's loss, and what it has mixed.
    std::atomic<bool> outputLost{false};
    std::mutex keeperMutex;
    std::condition_variable keeperChanged;
    std::thread keeper;
    bool keeperStopping = false;
    int64_t keptFrames = 0;
};

// Opens SDL's audio device for the core (SdlAudioOutput.cpp).
int32_t OpenSdlAudioOutput(MixerCore& core, std::unique_ptr<AudioOutput>& output);

// The headless twin's output while one is installed, else null (HeadlessAudio.cpp).
int32_t OpenHeadlessAudioOutput(const std::shared_ptr<MixerCore>& core,
                                std::unique_ptr<AudioOutput>& output, bool& installed);

} // namespace platform
