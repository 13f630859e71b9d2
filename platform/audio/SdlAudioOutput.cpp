// The real output: SDL's default audio device, whose callback runs the mixer.
//
// Implemented: one device opened at the mixer's format (16-bit stereo, 44100 Hz;
// SDL converts for the hardware), only SDL's audio subsystem started, every
// level and buffer granted once the device is open.
// A device that goes away (a headset unplugged, the sound server ended) is
// seen in SDL_AUDIODEVICEREMOVED: from then on the mixer keeps its own time in
// place of the device's callback, so every sound plays on silently to its end.
// Left out: choosing a device, moving to another device when one appears.
#include "platform/audio/MixerCore_c.h"

#include <SDL.h>

#include <chrono>

namespace platform {
namespace {

// About 23 ms at 44100 Hz: short enough for a worker that looks at the cursor
// every 20 ms and refills half a second at a time.
constexpr Uint16 kCallbackFrames = 1024;

// Frames of the output format since the clock's first reading.
int64_t SteadyOutputFrames() {
    using namespace std::chrono;
    const auto elapsed = duration_cast<microseconds>(steady_clock::now().time_since_epoch());
    return elapsed.count() * AudioDevice::OutputFormat().sampleRate / 1'000'000;
}

class SdlAudioOutput final : public AudioOutput {
public:
    SdlAudioOutput(SDL_AudioDeviceID device, MixerCore& core) : device(device), core(core) {
        SDL_AddEventWatch(&SdlAudioOutput::Watch, this);
    }
    ~SdlAudioOutput() override {
        SDL_DelEventWatch(&SdlAudioOutput::Watch, this);
        // Closing waits for a callback in progress, so the mixer is never
        // called after this returns.
        SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

private:
    // Runs on whichever thread SDL reports the loss from; it only starts the
    // core's own clock.
    static int SDLCALL Watch(void* userdata, SDL_Event* event) {
        auto* output = static_cast<SdlAudioOutput*>(userdata);
        if (event->type == SDL_AUDIODEVICEREMOVED && event->adevice.iscapture == 0 &&
            event->adevice.which == output->device)
            output->core.KeepTimeWithoutOutput(&SteadyOutputFrames);
        return 0;
    }

    SDL_AudioDeviceID device;
    MixerCore& core;
};

void SDLCALL MixCallback(void* userdata, Uint8* stream, int length) {
    auto* core = static_cast<MixerCore*>(userdata);
    // Some drivers go on calling after the loss, others stop; either way the
    // core's own clock has taken over, and the device gets silence.
    if (core->OutputLost()) {
        SDL_memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    core->Mix(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(length) / 4);
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
    output = std::make_unique<SdlAudioOutput>(device, core);
    // The output runs for the device's whole life and mixes silence while
    // nothing plays, as a sound card's primary buffer does.
    SDL_PauseAudioDevice(device, 0);
    return AUDIO_OK;
}

} // namespace platform
