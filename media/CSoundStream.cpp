// Playback of one stream: priming, the worker's refills by the play cursor,
// the end of the data, stopping, and labels.
#include "media/CSoundStream.h"

#include "media/CSoundSystem.h"
#include "media/SoundData.h"

#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

namespace {

constexpr int kCommandEnd = 3;

// The worker looks at the play cursor at least this often.
constexpr std::chrono::milliseconds kWorkerWait{20};

// One second of sound, rounded up to an even number of frames so that each
// half is a whole number of frames. (At 11025 Hz a plain second splits into
// halves of 5512.5 frames: the decoder cannot fill such a half, and the sound
// would be taken for ended after its first half second.)
uint32_t BufferBytesFor(const SoundData& sound) {
    const uint32_t frames = (static_cast<uint32_t>(sound.sampleRate) + 1) & ~1u;
    return frames * static_cast<uint32_t>(sound.frameBytes);
}

} // namespace

CSoundStream::CSoundStream(CSoundSystem* system, SoundData* sound, uint32_t id)
    : system(system), sound(sound), id(id) {
    bufferBytes = BufferBytesFor(*sound);
    halfBytes = bufferBytes / 2;
    if (system->directSound) {
        const platform::PcmFormat format{sound->channels, sound->sampleRate};
        if (system->directSound->CreateSoundBuffer(format, bufferBytes, buffer) !=
            platform::AUDIO_OK)
            buffer.reset();
    }
}

CSoundStream::~CSoundStream() {
    if (state.load() == 1) {
        {
            std::lock_guard guard(lock);
            command = kCommandEnd;
        }
        wakeEvent.Set();
        while (state.load() != 0)
            platform::Sleep(1);
    }
    if (thread.joinable())
        thread.join();
    CancelLabels();
    buffer.reset();
    labelSignals.clear();
}

bool CSoundStream::LockHalf(uint32_t offset, void** data) {
    int32_t result = buffer->Lock(offset, halfBytes, data);
    if (result == platform::AUDIOERR_BUFFERLOST) {
        buffer->Restore();
        result = buffer->Lock(offset, halfBytes, data);
    }
    return result == platform::AUDIO_OK;
}

bool CSoundStream::Play() {
    {
        std::lock_guard guard(lock);
        if (state.load() != 0)
            return false;
    }
    // The previous playback's worker has already set the state to 0 and only
    // posts its notification before it ends.
    if (thread.joinable())
        thread.join();
    platform::OutputDebugString(L" звук играет\n");

    {
        std::lock_guard guard(lock);
        if (!buffer)
            return false;
        buffer->SetCurrentPosition(0);
        void* data = nullptr;
        if (!LockHalf(0, &data))
            return false;
        RewindSound(*sound);
        auto* bytes = static_cast<uint8_t*>(data);
        const size_t got = DecodeInto(*sound, bytes, halfBytes);
        endCount = 0;
        if (got < halfBytes)
            std::memset(bytes + got, 0, halfBytes - got);
        buffer->Unlock(data, halfBytes);
        fillSecondHalf = true;
        labelsOutlivedPlayback = false;
        state.store(1);
    }

    // Timers left by a playback that ran out before its notification was
    // handled belong to that playback, not to this one.
    CancelLabels();
    ScheduleLabels();
    try {
        thread = std::thread(&CSoundStream::Worker, this);
    } catch (const std::system_error&) {
        std::lock_guard guard(lock);
        buffer->Stop();
        state.store(0);
        CancelLabels();
        return false;
    }
    platform::PostMessage(system->msgSoundPlay, id, 0);
    return true;
}

void CSoundStream::Worker() {
    {
        std::lock_guard guard(lock);
        buffer->Play(platform::PlayMode::Looping);
    }
    std::unique_lock guard(lock, std::defer_lock);
    for (;;) {
        const bool signalled = wakeEvent.Wait(kWorkerWait);
        guard.lock();
        uint32_t cursor = 0;
        if (buffer->GetCurrentPosition(&cursor) == platform::AUDIO_OK) {
            const bool due =
                (cursor < halfBytes && fillSecondHalf) || (cursor > halfBytes && !fillSecondHalf);
            if (due) {
                if (endCount == 2) {
                    // The silent half after the last sample has been heard.
                    labelsOutlivedPlayback = true;
                    buffer->Stop();
                    command = kCommandEnd;
                    endCount = 0;
                    wakeEvent.Set();
                }
                void* data = nullptr;
                if (LockHalf(fillSecondHalf ? halfBytes : 0, &data)) {
                    auto* bytes = static_cast<uint8_t*>(data);
                    // Once a half came short the data has ended for this
                    // playback: a decoder that resumes after a damaged page
                    // must not put sound behind the silence that ends it.
                    const size_t got = endCount > 0 ? 0 : DecodeInto(*sound, bytes, halfBytes);
                    if (got < halfBytes) {
                        std::memset(bytes + got, 0, halfBytes - got);
                        ++endCount;
                    }
                    if (buffer->Unlock(data, halfBytes) != platform::AUDIO_OK)
                        endCount = 1;
                }
                fillSecondHalf = !fillSecondHalf;
            }
        }
        if (signalled) {
            wakeEvent.Reset();
            if (command == kCommandEnd)
                break;
        }
        guard.unlock();
    }
    command = 0;
    endCount = 0;
    state.store(0);
    guard.unlock();

    platform::OutputDebugString(L" звук остановился\n");
    platform::PostMessage(system->msgSoundPouse, id, 0);
}

bool CSoundStream::Stop() {
    {
        std::lock_guard guard(lock);
        if (state.load() != 1)
            return false;
        platform::OutputDebugString(L" звук стой\n");
        CancelLabels();
        buffer->Stop();
        command = kCommandEnd;
    }
    wakeEvent.Set();
    while (state.load() != 0)
        platform::Sleep(1);
    // The worker posts the stopped notification right after the state turns
    // 0; joining it makes Stop return only once that message is queued.
    if (thread.joinable())
        thread.join();
    return true;
}

void CSoundStream::AddLabel(uint32_t labelTime) {
    labels.push_back(labelTime);
}

void CSoundStream::ScheduleLabels() {
    SoundTimers* timers = system->labelTimerHost;
    if (!timers)
        return;
    for (uint32_t labelTime : labels)
        labelTimers.push_back(timers->AddLabelTimer(
            labelTime, [this, labelTime](int timerId) { OnLabelTimer(timerId, labelTime); }));
}

void CSoundStream::OnLabelTimer(int timerId, uint32_t labelTime) {
    std::erase(labelTimers, timerId);
    if (auto it = std::find(labels.begin(), labels.end(), labelTime); it != labels.end())
        labels.erase(it);
    platform::PostMessage(system->msgLabel, id, static_cast<int32_t>(labelTime));
    if (SoundTimers* timers = system->labelTimerHost)
        timers->RemoveLabelTimer(timerId);
}

void CSoundStream::CancelLabels() {
    if (SoundTimers* timers = system->labelTimerHost)
        for (int timerId : labelTimers)
            timers->RemoveLabelTimer(timerId);
    labelTimers.clear();
}

void CSoundStream::FinishPlayback() {
    bool outlived;
    {
        std::lock_guard guard(lock);
        outlived = labelsOutlivedPlayback;
        labelsOutlivedPlayback = false;
    }
    if (outlived)
        CancelLabels();
}
