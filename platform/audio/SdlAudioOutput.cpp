// The real output: SDL's default audio device, whose callback runs the mixer.
//
// Implemented: one device opened at the mixer's format (16-bit stereo, 44100 Hz;
// SDL converts for the hardware), only SDL's audio subsystem started, every
// level and buffer granted once the device is open.
// Left out: choosing a device, reacting to a device being unplugged (SDL 2
// reports that only through the event loop, and the program goes on silently).
#include "platform/audio/MixerCore_c.h"

#include <SDL.h>

namespace platform {
namespace {

// About 23 ms at 44100 Hz: short enough for a worker that looks at the cursor
// every 20 ms and refills half a second at a time.
constexpr Uint16 kCallbackFrames = 1024;

class SdlAudioOutput final : public AudioOutput {
public:
    explicit SdlAudioOutput(SDL_AudioDeviceID device) : device(device) {}
    ~SdlAudioOutput() override {
        // Closing waits for a callback in progress, so the mixer is never
        // called after this returns.
        SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

private:
    SDL_AudioDeviceID device;
};

void SDLCALL MixCallback(void* userdata, Uint8* stream, int length) {
    static_cast<MixerCore*>(userdata)->Mix(reinterpret_cast<int16_t*>(stream),
                                           static_cast<size_t>(length) / 4);
}

} // namespace

int32_t OpenSdlAudioOutput(MixerCore& core, std::unique_ptr<AudioOutput>& output) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return AUDIOERR_NODRIVER;

    const PcmFormat format = AudioDevice::OutputFormat();
    SDL_AudioSpec wanted{};
    wanted.freq = format.sampleRate;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = static_cast<Uint8>(format.channels);
    wanted.samples = kCallbackFrames;
    wanted.callback = MixCallback;
    wanted.userdata = &core;
    SDL_AudioSpec obtained{};
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return AUDIOERR_NODRIVER;
    }
    output = std::make_unique<SdlAudioOutput>(device);
    // The output runs for the device's whole life and mixes silence while
    // nothing plays, as a sound card's primary buffer does.
    SDL_PauseAudioDevice(device, 0);
    return AUDIO_OK;
}

} // namespace platform
