// The headless twin: an output driven by the test's Advance calls, recording
// through the mixer's listener interface.
#include "platform/audio/HeadlessAudio.h"

#include "platform/audio/MixerCore_c.h"

#include <atomic>
#include <cassert>
#include <condition_variable>
#include <map>
#include <optional>

namespace platform {

class HeadlessAudio::Impl final : public AudioRecorder {
public:
    // Recorder calls arrive with the core's mutex held; this mutex is always
    // taken after it, never before.
    mutable std::mutex mutex;
    std::condition_variable changed;
    Faults faults;
    std::shared_ptr<MixerCore> core;
    int64_t elapsedMicroseconds = 0;
    int64_t outputFrames = 0;
    // Set once the device has gone; the output's frame count then.
    std::optional<int64_t> removedAtFrame;
    uint64_t cursorReads = 0;
    int playingBuffers = 0;
    std::map<uint64_t, size_t> recordOfBuffer;
    std::vector<BufferRecord> records;
    std::vector<int16_t> output;

    int64_t Now() const {
        return outputFrames * 1'000'000 / AudioDevice::OutputFormat().sampleRate;
    }

    BufferRecord* Record(uint64_t id) {
        auto it = recordOfBuffer.find(id);
        return it == recordOfBuffer.end() ? nullptr : &records[it->second];
    }

    void BufferCreated(uint64_t id, const PcmFormat& format, uint32_t bytes) override {
        std::lock_guard guard(mutex);
        recordOfBuffer[id] = records.size();
        records.push_back(BufferRecord{format, bytes, {}});
    }

    void BufferStarted(uint64_t id) override {
        std::lock_guard guard(mutex);
        if (BufferRecord* record = Record(id)) {
            record->playbacks.push_back(Playback{Now(), std::nullopt, {}});
            ++playingBuffers;
        }
        changed.notify_all();
    }

    void BufferStopped(uint64_t id) override {
        std::lock_guard guard(mutex);
        if (BufferRecord* record = Record(id); record && !record->playbacks.empty()) {
            record->playbacks.back().stopMicroseconds = Now();
            --playingBuffers;
        }
        changed.notify_all();
    }

    void FramesConsumed(uint64_t id, const uint8_t* data, size_t bytes) override {
        std::lock_guard guard(mutex);
        BufferRecord* record = Record(id);
        if (!record || record->playbacks.empty())
            return;
        const int16_t* samples = reinterpret_cast<const int16_t*>(data);
        auto& played = record->playbacks.back().samples;
        played.insert(played.end(), samples, samples + bytes / 2);
    }

    void CursorRead(uint64_t) override {
        std::lock_guard guard(mutex);
        ++cursorReads;
        changed.notify_all();
    }
};

namespace {

std::atomic<HeadlessAudio::Impl*> installed{nullptr};

class HeadlessOutput final : public AudioOutput {
public:
    explicit HeadlessOutput(HeadlessAudio::Impl& twin) : twin(twin) {}
    ~HeadlessOutput() override {
        std::lock_guard guard(twin.mutex);
        twin.core.reset();
    }

    int32_t Refusal(AudioStep step) override {
        std::lock_guard guard(twin.mutex);
        const HeadlessAudio::Faults& f = twin.faults;
        switch (step) {
        case AudioStep::PriorityLevel:
            return f.priorityLevel;
        case AudioStep::NormalLevel:
            return f.normalLevel;
        case AudioStep::PrimaryBuffer:
            return f.primaryBuffer;
        case AudioStep::PrimaryFormat:
            return f.primaryFormat;
        case AudioStep::PrimaryPlay:
            return f.primaryPlay;
        case AudioStep::SoundBuffer:
            return f.soundBuffer;
        }
        return AUDIOERR_GENERIC;
    }

private:
    HeadlessAudio::Impl& twin;
};

} // namespace

int32_t OpenHeadlessAudioOutput(const std::shared_ptr<MixerCore>& core,
                                std::unique_ptr<AudioOutput>& output, bool& isInstalled) {
    HeadlessAudio::Impl* twin = installed.load(std::memory_order_acquire);
    isInstalled = twin != nullptr;
    if (!twin)
        return AUDIOERR_NODRIVER;
    {
        std::lock_guard guard(twin->mutex);
        if (twin->faults.open != AUDIO_OK)
            return twin->faults.open;
        assert(!twin->core && "the headless output serves one device at a time");
        twin->core = core;
    }
    {
        std::lock_guard guard(core->mutex);
        core->recorder = twin;
    }
    output = std::make_unique<HeadlessOutput>(*twin);
    return AUDIO_OK;
}

HeadlessAudio::HeadlessAudio() : impl(new Impl) {
    Impl* expected = nullptr;
    [[maybe_unused]] bool first = installed.compare_exchange_strong(expected, impl);
    assert(first && "Only one HeadlessAudio may exist at a time");
}

HeadlessAudio::~HeadlessAudio() {
    {
        std::lock_guard guard(impl->mutex);
        assert(!impl->core && "close the audio device before the headless output goes");
    }
    installed.store(nullptr, std::memory_order_release);
    delete impl;
}

void HeadlessAudio::SetFaults(const Faults& faults) {
    std::lock_guard guard(impl->mutex);
    impl->faults = faults;
}

uint64_t HeadlessAudio::Advance(std::chrono::microseconds step) {
    constexpr int64_t kCallbackFrames = 1024;
    const int64_t rate = AudioDevice::OutputFormat().sampleRate;
    std::shared_ptr<MixerCore> core;
    int64_t frames = 0;
    {
        std::lock_guard guard(impl->mutex);
        core = impl->core;
        impl->elapsedMicroseconds += step.count();
        frames = impl->elapsedMicroseconds * rate / 1'000'000 - impl->outputFrames;
    }
    if (core && core->OutputLost()) {
        int64_t kept = 0;
        {
            std::lock_guard guard(impl->mutex);
            impl->outputFrames += frames;
            kept = impl->outputFrames - impl->removedAtFrame.value_or(impl->outputFrames);
        }
        core->WaitUntilKept(kept, std::chrono::seconds(5));
        frames = 0;
    }
    std::vector<int16_t> mixed;
    while (frames > 0) {
        const int64_t n = std::min(frames, kCallbackFrames);
        mixed.assign(static_cast<size_t>(n) * 2, 0);
        if (core)
            core->Mix(mixed.data(), static_cast<size_t>(n));
        std::lock_guard guard(impl->mutex);
        impl->outputFrames += n;
        impl->output.insert(impl->output.end(), mixed.begin(), mixed.end());
        frames -= n;
    }
    std::lock_guard guard(impl->mutex);
    return impl->cursorReads;
}

int64_t HeadlessAudio::NowMicroseconds() const {
    std::lock_guard guard(impl->mutex);
    return impl->Now();
}

bool HeadlessAudio::WaitForCursorReads(uint64_t since, unsigned count,
                                       std::chrono::milliseconds timeout, bool orWhenSilent) {
    std::unique_lock lock(impl->mutex);
    return impl->changed.wait_for(lock, timeout, [&] {
        return impl->cursorReads >= since + count || (orWhenSilent && impl->playingBuffers == 0);
    });
}

bool HeadlessAudio::AnyBufferPlaying() const {
    std::lock_guard guard(impl->mutex);
    return impl->playingBuffers > 0;
}

std::vector<HeadlessAudio::BufferRecord> HeadlessAudio::Buffers() const {
    std::lock_guard guard(impl->mutex);
    return impl->records;
}

std::vector<int16_t> HeadlessAudio::Output() const {
    std::lock_guard guard(impl->mutex);
    return impl->output;
}

void HeadlessAudio::ForgetSamples() {
    std::lock_guard guard(impl->mutex);
    std::vector<int16_t>().swap(impl->output);
    for (BufferRecord& record : impl->records)
        for (auto& playback : record.playbacks)
            decltype(playback.samples)().swap(playback.samples);
}

void HeadlessAudio::LoseBuffers() {
    std::shared_ptr<MixerCore> core;
    {
        std::lock_guard guard(impl->mutex);
        core = impl->core;
    }
    if (core)
        core->LoseBuffers();
}

void HeadlessAudio::RemoveDevice() {
    std::shared_ptr<MixerCore> core;
    {
        std::lock_guard guard(impl->mutex);
        core = impl->core;
        if (!core || impl->removedAtFrame)
            return;
        impl->removedAtFrame = impl->outputFrames;
    }
    Impl* twin = impl;
    core->KeepTimeWithoutOutput([twin] {
        std::lock_guard guard(twin->mutex);
        return twin->outputFrames;
    });
}

bool HeadlessAudio::IsInstalled() {
    return installed.load(std::memory_order_acquire) != nullptr;
}

} // namespace platform
