// The headless twin of the audio output: while one exists, AudioDevice::Create
// opens it instead of SDL's device. Its clock moves only when the test advances
// it, and it records what passed every buffer's play cursor and what it mixed.
#pragma once

#include "platform/audio/AudioDevice.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

class HeadlessAudio {
public:
    // The error each step answers; AUDIO_OK grants it.
    struct Faults {
        int32_t open = AUDIO_OK;
        int32_t priorityLevel = AUDIO_OK;
        int32_t normalLevel = AUDIO_OK;
        int32_t primaryBuffer = AUDIO_OK;
        int32_t primaryFormat = AUDIO_OK;
        int32_t primaryPlay = AUDIO_OK;
        int32_t soundBuffer = AUDIO_OK;
    };

    // One playback of a buffer: from a Play on the stopped buffer to its stop.
    struct Playback {
        int64_t startMicroseconds = 0;
        std::optional<int64_t> stopMicroseconds;
        // The interleaved samples that passed the play cursor, in the buffer's
        // own format.
        std::vector<int16_t> samples;
    };

    struct BufferRecord {
        PcmFormat format;
        uint32_t bytes = 0;
        std::vector<Playback> playbacks;
    };

    HeadlessAudio();
    ~HeadlessAudio();
    HeadlessAudio(const HeadlessAudio&) = delete;
    HeadlessAudio& operator=(const HeadlessAudio&) = delete;

    void SetFaults(const Faults& faults);

    // Moves the output's clock: the mixer plays that much of every playing
    // buffer, in callbacks of at most 1024 frames. Returns the number of cursor
    // reads counted so far, for WaitForCursorReads.
    uint64_t Advance(std::chrono::microseconds step);
    int64_t NowMicroseconds() const;

    // Waits, in real time and at most `timeout`, until `count` cursor reads
    // more than `since` have happened, or, when `orWhenSilent`, until no buffer
    // plays. A worker that reads the cursor twice after an advance has finished
    // acting on what it saw the first time. True unless the time ran out.
    bool WaitForCursorReads(uint64_t since, unsigned count, std::chrono::milliseconds timeout,
                            bool orWhenSilent = true);

    bool AnyBufferPlaying() const;

    // Every secondary buffer created while the twin was installed, in creation
    // order; records stay after the buffers are gone.
    std::vector<BufferRecord> Buffers() const;
    // Everything mixed so far: interleaved stereo at the output's rate.
    std::vector<int16_t> Output() const;
    // Forgets the samples recorded so far (the mixed output and what each
    // playback consumed), keeping the buffers' records. Over a long run the
    // recordings would hide the program's own memory.
    void ForgetSamples();

    // The open device's buffers lose their content (see AudioBuffer::Lock).
    void LoseBuffers();

    // The device goes away, as an unplugged headset does, and says so as SDL's
    // device says it (SDL_AUDIODEVICEREMOVED). From then on Advance moves the
    // clock without mixing anything into Output() itself, as a vanished device
    // calls nothing; it waits (in real time, for a while) until the mixer's
    // own stand-in has played up to the new time.
    void RemoveDevice();

    static bool IsInstalled();

    class Impl;

private:
    Impl* impl;
};

} // namespace platform
