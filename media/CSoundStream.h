// One playable sound: a one-second buffer that a worker thread per playback
// refills half a second at a time from the sound's decoder.
#pragma once

#include "platform/audio/AudioDevice.h"
#include "platform/audio/AutoResetEvent.h"

#include <boost/signals2/signal.hpp>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CSoundSystem;
struct SoundData;

// Handlers take the stream id.
using SoundSignal = boost::signals2::signal<long(uint32_t)>;
// Handlers take the stream id and the label time in milliseconds.
using LabelSignal = boost::signals2::signal<long(uint32_t, uint32_t)>;

class CSoundStream {
public:
    // Creates the stream's buffer on the system's device; without a device, or
    // when the device refuses, the buffer stays null and the stream cannot play.
    CSoundStream(CSoundSystem* system, SoundData* sound, uint32_t id);
    ~CSoundStream();
    CSoundStream(const CSoundStream&) = delete;
    CSoundStream& operator=(const CSoundStream&) = delete;

    // Main thread. Play starts from the beginning of the sound; false when the
    // stream already plays or cannot play. Stop returns once the worker has
    // ended and posted the stopped notification; false when nothing plays.
    bool Play();
    bool Stop();

    // Label times: announced through main-window timers while the stream plays.
    void AddLabel(uint32_t labelTime);
    void OnLabelTimer(int timerId, uint32_t labelTime);
    void CancelLabels();

    // Main thread, when the stopped notification is handled: a playback that
    // ran out leaves its label timers to the main thread, which owns them.
    void FinishPlayback();

    CSoundSystem* system;
    SoundData* sound;
    // 0 stopped, 1 playing. Written under `lock`; Stop and the destructor poll
    // it without the lock.
    std::atomic<int> state{0};
    int command = 0;
    platform::AutoResetEvent wakeEvent;
    std::thread thread;
    uint32_t bufferBytes = 0;
    bool fillSecondHalf = false;
    uint32_t halfBytes = 0;
    std::unique_ptr<platform::AudioBuffer> buffer;
    int endCount = 0;
    SoundSignal OnSoundPlay;
    SoundSignal OnSoundPouse;
    SoundSignal OnSoundStop;
    std::map<uint32_t, std::unique_ptr<LabelSignal>> labelSignals;
    std::vector<uint32_t> labels;
    std::vector<int> labelTimers;
    uint32_t id;
    std::mutex lock;
    // Set by the worker when the data ran out, so that the main thread cancels
    // the label timers; guarded by `lock`.
    bool labelsOutlivedPlayback = false;

private:
    void Worker();
    // Locks `halfBytes` bytes at `offset`, restoring a lost buffer once.
    bool LockHalf(uint32_t offset, void** data);
    void ScheduleLabels();
};
