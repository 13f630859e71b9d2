// The sound half of the media object: Ogg Vorbis streams played on worker
// threads, their ids and notifications. IMResourceManager derives from it.
#pragma once

#include "media/CSoundStream.h"
#include "media/SoundData.h"

#include "platform/audio/AudioDevice.h"

#include <boost/signals2/connection.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The main window's timers as the label machinery needs them: AddTimer with a
// handler connected, and RemoveTimer. Handlers run on the main thread.
class SoundTimers {
public:
    virtual ~SoundTimers() = default;
    virtual int AddLabelTimer(uint32_t intervalMilliseconds,
                              std::function<void(int timerId)> onTimer) = 0;
    virtual void RemoveLabelTimer(int timerId) = 0;
};

struct SoundEntry {
    std::unique_ptr<SoundData> sound;
    int useCount = 1;
    std::wstring name;
};

class CSoundSystem {
public:
    CSoundSystem() = default;
    // Ends every playback (waiting for the workers), then releases the sounds,
    // the primary buffer and the device.
    virtual ~CSoundSystem();
    CSoundSystem(const CSoundSystem&) = delete;
    CSoundSystem& operator=(const CSoundSystem&) = delete;

    // Registers the four sound messages and opens the audio device. 0, or the
    // device's negative error: the program then runs silently.
    int InitSound(void* window);

    // A stream for the named sound, or 0 when it cannot be opened. A decimal
    // number names a resource, anything else a file. Asking again for a name
    // returns the same stream, freed of its stopped handlers.
    uint32_t CreateStream(const std::wstring& name);
    // The same for bytes that stay valid for the life of the program.
    uint32_t CreateStreamFromMemory(const std::wstring& name, const void* data, size_t size);

    // False for 0 or an id of no stream; otherwise true, whether or not the
    // stream could start or stop.
    bool Play(uint32_t id);
    bool Stop(uint32_t id);
    // True while the stream plays: after a Play that could start it (there is
    // a sound output) and until its playback ends.
    bool IsPlaying(uint32_t id) const;

    // How many streams exist; every name asked for keeps its stream.
    size_t StreamCount() const { return streams.size(); }

    // Connects to the stopped notification; empty for 0 or an unknown id.
    boost::signals2::connection ConnectSoundEnd(uint32_t id, const SoundSignal::slot_type& handler);

    // The window procedure hands every message here first. True when it is
    // one of the four sound messages (the procedure then goes on with it as
    // with any other); a message naming no stream changes nothing.
    bool RouteSoundMessage(uint32_t message, uint32_t wParam, int32_t lParam);

    // WM_IM_ONLABEL: fires the stream's signal of that label time.
    void OnLabel(uint32_t id, uint32_t labelTime);

    // Labels. Nothing in the program adds any yet; the timers come from the
    // main window, which must clear them here before its timers go.
    void SetLabelTimers(SoundTimers* timers);
    bool AddLabel(uint32_t id, uint32_t labelTime);
    boost::signals2::connection ConnectLabel(uint32_t id, uint32_t labelTime,
                                             const LabelSignal::slot_type& handler);

protected:
    friend class CSoundStream;

    CSoundStream* FindStream(uint32_t id) const;
    uint32_t CreateStreamFor(const std::wstring& name,
                             const std::function<std::unique_ptr<SoundData>()>& open);

    std::map<uint32_t, std::unique_ptr<CSoundStream>> streams;
    std::vector<SoundEntry> sounds;
    std::unique_ptr<platform::AudioDevice> directSound;
    std::unique_ptr<platform::AudioBuffer> primaryBuffer;
    uint32_t lastStreamId = 0;
    // The one main window; its messages all go to the one queue.
    void* window = nullptr;
    uint32_t msgSoundPlay = 0;
    uint32_t msgSoundStop = 0;
    uint32_t msgSoundPouse = 0;
    uint32_t msgLabel = 0;
    SoundTimers* labelTimerHost = nullptr;
};
