// The audio device the sound system plays through: one output, secondary buffers
// of 16-bit PCM in each sound's own format, and a mixer that sums every playing
// buffer at its play cursor into the output.
//
// The device stands for DirectSound 8. Results are HRESULT-style numbers (0 is
// success, failures are negative) with DirectSound's values, because the sound
// system hands them on as its own results. The output is SDL's audio device, or
// the headless twin (HeadlessAudio.h) while a test has one installed; the mixer,
// the buffers and their cursors are the same code for both.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

inline constexpr int32_t AUDIO_OK = 0;
inline constexpr int32_t AUDIOERR_GENERIC = static_cast<int32_t>(0x80004005);
inline constexpr int32_t AUDIOERR_OUTOFMEMORY = static_cast<int32_t>(0x8007000E);
inline constexpr int32_t AUDIOERR_INVALIDPARAM = static_cast<int32_t>(0x80070057);
inline constexpr int32_t AUDIOERR_ALLOCATED = static_cast<int32_t>(0x8878000A);
inline constexpr int32_t AUDIOERR_INVALIDCALL = static_cast<int32_t>(0x88780032);
inline constexpr int32_t AUDIOERR_PRIOLEVELNEEDED = static_cast<int32_t>(0x88780046);
inline constexpr int32_t AUDIOERR_BADFORMAT = static_cast<int32_t>(0x88780064);
inline constexpr int32_t AUDIOERR_NODRIVER = static_cast<int32_t>(0x88780078);
inline constexpr int32_t AUDIOERR_BUFFERLOST = static_cast<int32_t>(0x88780096);

// Signed 16-bit little-endian PCM; a frame is channels × 2 bytes.
struct PcmFormat {
    int channels = 2;
    int sampleRate = 44100;

    int BlockAlign() const { return channels * 2; }
    bool operator==(const PcmFormat&) const = default;
};

// The channel counts and rates the mixer converts from.
bool IsPlayableFormat(const PcmFormat& format);

enum class CooperativeLevel { Normal, Priority };
enum class PlayMode { Once, Looping };

class MixerCore;
struct BufferState;

// A sound buffer. A secondary buffer holds PCM that the mixer plays at its play
// cursor; the primary buffer stands for the output itself and only takes a
// format and play/stop. A buffer may outlive its device: it then plays nothing.
class AudioBuffer {
public:
    ~AudioBuffer();
    AudioBuffer(const AudioBuffer&) = delete;
    AudioBuffer& operator=(const AudioBuffer&) = delete;

    uint32_t Size() const;
    PcmFormat Format() const;

    // Hands out `bytes` bytes starting at `offset` for writing, holding what the
    // buffer holds there now; Unlock stores them. The range must lie inside the
    // buffer (it does not wrap) and only one lock may be open at a time. A lost
    // buffer answers AUDIOERR_BUFFERLOST until Restore.
    int32_t Lock(uint32_t offset, uint32_t bytes, void** data);
    int32_t Unlock(void* data, uint32_t bytes);
    int32_t Restore();

    int32_t Play(PlayMode mode);
    int32_t Stop();
    bool IsPlaying() const;

    // The play cursor in bytes from the start of the buffer, always on a frame.
    int32_t SetCurrentPosition(uint32_t position);
    int32_t GetCurrentPosition(uint32_t* position);

    // The primary buffer's output format; secondary buffers answer
    // AUDIOERR_INVALIDCALL.
    int32_t SetFormat(const PcmFormat& format);

private:
    friend class AudioDevice;
    AudioBuffer(std::shared_ptr<MixerCore> core, std::unique_ptr<BufferState> state);

    std::shared_ptr<MixerCore> core;
    BufferState* state; // owned by the core's buffer list while attached
};

// What plays the mixed sound: SDL's device or the headless twin. Internal to
// the audio folder; tests reach it only through HeadlessAudio.
class AudioOutput;

class AudioDevice {
public:
    // Opens the default output: the headless twin while one is installed, else
    // SDL's audio device (only SDL's audio subsystem is started). AUDIO_OK and
    // a device, or AUDIOERR_NODRIVER (no audio device, or the driver refused).
    static int32_t Create(std::unique_ptr<AudioDevice>& device);

    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    int32_t SetCooperativeLevel(CooperativeLevel level);

    // The primary buffer needs the priority level.
    int32_t CreatePrimaryBuffer(std::unique_ptr<AudioBuffer>& buffer);

    // A secondary buffer of `bytes` bytes (a whole number of frames), silent and
    // stopped with its cursor at 0.
    int32_t CreateSoundBuffer(const PcmFormat& format, uint32_t bytes,
                              std::unique_ptr<AudioBuffer>& buffer);

    // The format the mixer writes: 16-bit stereo at 44100 Hz.
    static PcmFormat OutputFormat();

private:
    AudioDevice(std::shared_ptr<MixerCore> core, std::unique_ptr<AudioOutput> output);

    std::shared_ptr<MixerCore> core;
    std::unique_ptr<AudioOutput> output;
    CooperativeLevel level = CooperativeLevel::Normal;
    bool levelSet = false;
};

} // namespace platform
