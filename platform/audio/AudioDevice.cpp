// The device, its buffers and the mixer: everything about sound output that
// does not depend on where the mixed frames go.
#include "platform/audio/AudioDevice.h"

#include "platform/audio/MixerCore_c.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>
#include <system_error>

namespace platform {
namespace {

// Mono to eight channels at any rate SDL's converter handles.
constexpr int kMaxChannels = 8;
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;

// Guards against a converter that stops producing output: the mixer gives up
// on a buffer for this callback rather than spin inside the audio thread.
constexpr int kMaxConverterFeeds = 64;

} // namespace

bool IsPlayableFormat(const PcmFormat& format) {
    return format.channels >= 1 && format.channels <= kMaxChannels &&
           format.sampleRate >= kMinRate && format.sampleRate <= kMaxRate;
}

// ---- mixer ----

MixerCore::~MixerCore() {
    StopKeepingTime();
    assert(buffers.empty() && "every buffer detaches before its core goes");
}

void MixerCore::KeepTimeWithoutOutput(std::function<int64_t()> outputClock) {
    std::lock_guard guard(keeperMutex);
    if (outputLost.exchange(true, std::memory_order_acq_rel) || keeperStopping)
        return;
    try {
        // The loss is now: the clock is read here, not when the thread runs.
        const int64_t start = outputClock();
        keeper = std::thread(&MixerCore::KeepTime, this, std::move(outputClock), start);
    } catch (const std::system_error&) {
        // Without a thread the sounds stay where they are; nothing else breaks.
    }
}

void MixerCore::StopKeepingTime() {
    std::thread ending;
    {
        std::lock_guard guard(keeperMutex);
        keeperStopping = true;
        ending = std::move(keeper);
    }
    keeperChanged.notify_all();
    if (ending.joinable())
        ending.join();
}

bool MixerCore::WaitUntilKept(int64_t frames, std::chrono::milliseconds timeout) {
    std::unique_lock lock(keeperMutex);
    // The clock has moved: the keeper need not wait for its next round.
    keeperChanged.notify_all();
    return keeperChanged.wait_for(lock, timeout, [&] {
        return keptFrames >= frames || keeperStopping || !keeper.joinable();
    });
}

void MixerCore::KeepTime(std::function<int64_t()> outputClock, int64_t start) {
    // As often as an output would call; the sound system's workers look at
    // their cursors every 20 ms.
    constexpr auto kPeriod = std::chrono::milliseconds(10);
    constexpr int64_t kMostFramesAtOnce = 1024;
    std::vector<int16_t> discarded;
    std::unique_lock lock(keeperMutex);
    while (!keeperStopping) {
        const int64_t due = outputClock() - start;
        while (keptFrames < due && !keeperStopping) {
            const int64_t frames = std::min(due - keptFrames, kMostFramesAtOnce);
            lock.unlock();
            discarded.resize(static_cast<size_t>(frames) * 2);
            Mix(discarded.data(), static_cast<size_t>(frames));
            lock.lock();
            keptFrames += frames;
            keeperChanged.notify_all();
        }
        keeperChanged.wait_for(lock, kPeriod);
    }
}

void MixerCore::Mix(int16_t* out, size_t frames) {
    std::lock_guard guard(mutex);
    sum.assign(frames * 2, 0);
    for (BufferState* buffer : buffers)
        if (!buffer->primary && buffer->playing)
            MixBuffer(*buffer, frames);
    for (size_t i = 0; i < frames * 2; ++i)
        out[i] = static_cast<int16_t>(std::clamp<int32_t>(
            sum[i], std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

void MixerCore::Restart(BufferState& buffer) {
    buffer.readCursor = buffer.cursor;
    buffer.fedFrames = buffer.convertedFrames = buffer.playedFrames = 0;
    buffer.draining = false;
    if (buffer.converter)
        SDL_AudioStreamClear(buffer.converter);
}

void MixerCore::StopLocked(BufferState& buffer) {
    if (!buffer.playing)
        return;
    buffer.playing = false;
    Restart(buffer);
    if (recorder)
        recorder->BufferStopped(buffer.id);
}

size_t MixerCore::Pull(BufferState& buffer, uint8_t* destination, size_t frames) {
    const size_t block = static_cast<size_t>(buffer.format.BlockAlign());
    size_t pulled = 0;
    while (pulled < frames && !buffer.draining) {
        size_t available = (buffer.data.size() - buffer.readCursor) / block;
        size_t n = std::min(available, frames - pulled);
        std::memcpy(destination + pulled * block, buffer.data.data() + buffer.readCursor,
                    n * block);
        buffer.readCursor += static_cast<uint32_t>(n * block);
        pulled += n;
        if (buffer.readCursor >= buffer.data.size()) {
            buffer.readCursor = 0;
            if (!buffer.looping)
                buffer.draining = true;
        }
    }
    buffer.fedFrames += pulled;
    return pulled;
}

void MixerCore::AdvancePlayCursor(BufferState& buffer, uint64_t frames) {
    const size_t block = static_cast<size_t>(buffer.format.BlockAlign());
    while (frames > 0 && buffer.playing) {
        size_t n = std::min<uint64_t>(frames, (buffer.data.size() - buffer.cursor) / block);
        if (recorder && n > 0)
            recorder->FramesConsumed(buffer.id, buffer.data.data() + buffer.cursor, n * block);
        buffer.cursor += static_cast<uint32_t>(n * block);
        frames -= n;
        if (buffer.cursor >= buffer.data.size()) {
            buffer.cursor = 0;
            // A buffer played once stops when its last frame has been played.
            if (!buffer.looping)
                StopLocked(buffer);
        }
    }
}

void MixerCore::MixBuffer(BufferState& buffer, size_t frames) {
    const PcmFormat output = AudioDevice::OutputFormat();
    const size_t block = static_cast<size_t>(buffer.format.BlockAlign());

    if (!buffer.converter) {
        source.resize(frames * block);
        size_t got = Pull(buffer, source.data(), frames);
        const int16_t* samples = reinterpret_cast<const int16_t*>(source.data());
        for (size_t i = 0; i < got * 2; ++i)
            sum[i] += samples[i];
        AdvancePlayCursor(buffer, got);
        return;
    }

    const int needBytes = static_cast<int>(frames * 4);
    const size_t chunk = frames * static_cast<size_t>(buffer.format.sampleRate) /
                             static_cast<size_t>(output.sampleRate) +
                         1;
    for (int feeds = 0; feeds < kMaxConverterFeeds && !buffer.draining &&
                        SDL_AudioStreamAvailable(buffer.converter) < needBytes;
         ++feeds) {
        source.resize(chunk * block);
        size_t got = Pull(buffer, source.data(), chunk);
        if (got > 0)
            SDL_AudioStreamPut(buffer.converter, source.data(), static_cast<int>(got * block));
        if (buffer.draining)
            SDL_AudioStreamFlush(buffer.converter);
    }
    converted.resize(frames * 2);
    int bytes = std::max(0, SDL_AudioStreamGet(buffer.converter, converted.data(), needBytes));
    for (int i = 0; i < bytes / 2; ++i)
        sum[static_cast<size_t>(i)] += converted[static_cast<size_t>(i)];
    buffer.convertedFrames += static_cast<uint64_t>(bytes) / 4;

    // What has come out of the converter, in source frames, is what has been
    // played; the converter's read-ahead has not been heard yet.
    uint64_t played = buffer.convertedFrames * static_cast<uint64_t>(buffer.format.sampleRate) /
                      static_cast<uint64_t>(output.sampleRate);
    if (buffer.draining && SDL_AudioStreamAvailable(buffer.converter) == 0)
        played = buffer.fedFrames;
    played = std::min(played, buffer.fedFrames);
    if (played > buffer.playedFrames) {
        const uint64_t step = played - buffer.playedFrames;
        buffer.playedFrames = played;
        AdvancePlayCursor(buffer, step);
    }
}

// ---- buffers ----

AudioBuffer::AudioBuffer(std::shared_ptr<MixerCore> core, std::unique_ptr<BufferState> owned)
    : core(std::move(core)), state(owned.release()) {}

AudioBuffer::~AudioBuffer() {
    {
        std::lock_guard guard(core->mutex);
        core->StopLocked(*state);
        std::erase(core->buffers, state);
    }
    if (state->converter)
        SDL_FreeAudioStream(state->converter);
    delete state;
}

uint32_t AudioBuffer::Size() const {
    return static_cast<uint32_t>(state->data.size());
}

PcmFormat AudioBuffer::Format() const {
    return state->format;
}

int32_t AudioBuffer::Lock(uint32_t offset, uint32_t bytes, void** data) {
    std::lock_guard guard(core->mutex);
    if (state->primary || !data)
        return AUDIOERR_INVALIDCALL;
    if (state->lost)
        return AUDIOERR_BUFFERLOST;
    if (state->locked)
        return AUDIOERR_INVALIDCALL;
    if (bytes == 0 || offset > state->data.size() || bytes > state->data.size() - offset)
        return AUDIOERR_INVALIDPARAM;
    state->staging.assign(state->data.begin() + offset, state->data.begin() + offset + bytes);
    state->locked = true;
    state->lockOffset = offset;
    *data = state->staging.data();
    return AUDIO_OK;
}

int32_t AudioBuffer::Unlock(void* data, uint32_t bytes) {
    std::lock_guard guard(core->mutex);
    if (!state->locked || data != state->staging.data() || bytes > state->staging.size())
        return AUDIOERR_INVALIDCALL;
    state->locked = false;
    // Bytes written into a buffer that was lost meanwhile are dropped, as its
    // content is.
    if (!state->lost)
        std::memcpy(state->data.data() + state->lockOffset, state->staging.data(), bytes);
    return AUDIO_OK;
}

int32_t AudioBuffer::Restore() {
    std::lock_guard guard(core->mutex);
    state->lost = false;
    return AUDIO_OK;
}

int32_t AudioBuffer::Play(PlayMode mode) {
    std::lock_guard guard(core->mutex);
    if (state->primary && core->output) {
        if (int32_t refused = core->output->Refusal(AudioStep::PrimaryPlay))
            return refused;
    }
    state->looping = mode == PlayMode::Looping;
    if (state->playing)
        return AUDIO_OK;
    state->playing = true;
    MixerCore::Restart(*state);
    if (core->recorder && !state->primary)
        core->recorder->BufferStarted(state->id);
    return AUDIO_OK;
}

int32_t AudioBuffer::Stop() {
    std::lock_guard guard(core->mutex);
    core->StopLocked(*state);
    return AUDIO_OK;
}

bool AudioBuffer::IsPlaying() const {
    std::lock_guard guard(core->mutex);
    return state->playing;
}

int32_t AudioBuffer::SetCurrentPosition(uint32_t position) {
    std::lock_guard guard(core->mutex);
    if (state->primary)
        return AUDIOERR_INVALIDCALL;
    if (position >= state->data.size())
        return AUDIOERR_INVALIDPARAM;
    const uint32_t block = static_cast<uint32_t>(state->format.BlockAlign());
    state->cursor = position / block * block;
    MixerCore::Restart(*state);
    return AUDIO_OK;
}

int32_t AudioBuffer::GetCurrentPosition(uint32_t* position) {
    std::lock_guard guard(core->mutex);
    if (state->primary || !position)
        return AUDIOERR_INVALIDCALL;
    *position = state->cursor;
    if (core->recorder)
        core->recorder->CursorRead(state->id);
    return AUDIO_OK;
}

int32_t AudioBuffer::SetFormat(const PcmFormat& format) {
    std::lock_guard guard(core->mutex);
    if (!state->primary)
        return AUDIOERR_INVALIDCALL;
    if (!IsPlayableFormat(format))
        return AUDIOERR_BADFORMAT;
    if (core->output) {
        if (int32_t refused = core->output->Refusal(AudioStep::PrimaryFormat))
            return refused;
    }
    // The output runs at OutputFormat() whatever the primary format says: SDL
    // converts for the hardware, so the format is kept only to be read back.
    state->format = format;
    return AUDIO_OK;
}

// ---- device ----

int32_t AudioDevice::Create(std::unique_ptr<AudioDevice>& device) {
    device.reset();
    auto core = std::make_shared<MixerCore>();
    std::unique_ptr<AudioOutput> output;
    bool headless = false;
    int32_t result = OpenHeadlessAudioOutput(core, output, headless);
    if (!headless)
        result = OpenSdlAudioOutput(*core, output);
    if (result != AUDIO_OK)
        return result;
    {
        std::lock_guard guard(core->mutex);
        core->output = output.get();
    }
    device.reset(new AudioDevice(std::move(core), std::move(output)));
    return AUDIO_OK;
}

AudioDevice::AudioDevice(std::shared_ptr<MixerCore> core, std::unique_ptr<AudioOutput> output)
    : core(std::move(core)), output(std::move(output)) {}

AudioDevice::~AudioDevice() {
    // Closing the output first ends its calls into the mixer (and so does
    // ending the thread that stands in for a lost one); buffers that outlive
    // the device keep the core and simply play no more.
    core->StopKeepingTime();
    output.reset();
    std::lock_guard guard(core->mutex);
    core->output = nullptr;
    core->recorder = nullptr;
    for (BufferState* buffer : core->buffers)
        buffer->playing = false;
}

int32_t AudioDevice::SetCooperativeLevel(CooperativeLevel wanted) {
    int32_t refused = output->Refusal(
        wanted == CooperativeLevel::Priority ? AudioStep::PriorityLevel : AudioStep::NormalLevel);
    if (refused != AUDIO_OK)
        return refused;
    level = wanted;
    levelSet = true;
    return AUDIO_OK;
}

int32_t AudioDevice::CreatePrimaryBuffer(std::unique_ptr<AudioBuffer>& buffer) {
    buffer.reset();
    if (!levelSet || level != CooperativeLevel::Priority)
        return AUDIOERR_PRIOLEVELNEEDED;
    if (int32_t refused = output->Refusal(AudioStep::PrimaryBuffer))
        return refused;
    auto state = std::make_unique<BufferState>();
    state->primary = true;
    state->format = OutputFormat();
    std::lock_guard guard(core->mutex);
    state->id = core->nextBufferId++;
    core->buffers.push_back(state.get());
    buffer.reset(new AudioBuffer(core, std::move(state)));
    return AUDIO_OK;
}

int32_t AudioDevice::CreateSoundBuffer(const PcmFormat& format, uint32_t bytes,
                                       std::unique_ptr<AudioBuffer>& buffer) {
    buffer.reset();
    if (!levelSet)
        return AUDIOERR_PRIOLEVELNEEDED;
    if (!IsPlayableFormat(format))
        return AUDIOERR_BADFORMAT;
    const uint32_t block = static_cast<uint32_t>(format.BlockAlign());
    if (bytes == 0 || bytes % block != 0)
        return AUDIOERR_INVALIDPARAM;
    if (int32_t refused = output->Refusal(AudioStep::SoundBuffer))
        return refused;

    auto state = std::make_unique<BufferState>();
    state->format = format;
    state->data.assign(bytes, 0);
    if (format != OutputFormat()) {
        const PcmFormat out = OutputFormat();
        state->converter =
            SDL_NewAudioStream(AUDIO_S16LSB, static_cast<Uint8>(format.channels), format.sampleRate,
                               AUDIO_S16LSB, static_cast<Uint8>(out.channels), out.sampleRate);
        if (!state->converter)
            return AUDIOERR_BADFORMAT;
    }
    std::lock_guard guard(core->mutex);
    state->id = core->nextBufferId++;
    core->buffers.push_back(state.get());
    if (core->recorder)
        core->recorder->BufferCreated(state->id, format, bytes);
    buffer.reset(new AudioBuffer(core, std::move(state)));
    return AUDIO_OK;
}

void MixerCore::LoseBuffers() {
    std::lock_guard guard(mutex);
    for (BufferState* buffer : buffers) {
        if (buffer->primary)
            continue;
        buffer->lost = true;
        std::fill(buffer->data.begin(), buffer->data.end(), uint8_t{0});
    }
}

PcmFormat AudioDevice::OutputFormat() {
    return PcmFormat{2, 44100};
}

} // namespace platform
