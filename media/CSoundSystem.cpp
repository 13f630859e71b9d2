// The sound system: start-up of the device, the sound and stream registries,
// and the routing of the sound messages on the main thread.
#include "media/CSoundSystem.h"

#include "platform/MessageQueue.h"
#include "platform/resources/AssetResources.h"

#include <boost/lexical_cast.hpp>

#include <optional>

namespace {

// A name that converts completely to a decimal number (an optional sign, no
// spaces, nothing after the digits) names a resource.
std::optional<int> ResourceNumber(const std::wstring& name) {
    try {
        return boost::lexical_cast<int>(name);
    } catch (const boost::bad_lexical_cast&) {
        return std::nullopt;
    }
}

} // namespace

CSoundSystem::~CSoundSystem() {
    // Streams first: their workers use the sounds and the device.
    streams.clear();
    sounds.clear();
    if (primaryBuffer)
        primaryBuffer->Stop();
    primaryBuffer.reset();
    directSound.reset();
}

int CSoundSystem::InitSound(void* mainWindow) {
    window = mainWindow;
    uint32_t* numbers[] = {&msgSoundPlay, &msgLabel, &msgSoundStop, &msgSoundPouse};
    const wchar_t* names[] = {L"WM_IM_ONSOUNDPLAY", L"WM_IM_ONLABEL", L"WM_IM_ONSOUNDSTOP",
                              L"WM_IM_ONSOUNDPOUSE"};
    for (int i = 0; i < 4; ++i) {
        *numbers[i] = platform::RegisterWindowMessage(names[i]);
        if (*numbers[i] == 0)
            break;
    }

    using namespace platform;
    if (int32_t error = AudioDevice::Create(directSound); error != AUDIO_OK)
        return error;

    if (directSound->SetCooperativeLevel(CooperativeLevel::Priority) == AUDIO_OK) {
        if (directSound->CreatePrimaryBuffer(primaryBuffer) == AUDIO_OK &&
            primaryBuffer->SetFormat(PcmFormat{2, 44100}) == AUDIO_OK &&
            primaryBuffer->Play(PlayMode::Looping) == AUDIO_OK)
            return 0;
        primaryBuffer.reset();
    }

    int32_t error = directSound->SetCooperativeLevel(CooperativeLevel::Normal);
    if (error == AUDIO_OK)
        return 0;
    directSound.reset();
    return error;
}

CSoundStream* CSoundSystem::FindStream(uint32_t id) const {
    if (id == 0)
        return nullptr;
    auto it = streams.find(id);
    return it == streams.end() ? nullptr : it->second.get();
}

uint32_t CSoundSystem::CreateStreamFor(const std::wstring& name,
                                       const std::function<std::unique_ptr<SoundData>()>& open) {
    SoundData* sound = nullptr;
    for (SoundEntry& entry : sounds) {
        if (entry.name != name)
            continue;
        for (auto& [streamId, stream] : streams) {
            if (stream->sound == entry.sound.get()) {
                stream->OnSoundPouse.disconnect_all_slots();
                return streamId;
            }
        }
        ++entry.useCount;
        sound = entry.sound.get();
        break;
    }
    if (!sound) {
        std::unique_ptr<SoundData> opened = open();
        if (!opened)
            return 0;
        sound = opened.get();
        sounds.push_back(SoundEntry{std::move(opened), 1, name});
    }
    const uint32_t id = ++lastStreamId;
    streams.emplace(id, std::make_unique<CSoundStream>(this, sound, id));
    return id;
}

uint32_t CSoundSystem::CreateStream(const std::wstring& name) {
    return CreateStreamFor(name, [&name]() -> std::unique_ptr<SoundData> {
        std::optional<int> number = ResourceNumber(name);
        if (!number)
            return OpenSoundFile(name);
        // The resource's bytes are decoded in place; the module handle keeps
        // the container that holds them open for as long as the sound exists.
        platform::AssetResource resource =
            platform::FindAssetResource(static_cast<uint32_t>(*number));
        if (!resource)
            return nullptr;
        return OpenSoundResource(resource.bytes.data, resource.bytes.size, resource.module);
    });
}

uint32_t CSoundSystem::CreateStreamFromMemory(const std::wstring& name, const void* data,
                                              size_t size) {
    return CreateStreamFor(name, [data, size] { return OpenSoundFromMemory(data, size); });
}

bool CSoundSystem::Play(uint32_t id) {
    CSoundStream* stream = FindStream(id);
    if (!stream)
        return false;
    stream->Play();
    return true;
}

bool CSoundSystem::Stop(uint32_t id) {
    CSoundStream* stream = FindStream(id);
    if (!stream)
        return false;
    stream->Stop();
    return true;
}

bool CSoundSystem::IsPlaying(uint32_t id) const {
    const CSoundStream* stream = FindStream(id);
    return stream && stream->state.load() == 1;
}

boost::signals2::connection CSoundSystem::ConnectSoundEnd(uint32_t id,
                                                          const SoundSignal::slot_type& handler) {
    CSoundStream* stream = FindStream(id);
    if (!stream)
        return {};
    return stream->OnSoundPouse.connect(handler);
}

bool CSoundSystem::RouteSoundMessage(uint32_t message, uint32_t wParam, int32_t lParam) {
    if (message == 0)
        return false;
    auto fire = [this, wParam](SoundSignal CSoundStream::*signal) {
        if (CSoundStream* stream = FindStream(wParam)) {
            if (!(stream->*signal).empty())
                (stream->*signal)(wParam);
        }
    };
    if (message == msgSoundPlay) {
        fire(&CSoundStream::OnSoundPlay);
    } else if (message == msgSoundStop) {
        fire(&CSoundStream::OnSoundStop);
    } else if (message == msgSoundPouse) {
        if (CSoundStream* stream = FindStream(wParam))
            stream->FinishPlayback();
        fire(&CSoundStream::OnSoundPouse);
    } else if (message == msgLabel) {
        OnLabel(wParam, static_cast<uint32_t>(lParam));
    } else {
        return false;
    }
    return true;
}

void CSoundSystem::OnLabel(uint32_t id, uint32_t labelTime) {
    CSoundStream* stream = FindStream(id);
    if (!stream)
        return;
    std::unique_ptr<LabelSignal>& signal = stream->labelSignals[labelTime];
    if (!signal)
        signal = std::make_unique<LabelSignal>();
    if (!signal->empty())
        (*signal)(id, labelTime);
}

void CSoundSystem::SetLabelTimers(SoundTimers* timers) {
    labelTimerHost = timers;
}

bool CSoundSystem::AddLabel(uint32_t id, uint32_t labelTime) {
    CSoundStream* stream = FindStream(id);
    if (!stream)
        return false;
    stream->AddLabel(labelTime);
    return true;
}

boost::signals2::connection CSoundSystem::ConnectLabel(uint32_t id, uint32_t labelTime,
                                                       const LabelSignal::slot_type& handler) {
    CSoundStream* stream = FindStream(id);
    if (!stream)
        return {};
    std::unique_ptr<LabelSignal>& signal = stream->labelSignals[labelTime];
    if (!signal)
        signal = std::make_unique<LabelSignal>();
    return signal->connect(handler);
}
