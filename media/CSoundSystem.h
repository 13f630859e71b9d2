// The sound half of the media object: Ogg Vorbis streams played on worker
// threads, their ids and notifications. IMResourceManager derives from it.
#pragma once

// The sound system proper is being written; until then the media object's base
// holds nothing.
class CSoundSystem {
public:
    CSoundSystem() = default;
    virtual ~CSoundSystem() = default;
    CSoundSystem(const CSoundSystem&) = delete;
    CSoundSystem& operator=(const CSoundSystem&) = delete;
};
